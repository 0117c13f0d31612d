#!/usr/bin/env bash
# Installs the built toolkit into a scratch prefix, then builds and runs a small program against
# it twice: through find_package and through pkg-config. The installed headers must not need
# Boost, so the program is compiled with an include path that holds nothing but the prefix's.
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null

expected="flags 0x1CE
code 0
error 
normal code 8
error Unmatched marking parenthesis ( or \\(."

# Basic syntax: "a(b" is literal text there, so it compiles; under Normal it does not.
check() {
  local output
  output=$("$@")
  if [ "$output" != "$expected" ]; then
    printf 'unexpected output:\n%s\n' "$output" >&2
    exit 1
  fi
}

# 1. find_package(grepcore CONFIG REQUIRED)
cmake -S "$source_dir/consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
check "$work/build/consumer"

# 2. pkg-config
export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig:$work/prefix/lib/x86_64-linux-gnu/pkgconfig"
# shellcheck disable=SC2046
c++ $(pkg-config --cflags grepcore) "$source_dir/consumer/main.cpp" -o "$work/consumer-pc" \
  $(pkg-config --libs grepcore) -Wl,-rpath,"$(pkg-config --variable=libdir grepcore)"
check "$work/consumer-pc"

# 2b. The package's flags name include folders only: a C++20 program keeps its standard.
cflags=$(pkg-config --cflags grepcore)
if grep -q -- '-std=' <<<"$cflags"; then
  echo "pkg-config Cflags set the language standard: $cflags" >&2
  exit 1
fi
# shellcheck disable=SC2046
c++ -std=c++20 $cflags "$source_dir/consumer20/main.cpp" -o "$work/consumer20" \
  $(pkg-config --libs grepcore) -Wl,-rpath,"$(pkg-config --variable=libdir grepcore)"
if [ "$("$work/consumer20")" != "c++20 found 1" ]; then
  echo "the C++20 consumer printed the wrong result" >&2
  exit 1
fi

# 3. The installed headers include nothing from Boost.
deps=$(c++ -std=c++17 -M -I"$work/prefix/include" "$source_dir/consumer/main.cpp")
if grep -q boost <<<"$deps"; then
  echo "installed headers pull in Boost" >&2
  exit 1
fi

# 3b. So does the value interface, whose tour builds against the installed headers alone.
tour="$source_dir/../../examples/value_tour.cpp"
if c++ -std=c++17 -M -I"$work/prefix/include" "$tour" | grep -q -e boost -e 'engine/'; then
  echo "the value interface's installed headers pull in the engine or Boost" >&2
  exit 1
fi
# shellcheck disable=SC2046
c++ -std=c++17 $cflags "$tour" -o "$work/value-tour" $(pkg-config --libs grepcore) \
  -Wl,-rpath,"$(pkg-config --variable=libdir grepcore)"
"$work/value-tour" >/dev/null

lib=$(find "$work/prefix" -name 'libgrepcore.so.*' -type f | head -n1)
# 4. The library has a SONAME and exports the class, not the toolkit's internals or the engine.
readelf -d "$lib" | grep 'SONAME.*libgrepcore.so.0' >/dev/null
# Only a symbol's own name counts: a class member may take an engine type by reference.
leaked=$(nm -DC --defined-only "$lib" | sed 's/(.*//' |
  grep -E 'GrepEngine::|Common::|Platform::|boost::re_detail|boost::basic_regex' || true)
if [ -n "$leaked" ]; then
  printf 'libgrepcore exports internal symbols:\n%s\n' "$leaked" >&2
  exit 1
fi
nm -DC --defined-only "$lib" | grep 'RegexClass::RegularExpression::ParseExpression' >/dev/null
echo "consumer build against the installed package: ok"
