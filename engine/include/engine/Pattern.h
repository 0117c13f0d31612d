#pragma once
// A compiled pattern: the engine's expression built from a byte range, a toolkit option word
// and a locale. Compilation never throws for a bad pattern: the error is part of the value.
// A Pattern is immutable once built, so holders share it freely (also across threads).

#include <cstddef>
#include <locale>
#include <memory>
#include <string>

namespace GrepEngine {

class Pattern : public std::enable_shared_from_this<Pattern> {
 public:
  // Compiles [first, last) under `optionWord` (SyntaxBits) with `locale`. Only running out
  // of memory is raised (std::bad_alloc).
  static std::shared_ptr<const Pattern> Compile(const char* first, const char* last,
                                                unsigned optionWord, const std::locale& locale);

  ~Pattern();
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;

  // Boost's regex_constants::error_type value: 0 when the pattern compiled.
  unsigned ErrorCode() const;
  bool Failed() const { return ErrorCode() != 0; }
  // The engine's message for the error code, in the pattern's locale; empty when it compiled.
  std::string ErrorText() const;
  // Where in the pattern text the error was found (a byte offset); -1 when it compiled or the
  // engine does not know.
  std::ptrdiff_t ErrorOffset() const;
  // Marked sub-expressions plus one for the whole match; 0 when the pattern failed.
  unsigned MarkCount() const;
  // The option word and locale the pattern was compiled with.
  unsigned OptionWord() const;
  std::locale Locale() const;

  struct Impl;  // the engine's expression; defined inside the engine only
  const Impl& Internals() const { return *Body; }

 private:
  struct Token {};  // only Compile builds a Pattern

 public:
  Pattern(Token, std::unique_ptr<Impl> body);

 private:
  std::unique_ptr<Impl> Body;
};

// The message the engine gives for one of its error codes, in `locale`.
std::string ErrorTextOf(unsigned errorCode, const std::locale& locale);

}  // namespace GrepEngine
