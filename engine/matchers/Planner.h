#pragma once
// Which matcher finds a pattern's whole matches: a pure function of the pattern's tree, its
// option word, the match word and the locale, so that the choice can be tested on its own.
// A fast route is taken only where it is known to give exactly the reference engine's matches;
// anything else stays with the reference engine (Boost).

#include <locale>
#include <string>
#include <vector>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {

enum class Route {
  Literal,     // the pattern is one literal text: a byte scan
  LiteralSet,  // an alternation of a few literal texts: a scan per literal
  Dfa,         // the DFA (RE2), behind a skip over the bytes a match can start with
  Reference,   // the reference engine (Boost)
};

struct MatchPlan {
  Route Kind = Route::Reference;
  // The DFA's ^ and $ see a line break only at a LF, the reference engine's also at CR and
  // FF: a text holding either is left to the reference engine, unless the match word says
  // that lines end at a LF only (MatchBits::LineFeedLines).
  bool NeedsPlainLineBreaks = false;
};

// Alternatives of a literal set: at most this many.
constexpr std::size_t MostSetLiterals = 8;

bool IsClassicLocale(const std::locale& locale);

// What the choice needs to know of a pattern, read once from its tree when it is compiled.
struct PlanFacts {
  bool ReferenceOnly = true;  // whatever the match word
  bool Literal = false;       // one literal text
  bool LiteralSet = false;    // an alternation of literal texts
  unsigned AssertionBreakingBits = 0;  // match word bits that change the pattern's assertions
  bool LineAnchors = false;   // ^ or $
};

PlanFacts PlanFactsOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale);
MatchPlan ChoosePlan(const PlanFacts& facts, unsigned matchWord);

// The same choice from the pattern itself.
MatchPlan ChoosePlan(const Syntax::Tree& tree, unsigned optionWord, unsigned matchWord,
                     const std::locale& locale);

// The literals of a pattern that is an alternation of literal texts (case mattering); empty
// otherwise.
std::vector<std::string> LiteralAlternatives(const Syntax::Tree& tree, unsigned optionWord);

// Why a pattern is sent to the reference engine whatever the match word; null when the DFA may
// take it (its text may still refuse a word edge it has no equal for: the reference engine then
// takes the search). For tests and for looking at a plan.
const char* ReferenceOnlyReason(const Syntax::Tree& tree, unsigned optionWord,
                                const std::locale& locale);

}  // namespace GrepEngine
