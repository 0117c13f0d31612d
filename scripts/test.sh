#!/usr/bin/env bash
# Builds the toolkit and runs every test suite: in a normal build (the slow stress tests once),
# again under AddressSanitizer and UndefinedBehaviorSanitizer, the threaded tests under
# ThreadSanitizer, and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2 -LE stress
# The stress tests wait mostly on the disk (large files, thousands of flushes): they run beside
# the sanitizer build, which waits on the processor, and are waited for after it.
ctest --test-dir build --output-on-failure -L stress >build/stress.log 2>&1 &
stress=$!

# clang, whose undefined-behaviour checks include out-of-range enumeration values (GCC's do not).
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DGREPTOOLKIT_SANITIZE=address,undefined,enum
cmake --build build-sanitize -j2
if ! wait "$stress"; then
  cat build/stress.log
  echo "a stress test failed" >&2
  exit 1
fi
tail -n 4 build/stress.log
# The consumer build links an uninstrumented program, so it runs in the normal build only. Three
# tests that take minutes under the sanitizers (a file beyond 4 GiB, a file with millions of
# replacements, a pattern run until the engine gives up) run in the normal build only too.
long='FileGrepTest.PositionsBeyondFourGigabytesAreExact|ChangeBatches.AFileWithMoreReplacementsThanThePlanKeepsIsStreamed|StringMatching.AnAbandonedExpressionIsAValue'
# The cluster tests run regextool as a program over a local Dask cluster: once, in the normal build.
ctest --test-dir build-sanitize --output-on-failure -j2 -LE 'install|stress|cluster' -E "^($long)\$"

cmake -S . -B build-thread -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGREPTOOLKIT_SANITIZE=thread
cmake --build build-thread -j2 --target grepcore_tests platform_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-thread --output-on-failure -j2 -R Thread -LE 'install|stress'

bash scripts/fuzz.sh 30
echo "all tests passed"
