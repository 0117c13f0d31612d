#!/usr/bin/env bash
# Times GrepFiles (single-threaded) against GNU grep and ripgrep, each run single-threaded,
# over a generated corpus (about 200 MB in 3000 files, made in a temporary directory and
# removed afterwards) and over /usr/include, for three patterns; checks that the match counts
# agree and prints the times and our ratio to each.
#
#   bench/file-grep.sh [runs]     runs per measurement, the best counts (default 3)
#
# Counting: grep -o and rg -o print one line per match. The patterns are ones where those
# line-based counts are exact: no match spans a line or is empty. grep -r and rg do not read
# files reached through symbolic links while walking; GrepFiles does, so for a tree holding
# such links the script adds the matches in the linked files to grep's and rg's counts and
# says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

if ! command -v rg >/dev/null; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y -q --no-install-recommends ripgrep >/dev/null
fi

if [ ! -x "$build/bench/file_grep_bench" ] || [ "$root/bench/file_grep_bench.cpp" -nt "$build/bench/file_grep_bench" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
    -DGREPTOOLKIT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target file_grep_bench >/dev/null
ours=$build/bench/file_grep_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$ours" corpus "$work/corpus" 200 3000

patterns=('needle' '[[:alpha:]]+[[:digit:]]{2,}' 'fox|dog|handler|thread')
names=('literal' 'classes' 'alternation')
corpora=("$work/corpus" /usr/include)

# Best wall-clock seconds of `runs` runs of a command; its output (the count) goes to $work/out.
best_time() {
  local best= start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" >"$work/out"
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  printf '%.3f' "$best"
}

run_ours() { "$ours" count "$1" "$2" | cut -d' ' -f1; }
run_grep() { grep -rEo -- "$1" "$2" | wc -l; }
run_rg() { rg -o -j1 --no-ignore -uu -- "$1" "$2" | wc -l; }
# Matches in files that the tree reaches only through symbolic links.
linked_matches() {
  local total=0 n file
  while IFS= read -r -d '' file; do
    n=$(grep -Eo -- "$1" "$file" | wc -l)
    total=$((total + n))
  done < <(find "$2" -type l -xtype f -print0)
  echo "$total"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "versions: $(grep --version | head -1); $(rg --version | head -1)"
echo
printf '%-12s %-12s %10s %9s %9s %9s %9s %9s\n' corpus pattern matches ours grep rg ours/grep ours/rg
status=0
for corpus in "${corpora[@]}"; do
  label=$([ "$corpus" = /usr/include ] && echo /usr/include || echo generated)
  # Warm the page cache so every tool reads from memory.
  find "$corpus" -type f -exec cat {} + >/dev/null 2>&1 || true
  for i in "${!patterns[@]}"; do
    p=${patterns[$i]}
    t_ours=$(best_time run_ours "$p" "$corpus"); n_ours=$(cat "$work/out")
    t_grep=$(best_time run_grep "$p" "$corpus"); n_grep=$(cat "$work/out")
    t_rg=$(best_time run_rg "$p" "$corpus"); n_rg=$(cat "$work/out")
    linked=$(linked_matches "$p" "$corpus")
    printf '%-12s %-12s %10s %9s %9s %9s %9.2f %9.2f\n' "$label" "${names[$i]}" "$n_ours" \
      "$t_ours" "$t_grep" "$t_rg" "$(awk -v a="$t_ours" -v b="$t_grep" 'BEGIN { print a / b }')" \
      "$(awk -v a="$t_ours" -v b="$t_rg" 'BEGIN { print a / b }')"
    if [ "$linked" -ne 0 ]; then
      echo "             ($linked of the matches are in files reached through links, which grep -r and rg skip)"
    fi
    if [ "$n_ours" -ne $((n_grep + linked)) ] || [ "$n_rg" -ne "$n_grep" ]; then
      echo "  counts disagree: ours $n_ours, grep $n_grep, rg $n_rg, in linked files $linked" >&2
      status=1
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
