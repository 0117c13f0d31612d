#!/usr/bin/env bash
# Times `regextool grep-files -n` (line mode, its defaults: all cores) against `grep -rn` and
# `rg -n` (their defaults, all cores for rg) over a generated corpus (about 200 MB in 3000
# files, made in a temporary directory and removed afterwards) and over /usr/include, for
# the five patterns below. Output goes through a pipe (hyperfine --output=pipe), so every tool formats
# and writes every line. Checks that the three print the same number of lines and prints the
# times and our ratio to each.
#
#   bench/file-grep-lines.sh [runs]     runs per measurement (default 5), the mean counts
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
# A pattern that matches nothing makes the tools exit 1: counting its lines is still no failure.
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

for tool in hyperfine rg; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install hyperfine ripgrep)" >&2; exit 2; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
    -DGREPTOOLKIT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target file_grep_bench regextool >/dev/null
ours=$build/regextool/regextool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/file_grep_bench" corpus "$work/corpus" 200 3000
cp -rP /usr/include "$work/include"
find "$work/include" -type l -delete

# A literal, a class pattern, an alternation of words, an alternation that (almost) never
# matches and a word-suffix pattern whose word edges need the engine.
patterns=('thread' '[[:alpha:]]+[[:digit:]]{2,}' 'fox|dog|handler|thread' 'zebra|quokka|xylophone'
  '\b[a-z]+ing\b')
names=('literal' 'classes' 'alternation' 'rare-alternation' 'word-suffix')
corpora=("$work/corpus" "$work/include")

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "versions: $(grep --version 2>/dev/null | head -1); $(rg --version 2>/dev/null | head -1); $(hyperfine --version)"
echo
printf '%-12s %-12s %9s %9s %9s %9s %9s %9s\n' corpus pattern lines ours grep rg ours/grep ours/rg
status=0
for corpus in "${corpora[@]}"; do
  label=$([ "$corpus" = "$work/include" ] && echo include || echo generated)
  find "$corpus" -type f -exec cat {} + >/dev/null 2>&1 || true  # warm the page cache
  for i in "${!patterns[@]}"; do
    p=${patterns[$i]}
    n_ours=$({ "$ours" grep-files -n -- "$p" "$corpus" || true; } | wc -l)
    n_grep=$({ grep -rnE -- "$p" "$corpus" || true; } | wc -l)
    n_rg=$({ rg -n -- "$p" "$corpus" || true; } | wc -l)
    hyperfine --style none --output=pipe -i --warmup 1 --runs "$runs" --export-json "$work/times.json" \
      "$ours grep-files -n -- '$p' '$corpus'" \
      "grep -rnE -- '$p' '$corpus'" \
      "rg -n -- '$p' '$corpus'" >/dev/null
    read -r t_ours t_grep t_rg < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(" ".join("%.3f" % x["mean"] for x in r))' "$work/times.json")
    printf '%-12s %-12s %9s %9s %9s %9s %9.2f %9.2f\n' "$label" "${names[$i]}" "$n_ours" \
      "$t_ours" "$t_grep" "$t_rg" "$(awk -v a="$t_ours" -v b="$t_grep" 'BEGIN { print a / b }')" \
      "$(awk -v a="$t_ours" -v b="$t_rg" 'BEGIN { print a / b }')"
    if [ "$n_ours" -ne "$n_grep" ] || [ "$n_ours" -ne "$n_rg" ]; then
      echo "  line counts disagree: ours $n_ours, grep $n_grep, rg $n_rg" >&2
      status=1
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
