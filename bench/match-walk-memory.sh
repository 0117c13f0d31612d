#!/bin/sh
# Peak resident memory of walking, counting and splitting the matches of a 64 MiB text, next
# to making the text alone. Usage: bench/match-walk-memory.sh BUILD-DIR
set -eu
program="${1:-build}/bench/match_walk_memory"
for mode in text walk count split; do
  /usr/bin/time -f "$mode: %M KiB peak, %e s" "$program" "$mode" >/dev/null
done
