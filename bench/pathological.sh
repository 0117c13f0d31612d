#!/usr/bin/env bash
# Patterns that make a backtracking engine explode, through `regextool`: each should take time
# linear in the text on the DFA path. Prints the wall-clock seconds of each (best of `runs`).
#
#   bench/pathological.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
  -DGREPTOOLKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target regextool >/dev/null
tool=$build/regextool/regextool
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {
  local best= start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  printf '%.3f' "$best"
}

python3 -c "import sys; sys.stdout.write('a' * 100000)" >"$work/a100k"
python3 -c "import sys; sys.stdout.write('x' * 10000)" >"$work/x10k"
for mb in 1 2 4; do
  mkdir -p "$work/run$mb"
  python3 -c "import sys; sys.stdout.write('a' * ($mb << 20))" >"$work/run$mb/a.txt"
done
# 100,000 characters of words, and 1 MB of text holding some of them.
python3 - "$work" <<'PY'
import random, sys
random.seed(20261208)
letters = 'abcdefghijklmnopqrstuvwxyz'
words, size = set(), 0
while size < 100000:
    word = ''.join(random.choice(letters) for _ in range(random.randint(4, 10)))
    if word not in words:
        words.add(word)
        size += len(word) + 1
words = sorted(words)
open(sys.argv[1] + '/words', 'w').write('|'.join(words)[:100000].rstrip('|'))
text, size = [], 0
while size < (1 << 20):
    piece = random.choice(words) if random.random() < 0.1 else ''.join(random.choice(letters) for _ in range(7))
    text.append(piece + ' \n'[random.random() < 0.1])
    size += len(piece) + 1
open(sys.argv[1] + '/text', 'w').write(''.join(text))
PY

echo "machine: $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-44s %9s\n' case seconds
printf '%-44s %9s\n' "search '(a*)*b', 100,000 a's" "$(best "$tool" search '(a*)*b' <"$work/a100k")"
printf '%-44s %9s\n' "search '(x+x+)+y', 10,000 x's" "$(best "$tool" search '(x+x+)+y' <"$work/x10k")"
printf '%-44s %9s\n' "grep-files 100,000-character alternation, 1 MB" \
  "$(best "$tool" grep-files "$(cat "$work/words")" "$work/text")"
for mb in 1 2 4; do
  printf '%-44s %9s\n' "grep-files 'a{10}', one line of $mb MB" \
    "$(best "$tool" grep-files 'a{10}' "$work/run$mb/a.txt")"
done
