#!/usr/bin/env bash
# Every run path, of the built binaries given and of what they install, names only folders: an
# empty entry (a leading, doubled or trailing ':') or a relative one makes the loader look for
# libraries in whatever folder the program is started from.
set -euo pipefail
build_dir=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null

bad=0
check() {
  local file=$1 paths entry
  paths=$(readelf -d "$file" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  [ -n "$paths" ] || return 0
  IFS=: read -r -a entries <<<"$paths"
  if [[ $paths == :* || $paths == *: || $paths == *::* ]]; then
    echo "$file: empty entry in run path '$paths'" >&2
    bad=1
  fi
  for entry in "${entries[@]}"; do
    [ -z "$entry" ] && continue
    # shellcheck disable=SC2016
    if [[ $entry != /* && $entry != '$ORIGIN'* ]]; then
      echo "$file: relative entry '$entry' in run path '$paths'" >&2
      bad=1
    fi
  done
}

for file in "$@"; do check "$file"; done
while IFS= read -r -d '' file; do
  if head -c 4 "$file" | grep -q 'ELF'; then check "$file"; fi
done < <(find "$work/prefix" -type f -print0)
exit "$bad"
