#!/usr/bin/env bash
# `regextool change` against `sed -i -E` and `perl -pi -e` doing the same replacement, side by
# side with hyperfine, each run on a fresh copy of the same tree: the generated corpus (3000
# files) and /usr/include/c++. Checks that the three results are byte-identical and prints
# hyperfine's table and our ratio to each.
#
#   bench/change-command.sh [megabytes] [runs]   corpus size (default 200), runs (default 5)
#
# Ours makes every replaced file durable (its new content flushed before it takes the name,
# one flush per batch of 64 files); sed and perl flush nothing. "no flush" is ours again with
# every flush made a no-op (eatmydata), so the cost of durability shows beside the rest. The
# ratios are given of the means and of the fastest runs: on a machine shared with other
# writers, a flush waits for their data too, and the means swing with their load.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-200}
runs=${2:-5}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

if [ -z "${BUILD_DIR:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
    -DGREPTOOLKIT_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target file_grep_bench regextool >/dev/null
fi
ours=$build/regextool/regextool
if ! command -v eatmydata >/dev/null; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y -q --no-install-recommends eatmydata >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/file_grep_bench" corpus "$work/generated" "$megabytes" 3000 >/dev/null
cp -rL /usr/include/c++ "$work/cxx"

# Each case: pattern, format, sed expression, perl expression. No match spans a line, and the
# longest match at a place is also the one a left-to-right greedy matcher takes.
cases=(
  'needle|NEEDLE|s/needle/NEEDLE/g|s/needle/NEEDLE/g'
  '([a-z]+)([0-9]{2,})|$2$1|s/([a-z]+)([0-9]{2,})/\2\1/g|s/([a-z]+)([0-9]{2,})/$2$1/g'
)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
for corpus in generated cxx; do
  for entry in "${cases[@]}"; do
    IFS='|' read -r pattern format sed_expr perl_expr <<<"$entry"
    tree=$work/tree
    fresh="rm -rf '$tree' && cp -r '$work/$corpus' '$tree' && sync"
    hyperfine --output=pipe --runs "$runs" --prepare "$fresh" --export-json "$work/times.json" \
      -n ours "'$ours' change '$pattern' '$format' '$tree'" \
      -n "no flush" "eatmydata '$ours' change '$pattern' '$format' '$tree'" \
      -n sed "find '$tree' -type f -exec sed -i -E '$sed_expr' {} +" \
      -n perl "find '$tree' -type f -exec perl -pi -e '$perl_expr' {} +" >"$work/table.txt"
    python3 - "$work/times.json" "$corpus" "$pattern" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
mean = {k: v["mean"] for k, v in r.items()}
low = {k: v["min"] for k, v in r.items()}
print("%-9s %-22s ours %.3f s  no flush %.3f s  sed %.3f s  perl %.3f s  "
      "ours/sed %.2f (fastest %.2f)  ours/perl %.2f (fastest %.2f)" % (
          sys.argv[2], sys.argv[3], mean["ours"], mean["no flush"], mean["sed"], mean["perl"],
          mean["ours"] / mean["sed"], low["ours"] / low["sed"],
          mean["ours"] / mean["perl"], low["ours"] / low["perl"]))
PY
    for tool in ours sed perl; do rm -rf "$work/$tool" && cp -r "$work/$corpus" "$work/$tool"; done
    "$ours" change "$pattern" "$format" "$work/ours" >/dev/null
    find "$work/sed" -type f -exec sed -i -E "$sed_expr" {} +
    find "$work/perl" -type f -exec perl -pi -e "$perl_expr" {} +
    if ! diff -r -q "$work/ours" "$work/sed" >/dev/null || ! diff -r -q "$work/ours" "$work/perl" >/dev/null; then
      echo "  results differ" >&2
      status=1
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
