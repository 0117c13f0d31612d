#!/usr/bin/env bash
# The string Grep next to RE2, PCRE2 with its JIT and Hyperscan, in one process on the same
# generated text (bench/StringEnginesBench.cpp): installs the peers' Debian packages when they
# are missing, builds the benchmark and runs it.
#
#   bench/string-engines.sh [rounds] [megabytes] [case]   (defaults: 7 rounds, 16 MB, all cases)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}

missing=()
for package in libre2-dev libpcre2-dev libhyperscan-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=$([ "$(id -u)" = 0 ] || echo sudo)
  $sudo apt-get install -y "${missing[@]}" >/dev/null ||
    { $sudo apt-get update >/dev/null && $sudo apt-get install -y "${missing[@]}" >/dev/null; }
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_BENCH=ON \
  -DGREPTOOLKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target string_engines_bench >/dev/null

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/string_engines_bench" "${1:-7}" "${2:-16}" "${3:-}"
