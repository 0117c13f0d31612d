#!/usr/bin/env bash
# regextool merge and grep-text as stream filters: a generated stream of tab-separated records (one
# line in a hundred holds the match) goes through a pipe into regextool, sed and grep; prints
# each one's time and peak resident memory. The memory bound is the point: regextool reads
# line by line, so its peak must not grow with the stream.
#
#   bench/stream-merge.sh [MiB]     size of the stream (default 1024)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-1024}
build=${BUILD_DIR:-$root/build-bench}
export LC_ALL=C

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target regextool >/dev/null
tool=$build/regextool/regextool

block="$(printf 'key%d\tsome value fine\n' $(seq 1 99); printf 'key100\tsome value ERROR')"
bytes=$((mib * 1024 * 1024))

measure() {
  local label=$1
  shift
  yes "$block" | head -c "$bytes" | /usr/bin/time -f "%e %M" "$@" 2>"$work/time" >/dev/null || true
  read -r seconds kilobytes <"$work/time"
  printf '%-34s %8.2f s %10d KiB peak\n' "$label" "$seconds" "$kilobytes"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "$mib MiB of records through a pipe"
measure "regextool merge ERROR error" "$tool" merge ERROR error
measure "sed s/ERROR/error/g" sed 's/ERROR/error/g'
measure "regextool grep-text --json ERROR" "$tool" grep-text --json ERROR
measure "grep -b -o ERROR" grep -b -o ERROR
