#!/usr/bin/env bash
# Installs the built toolkit into a scratch prefix, then builds and runs a program that links the
# component package, through find_package and through pkg-config, with no include path but the
# prefix's (the installed headers must not need Boost).
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null

expected='found bb at 2
component Finder (RegularExpression)
  MatchOptions = [MatchDefault]
  ExpressionOptions = [EscapeInCharacterSets, CharacterClasses, Intervals, BackReferences, NoLocaleSpecificCollation, Normal]
  Expression = "b+"
  StringToMatch = "abbc"
end'

check() {
  local output
  output=$("$@")
  if [ "$output" != "$expected" ]; then
    printf 'unexpected output:\n%s\n' "$output" >&2
    exit 1
  fi
}

cmake -S "$source_dir/kit-consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
check "$work/build/kit-consumer"

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig:$work/prefix/lib/x86_64-linux-gnu/pkgconfig"
# shellcheck disable=SC2046
c++ $(pkg-config --cflags grepkit) "$source_dir/kit-consumer/main.cpp" -o "$work/kit-consumer-pc" \
  $(pkg-config --libs grepkit) -Wl,-rpath,"$(pkg-config --variable=libdir grepkit)"
check "$work/kit-consumer-pc"

# The package's flags leave the language standard to the program.
if pkg-config --cflags grepkit | grep -q -- '-std='; then
  echo "pkg-config Cflags of grepkit set the language standard" >&2
  exit 1
fi
