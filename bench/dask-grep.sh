#!/usr/bin/env bash
# regextool-dask against one regextool on the same machine: a search (grep-files --json) and a
# change over a generated tree (small files and one large log, which the driver searches in
# ranges), on a scheduler with two worker processes started here (dask-scheduler,
# dask-worker) and on a local cluster the driver starts itself. Checks that the search output
# is the same byte for byte and prints hyperfine's times (--output=pipe).
#
#   bench/dask-grep.sh [runs] [megabytes]   runs per command (default 3), tree size (default 200)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
megabytes=${2:-200}
build=${BUILD_DIR:-$root/build-bench}
python=/usr/bin/python3
export LC_ALL=C

for tool in hyperfine dask-scheduler dask-worker; do
  command -v "$tool" >/dev/null || { echo "needs $tool (Debian packages hyperfine, python3-distributed)" >&2; exit 2; }
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGREPTOOLKIT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target regextool >/dev/null
tool=$build/regextool/regextool
driver=$root/contrib/dask/regextool-dask

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Half the bytes in files of 20-120 KiB in 50 directories, half in one log file.
"$python" - "$work/tree" "$megabytes" <<'PY'
import os, random, sys
root, megabytes = sys.argv[1], int(sys.argv[2])
random.seed(7)
words = b"alpha beta gamma delta thread handler request ERROR timeout cache fox dog".split()
def text(size):
    lines, held = [], 0
    while held < size:
        line = b" ".join(random.choice(words) for _ in range(random.randint(3, 12))) + b"\n"
        lines.append(line)
        held += len(line)
    return b"".join(lines)
half = megabytes << 19
block = text(1 << 20)
made, n = 0, 0
while made < half:
    directory = os.path.join(root, "d%02d" % (n % 50))
    os.makedirs(directory, exist_ok=True)
    size = random.randint(20, 120) << 10
    start = random.randint(0, len(block) - size)
    with open(os.path.join(directory, "f%05d.txt" % n), "wb") as f:
        f.write(block[start:start + size])
    made += size
    n += 1
with open(os.path.join(root, "big.log"), "wb") as f:
    for _ in range(half >> 20):
        f.write(block)
PY
find "$work/tree" -type f -exec cat {} + >/dev/null

dask-scheduler --host 127.0.0.1 --port 0 --no-dashboard --scheduler-file "$work/scheduler.json" \
  >"$work/scheduler.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/scheduler.json" ] && break; sleep 0.1; done
for _ in 1 2; do
  dask-worker --scheduler-file "$work/scheduler.json" --nworkers 1 --nthreads 1 --no-dashboard \
    >>"$work/workers.log" 2>&1 &
  pids+=($!)
done
address=$("$python" -c 'import json,sys; print(json.load(open(sys.argv[1]))["address"])' "$work/scheduler.json")
"$python" -c 'import sys; from distributed import Client; Client(sys.argv[1]).wait_for_workers(2, timeout=60)' "$address"

pattern='handler timeout (fox|dog)'
cd "$work"
"$tool" grep-files --json "$pattern" tree >one.json || true
"$python" "$driver" --scheduler "$address" --regextool "$tool" grep "$pattern" tree >cluster.json || true
cmp one.json cluster.json
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "tree: $(du -sm tree | cut -f1) MB in $(find tree -type f | wc -l) files; $(wc -l <one.json) lines found"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --output=pipe --runs "$runs" --warmup 1 \
  -n "regextool grep-files --json (-j $(nproc))" "'$tool' grep-files --json '$pattern' tree" \
  -n "regextool-dask grep, 2 workers running" \
  "'$python' '$driver' --scheduler $address --regextool '$tool' grep '$pattern' tree" \
  -n "regextool-dask grep, local cluster started" \
  "'$python' '$driver' --workers 2 --regextool '$tool' grep '$pattern' tree"
hyperfine --runs "$runs" --prepare "rm -rf copy && cp -a tree copy" \
  -n "regextool change" "'$tool' change 'handler timeout' 'handler_timeout' copy" \
  -n "regextool-dask change, 2 workers running" \
  "'$python' '$driver' --scheduler $address --regextool '$tool' change 'handler timeout' 'handler_timeout' copy"
