#!/usr/bin/env bash
# Builds the toolkit and runs the example program over the bundled sample patterns.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target options_tour
./build/examples/options_tour examples/sample/patterns.txt
