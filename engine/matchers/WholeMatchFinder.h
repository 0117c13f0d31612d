#pragma once
// Finds a pattern's whole matches, one after the other, on the route the planner chose for the
// match word: a literal scan, a literal-set scan or the DFA. The results are the reference
// engine's own: leftmost, then longest; no empty match with MatchBits::NotNullString, none at
// the search's start after a match, and only at the search's start with MatchBits::Continuous.
// When the route is the reference engine's, Usable() is false and the caller runs it.

#include <cstddef>
#include <optional>

#include "DfaProgram.h"
#include "LiteralSearch.h"
#include "Planner.h"
#include "engine/Pattern.h"
#include "groups/OnePass.h"

namespace GrepEngine {

class WholeMatchFinder {
 public:
  // [context, contextEnd): the whole text that anchors and word edges look at (a search's
  // range lies within it).
  WholeMatchFinder(const Pattern& pattern, unsigned matchWord, const char* context,
                   const char* contextEnd);

  bool Usable() const { return Kind != Route::Reference; }
  Route Chosen() const { return Kind; }

  // The next match in [from, last); `from` never moves backwards from one call to the next.
  // `afterMatch`: `from` is where a match ended, so no empty match may lie there.
  Span Find(const char* from, const char* last, bool afterMatch);
  // The same, where an empty match may also split a UTF-8 character.
  Span FindAnywhere(const char* from, const char* last, bool afterMatch);

 private:
  Span FindLiteral(const char* from, const char* last) const;
  Span FindInSet(const char* from, const char* last);
  Span FindWithDfa(const char* from, const char* last, bool afterMatch) const;
  // The DFA route of a one-pass pattern with leading literals (or leading byte sets): the next
  // place they occur, and the one pass from there.
  Span FindWithOnePass(const char* from, const char* last);
  // The longest of the set's literals at `at` that ends by `last`.
  Span LongestAt(const char* at, const char* last) const;

  const Pattern::Impl& Compiled;
  Route Kind = Route::Reference;
  const DfaProgram* Dfa = nullptr;
  const char* Context;
  const char* ContextEnd;
  bool Continuous;
  bool NotNull;
  const LiteralFinder* LiteralScan = nullptr;  // the literal route's scan
  std::optional<LiteralSetScanner> SetScan;    // the literal set's occurrences up to ContextEnd
  const LiteralSetTable* SetTable = nullptr;   // the set's literals as words
  std::optional<ByteRunScanner> RunScan;       // the leading byte sets' places, likewise
  const Groups::OnePass* OnePass = nullptr;    // the DFA route's one pass, when it takes it
  Groups::TextContext Around;                  // what its tests see
};

}  // namespace GrepEngine
