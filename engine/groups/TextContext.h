#pragma once
// The text around a match as the engine saw it when it found the match: where its anchors stop
// looking back, where the searched range ends, and the match word's limits. The resolver tests
// anchors, word edges and '.' exactly as the engine does, so that every parse it considers is
// one the engine could have taken.

#include <bitset>

#include "syntax/SyntaxTree.h"
#include "unicode/CodeSet.h"

namespace GrepEngine {
namespace Groups {

struct TextContext {
  const char* Base = nullptr;  // the engine's backstop: no byte before it is looked at...
  const char* Last = nullptr;  // the end of the searched range: no byte at or after it
  bool PrevAvail = false;      // ...unless this says the byte before Base is readable
  bool NotBol = false;
  bool NotEol = false;
  bool NotBow = false;
  bool NotEow = false;
  bool NotBob = false;
  bool NotEob = false;
  bool NotDotNewline = false;  // '.' takes no line separator (LF; CR and FF too unless...)
  bool LineFeedLines = false;  // ...lines end at a LF only: CR and FF separate nothing
  bool NotDotNull = false;     // '.' takes no NUL
};

class ContextTests {
 public:
  // With `utf8Word`, word edges look at the UTF-8 characters beside a place, not its bytes.
  ContextTests(const TextContext& context, const std::bitset<256>& wordBytes,
               const Unicode::CodeSet* utf8Word = nullptr)
      : Context(context), Word(wordBytes), Utf8Word(utf8Word) {}

  // Whether the zero-width test holds at `at` (Base <= at <= Last).
  bool Holds(Syntax::Assertion kind, const char* at) const;
  // Whether '.' takes the byte at `at` (< Last).
  bool DotTakes(const char* at) const;

 private:
  bool HasBefore(const char* at) const { return at != Context.Base || Context.PrevAvail; }
  // Whether the character that starts at `at` (< Last) is a word character.
  bool WordAt(const char* at) const;
  // Whether the character that ends right before `at` (which has a byte before it) is one.
  bool WordBefore(const char* at) const;
  bool WordBoundary(const char* at) const;
  bool IsSeparator(char c) const;
  // Between the CR and the LF of a CR LF (at > Base): no line starts or ends there.
  bool InsideCrLf(const char* at) const;

  const TextContext& Context;
  const std::bitset<256>& Word;
  const Unicode::CodeSet* Utf8Word;
};

}  // namespace Groups
}  // namespace GrepEngine
