#!/usr/bin/env bash
# Search and replace over a tree with ChangeFiles, against `sed -i -E` and `perl -pi -e` doing
# the same replacement on fresh copies of the same tree, for the generated corpus (about
# 200 MB in 3000 files) and for /usr/include/c++. Checks that the three results are
# byte-identical and prints the times, our ratio to each and the peak memory of each tool.
#
#   bench/change-files.sh [megabytes]   size of the generated corpus (default 200)
#
# The replacements are ones where the three agree: no match spans a line, and the longest
# match at a place is also the one a left-to-right greedy matcher takes.
#
# Ours makes each replaced file durable before its old content goes; sed and perl do not
# flush. "no flush" is ours again on a fresh copy with every flush made a no-op (eatmydata),
# so the cost of durability shows beside the rest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${1:-200}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

if ! command -v eatmydata >/dev/null; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y -q --no-install-recommends eatmydata >/dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
  -DGREPTOOLKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target file_grep_bench change_files_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/file_grep_bench" corpus "$work/generated" "$megabytes" 3000
cp -rL /usr/include/c++ "$work/cxx"

# Each case: ours (pattern, format), sed expression, perl expression.
cases=(
  'needle|NEEDLE|s/needle/NEEDLE/g|s/needle/NEEDLE/g'
  '([a-z]+)([0-9]{2,})|$2$1|s/([a-z]+)([0-9]{2,})/\2\1/g|s/([a-z]+)([0-9]{2,})/$2$1/g'
)

peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n1; }
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %-26s %9s %8s %9s %8s %8s %9s %9s %9s %9s %9s\n' corpus pattern changed ours \
  'no flush' sed perl ours/sed ours/perl 'ours MB' 'sed MB' 'perl MB'
status=0
for corpus in generated cxx; do
  for entry in "${cases[@]}"; do
    IFS='|' read -r pattern format sed_expr perl_expr <<<"$entry"
    for tool in ours unflushed sed perl; do
      rm -rf "$work/$tool"
      cp -r "$work/$corpus" "$work/$tool"
      sync
    done
    # The page cache holds all three copies now; each tool reads from memory.
    result=$("$build/bench/change_files_bench" "$pattern" "$format" "$work/ours")
    read -r changed problems t_ours kb_ours <<<"$result"
    result=$(eatmydata "$build/bench/change_files_bench" "$pattern" "$format" "$work/unflushed")
    read -r _ _ t_unflushed _ <<<"$result"
    t_sed=$(seconds find "$work/sed" -type f -exec sed -i -E "$sed_expr" {} +)
    t_perl=$(seconds find "$work/perl" -type f -exec perl -pi -e "$perl_expr" {} +)
    # Peak memory of one invocation over the whole tree (sed and perl take files in batches).
    rm -rf "$work/mem" && cp -r "$work/$corpus" "$work/mem"
    kb_sed=$(peak_kb find "$work/mem" -type f -exec sed -i -E "$sed_expr" {} +)
    rm -rf "$work/mem" && cp -r "$work/$corpus" "$work/mem"
    kb_perl=$(peak_kb find "$work/mem" -type f -exec perl -pi -e "$perl_expr" {} +)
    printf '%-10s %-26s %9s %8s %9s %8s %8s %9.2f %9.2f %9.1f %9.1f %9.1f\n' "$corpus" "$pattern" \
      "$changed" "$t_ours" "$t_unflushed" "$t_sed" "$t_perl" \
      "$(awk -v a="$t_ours" -v b="$t_sed" 'BEGIN { print a / b }')" \
      "$(awk -v a="$t_ours" -v b="$t_perl" 'BEGIN { print a / b }')" \
      "$(awk -v k="$kb_ours" 'BEGIN { print k / 1024 }')" \
      "$(awk -v k="$kb_sed" 'BEGIN { print k / 1024 }')" \
      "$(awk -v k="$kb_perl" 'BEGIN { print k / 1024 }')"
    if [ "$problems" -ne 0 ] || ! diff -r -q "$work/ours" "$work/sed" >/dev/null ||
       ! diff -r -q "$work/ours" "$work/unflushed" >/dev/null ||
       ! diff -r -q "$work/ours" "$work/perl" >/dev/null; then
      echo "  results differ (or $problems files could not be changed)" >&2
      status=1
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
