#!/usr/bin/env bash
# Builds the toolkit and its command-line program, then runs regextool over a copy of the
# bundled sample tree: a search on a text, a grep over files, a dry run and a real change run
# that keeps saved copies. Each command is printed before its output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target regextool
regextool=$(pwd)/build/regextool/regextool

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R examples/sample-tree "$work/sample-tree"
cd "$work/sample-tree"
PATH=$(dirname "$regextool"):$PATH

# Prints the command as it could be typed, then runs it; a non-zero exit status is shown, not fatal.
show() {
  local word shown=""
  for word in "$@"; do
    if [[ "$word" =~ ^[A-Za-z0-9_./:=,+-]+$ ]]; then shown+=" $word"
    else shown+=" '${word//\'/\'\\\'\'}'"
    fi
  done
  printf '\n$%s' "$shown"
}
run() {
  show "$@"
  printf '\n'
  local status=0
  "$@" || status=$?
  [ "$status" -eq 0 ] || echo "(exit status $status)"
}
# The same with standard input from the file given first.
run_with_input() {
  local input=$1
  shift
  show "$@"
  printf ' < %s\n' "$input"
  local status=0
  "$@" <"$input" || status=$?
  [ "$status" -eq 0 ] || echo "(exit status $status)"
}

echo "sample tree copied to $work/sample-tree"
run ls -R
run regextool search '([0-9]+)\.([0-9]+)\.([0-9]+)' 'upgrade to version 1.4.2 today'
run regextool grep-text --json 'TODO(\(([a-z]+)\))?' 'TODO(ana): steps; TODO: logs'
run regextool grep-files -r 'TODO(\([a-z]+\))?' '*.txt'
run regextool grep-files -r --count 'old-build\.example\.org' '*'
run regextool find-files -r '[a-z]+@example\.org' '*'
run regextool change --dry-run -r 'old-build\.(example\.org)' 'build.$1' 'config/*.conf'
run regextool change -r --save-ext bak 'old-build\.(example\.org)' 'build.$1' 'config/*.conf'
run ls config
run cat config/servers.bak
run cat config/servers.conf
run_with_input notes/todo.txt regextool merge '([0-9]{4})-([0-9]{2})-([0-9]{2})' '$3.$2.$1'
run regextool search 'a(b' 'text'
