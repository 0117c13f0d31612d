#!/usr/bin/env bash
# `regextool grep-files` against `grep -rEoan` and `rg -o -a -j1 --no-ignore -uu`, every tool
# printing every match (file:line:match) into a pipe (hyperfine --output=pipe; GNU grep stops at
# the first match when its output is /dev/null), all single-threaded, measured side by side in
# one run over a generated tree and over a copy of /usr/include with its symbolic links removed,
# for the five patterns below. Checks that the three print the same
# number of lines and prints the times and our ratio to each.
#
#   bench/file-grep.sh [runs] [megabytes]   runs per command (default 5), generated size (113)
#
# The patterns are ones where grep's and rg's line counts are exact: no match spans a line or
# is empty.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
megabytes=${2:-113}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

for tool in rg hyperfine; do
  command -v "$tool" >/dev/null || { echo "needs $tool (Debian package ripgrep / hyperfine)" >&2; exit 2; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
  -DGREPTOOLKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target regextool file_grep_bench >/dev/null
ours=$build/regextool/regextool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/file_grep_bench" corpus "$work/generated" "$megabytes" 3000 >/dev/null
cp -rP /usr/include "$work/include"
find "$work/include" -type l -delete

# A literal, a class pattern, an alternation of words, an alternation that (almost) never
# matches and a word-suffix pattern whose word edges need the engine.
patterns=('thread' '[[:alpha:]]+[[:digit:]]{2,}' 'fox|dog|handler|thread' 'zebra|quokka|xylophone'
  '\b[a-z]+ing\b')
names=('literal' 'classes' 'alternation' 'rare-alternation' 'word-suffix')

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "versions: $(grep --version | head -1); $(rg --version | head -1); $(hyperfine --version)"
echo
printf '%-10s %-30s %9s %8s %8s %8s %9s %8s\n' corpus pattern matches ours grep rg ours/grep ours/rg
status=0
for corpus in generated include; do
  dir=$work/$corpus
  find "$dir" -type f -exec cat {} + >/dev/null  # from the page cache from here on
  for i in "${!patterns[@]}"; do
    p=${patterns[$i]}
    # A tool that finds nothing exits with 1.
    n_ours=$({ "$ours" grep-files -o -n -a -j 1 --hidden --no-ignore -- "$p" "$dir" || true; } | wc -l)
    n_grep=$({ grep -rEoan -- "$p" "$dir" || true; } | wc -l)
    n_rg=$({ rg -o -a -j1 --no-ignore -uu -- "$p" "$dir" || true; } | wc -l)
    hyperfine -i --output=pipe --runs "$runs" --warmup 1 --export-json "$work/times.json" \
      -n ours "$ours grep-files -o -n -a -j 1 --hidden --no-ignore -- '$p' '$dir'" \
      -n grep "grep -rEoan -- '$p' '$dir'" \
      -n rg "rg -o -a -j1 --no-ignore -uu -- '$p' '$dir'" >/dev/null 2>&1
    read -r t_ours t_grep t_rg < <(python3 -c '
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(r["ours"], r["grep"], r["rg"])' "$work/times.json")
    printf '%-10s %-30s %9s %8.3f %8.3f %8.3f %9.2f %8.2f\n' "$corpus" "$p" "$n_ours" \
      "$t_ours" "$t_grep" "$t_rg" "$(awk -v a="$t_ours" -v b="$t_grep" 'BEGIN { print a / b }')" \
      "$(awk -v a="$t_ours" -v b="$t_rg" 'BEGIN { print a / b }')"
    if [ "$n_ours" -ne "$n_grep" ] || [ "$n_rg" -ne "$n_grep" ]; then
      echo "  counts disagree: ours $n_ours, grep $n_grep, rg $n_rg" >&2
      status=1
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
