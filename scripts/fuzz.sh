#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 60) from its seed
# corpus; any finding fails. Findings are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGREPTOOLKIT_FUZZ=ON -DGREPTOOLKIT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzz_compile fuzz_string_ops fuzz_rewrite fuzz_groups fuzz_dfa \
  fuzz_literal_scan
mkdir -p build-fuzz/findings
for target in compile string_ops rewrite groups dfa literal_scan; do
  work=$(mktemp -d)
  echo "fuzzing $target for ${seconds}s"
  if ! ./build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 "$work" "fuzz/corpus/$target" \
      >"build-fuzz/findings/$target.log" 2>&1; then
    tail -n 40 "build-fuzz/findings/$target.log"
    rm -rf "$work"
    echo "fuzz target $target found a fault" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "build-fuzz/findings/$target.log" || true
  rm -rf "$work"
done
