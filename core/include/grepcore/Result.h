#pragma once
// Results that can fail. Every operation of the value interface that can fail returns one, so
// a caller tells "no match" (a value: false, an empty optional, a count of 0) apart from a
// pattern that did not compile, an engine that gave up and a file that could not be read.
//
//   grepcore::Result<grepcore::Pattern> pattern = grepcore::Pattern::Compile("a(b");
//   if (!pattern) std::cerr << pattern.Error().Message << " at " << pattern.Error().Offset;

#include <cstddef>
#include <string>
#include <utility>
#include <variant>

#include "grepcore/Export.h"

namespace grepcore {

enum class ErrorKind {
  BadPattern,    // the pattern did not compile
  EngineGaveUp,  // the engine hit its complexity or stack limit: whether it matches is unknown
  Io,            // a file or directory could not be opened, read or written
  BadArgument,   // an argument the operation cannot work with (a bad format, a bad glob)
};

struct Error {
  ErrorKind Kind = ErrorKind::BadPattern;
  unsigned Code = 0;         // the engine's error code, or errno for Io
  std::string Message;       // the engine's or the system's message
  std::ptrdiff_t Offset = -1;  // where in the pattern the error was found; -1: not known
  std::string Path;          // for Io: the file or directory concerned
  std::string PatternText;   // for BadPattern from LinePatterns: the pattern that failed, which
                             // Offset counts in
};

// A T or an Error. Tests as true when it holds a value.
template <class T>
class Result {
 public:
  Result(T value) : Held(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
  Result(grepcore::Error error)                                        // NOLINT: implicit
      : Held(std::in_place_index<1>, std::move(error)) {}

  bool HasValue() const { return Held.index() == 0; }
  explicit operator bool() const { return HasValue(); }

  // The value; only when HasValue().
  T& Value() & { return std::get<0>(Held); }
  const T& Value() const& { return std::get<0>(Held); }
  T&& Value() && { return std::get<0>(std::move(Held)); }
  T& operator*() & { return Value(); }
  const T& operator*() const& { return Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }
  // The value, or `fallback` when there is an error.
  T ValueOr(T fallback) const { return HasValue() ? Value() : std::move(fallback); }

  // The error; only when !HasValue().
  const grepcore::Error& Error() const { return std::get<1>(Held); }

 private:
  std::variant<T, grepcore::Error> Held;
};

// The result of an operation that gives nothing back but can fail.
struct Done {};
using Status = Result<Done>;

}  // namespace grepcore
