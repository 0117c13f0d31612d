#!/usr/bin/env bash
# Times `regextool grep-files -n` under LC_ALL=C (bytes) and LC_ALL=C.UTF-8 (characters) beside
# `grep -nE` and `rg -n` under the same locales (rg with --no-unicode under C), over a generated
# text of about 50 MB that is mostly ASCII: a few percent of its lines hold é, ж or € (made
# from a fixed seed in a temporary directory, removed afterwards). Five patterns: a literal,
# `caf.` (the dot takes é as one character under UTF-8), a class repeat, a case-blind word
# with an accent, and a word between word edges. Output goes through a pipe (hyperfine
# --output=pipe), so every tool formats and writes every line. Checks that the three print
# the same number of lines in each locale, and prints the times, our ratio to each peer and our
# ratio UTF-8/bytes.
#
#   bench/utf8-search.sh [runs] [megabytes]   runs per measurement (default 5; the mean
#                                             counts), text size (default 50)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
megabytes=${2:-50}
build=${BUILD_DIR:-$root/build-bench}

for tool in hyperfine rg grep python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install hyperfine ripgrep)" >&2; exit 2; }
done
if ! LC_ALL=C.UTF-8 python3 -c 'import locale; locale.setlocale(locale.LC_ALL, "")' 2>/dev/null; then
  echo "needs the C.UTF-8 locale" >&2
  exit 2
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
    -DGREPTOOLKIT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target regextool >/dev/null
ours=$build/regextool/regextool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
text=$work/text.txt
python3 - "$text" "$megabytes" <<'EOF'
import random, sys
path, megabytes = sys.argv[1], int(sys.argv[2])
draw = random.Random(20261210)
ascii_words = ("the a of and to in is for on with handler thread value buffer length word "
               "wordy password words running thing sing bring string cafe cafeteria caffeine "
               "resume resumed data file line error 2026 42 x y").split()
other_words = "café Café résumé Résumé RÉSUMÉ naïve жук Жук жёлтый €5 €".split()
limit = megabytes * 1024 * 1024
size = 0
with open(path, "w", encoding="utf-8") as out:
    while size < limit:
        lines = []
        for _ in range(1000):
            words = [draw.choice(ascii_words) for _ in range(draw.randint(4, 14))]
            if draw.random() < 0.04:  # a few percent of the lines hold other characters
                for _ in range(draw.randint(1, 2)):
                    words.insert(draw.randrange(len(words) + 1), draw.choice(other_words))
            lines.append(" ".join(words) + "\n")
        block = "".join(lines)
        out.write(block)
        size += len(block.encode("utf-8"))
EOF
cat "$text" >/dev/null  # warm the page cache

# Each case: its name, its pattern, and the case option all three tools take.
names=('literal' 'dot' 'class-ing' 'case-blind' 'word-edges')
patterns=('handler' 'caf.' '[[:alpha:]]+ing' 'résumé' '\bword\b')
flags=('' '' '' '-i' '')

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "versions: $(grep --version 2>/dev/null | head -1); $(rg --version 2>/dev/null | head -1); $(hyperfine --version)"
echo "text: $(du -m "$text" | cut -f1) MB, $(wc -l <"$text") lines, $(LC_ALL=C grep -c '[^ -~]' "$text") with non-ASCII"
echo
printf '%-11s %-8s %9s %8s %8s %8s %9s %9s\n' pattern locale lines ours grep rg ours/grep ours/rg
warmup=$([ "$runs" -gt 1 ] && echo 1 || echo 0)
# rg reads bytes only with --no-unicode, where a pattern holds ASCII alone: the other bytes
# are written \xHH.
byte_escaped() {
  python3 -c 'import os, sys
print("".join(chr(b) if b < 0x80 else "\\x%02X" % b for b in os.fsencode(sys.argv[1])))' "$1"
}
status=0
for i in "${!patterns[@]}"; do
  p=${patterns[$i]}
  f=${flags[$i]}
  declare -A mean=()
  for locale in C C.UTF-8; do
    rg_unicode=--unicode
    rg_p=$p
    if [ "$locale" = C ]; then
      rg_unicode=--no-unicode
      rg_p=$(byte_escaped "$p")
    fi
    # shellcheck disable=SC2086
    n_ours=$({ LC_ALL=$locale "$ours" grep-files -n $f -- "$p" "$text" || true; } | wc -l)
    # shellcheck disable=SC2086
    n_grep=$({ LC_ALL=$locale grep -nE $f -- "$p" "$text" || true; } | wc -l)
    # shellcheck disable=SC2086
    n_rg=$({ LC_ALL=$locale rg -n $rg_unicode $f -- "$rg_p" "$text" || true; } | wc -l)
    LC_ALL=$locale hyperfine --style none --output=pipe -i --warmup "$warmup" --runs "$runs" \
      --export-json "$work/times.json" \
      "$ours grep-files -n $f -- '$p' '$text'" \
      "grep -nE $f -- '$p' '$text'" \
      "rg -n $rg_unicode $f -- '$rg_p' '$text'" >/dev/null
    read -r t_ours t_grep t_rg < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(" ".join("%.3f" % x["mean"] for x in r))' "$work/times.json")
    mean[$locale]=$t_ours
    printf '%-11s %-8s %9s %8s %8s %8s %9.2f %9.2f\n' "${names[$i]}" "$locale" "$n_ours" \
      "$t_ours" "$t_grep" "$t_rg" "$(awk -v a="$t_ours" -v b="$t_grep" 'BEGIN { print a / b }')" \
      "$(awk -v a="$t_ours" -v b="$t_rg" 'BEGIN { print a / b }')"
    if [ "$n_ours" -ne "$n_grep" ] || [ "$n_ours" -ne "$n_rg" ]; then
      echo "  line counts disagree: ours $n_ours, grep $n_grep, rg $n_rg" >&2
      status=1
    fi
  done
  printf '%-11s %-8s %9s %8s   ours UTF-8/bytes %.2f\n' "${names[$i]}" "" "" "" \
    "$(awk -v a="${mean[C.UTF-8]}" -v b="${mean[C]}" 'BEGIN { print a / b }')"
  unset mean
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
