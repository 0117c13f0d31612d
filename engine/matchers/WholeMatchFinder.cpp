#include "WholeMatchFinder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "LiteralSearch.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "engine/OptionWords.h"
#include "unicode/Utf8.h"

namespace GrepEngine {

namespace {

bool HoldsOtherLineBreaks(const char* first, const char* last) {
  const auto length = static_cast<std::size_t>(last - first);
  return std::memchr(first, '\r', length) != nullptr || std::memchr(first, '\f', length) != nullptr;
}

}  // namespace

WholeMatchFinder::WholeMatchFinder(const Pattern& pattern, unsigned matchWord, const char* context,
                                   const char* contextEnd)
    : Compiled(pattern.Internals()),
      Context(context),
      ContextEnd(contextEnd),
      Continuous((matchWord & MatchBits::Continuous) != 0),
      NotNull((matchWord & MatchBits::NotNullString) != 0) {
  if (pattern.Failed()) return;
  const MatchPlan plan = ChoosePlan(Compiled.Facts, matchWord);
  if (plan.Kind == Route::Dfa && Compiled.OnePassFinder) {
    // Its tests decide line ends as the reference engine does, CR and FF included.
    OnePass = Compiled.OnePassFinder.get();
    Around = GroupTextContext(context, contextEnd, TranslateMatchFlags(matchWord));
    const std::vector<std::string>& leading = Compiled.LeadingLiterals;
    if (leading.empty())
      RunScan.emplace(*Compiled.LeadingRun, contextEnd);
    else if (leading.size() == 1)
      LiteralScan = &Compiled.LeadingTable->Finders.front();
    else
      SetScan.emplace(*Compiled.LeadingTable, contextEnd);
    Kind = plan.Kind;
    return;
  }
  if (plan.Kind == Route::Dfa) {
    // Lines that end at a LF only are the DFA's own.
    if (plan.NeedsPlainLineBreaks && !(matchWord & MatchBits::LineFeedLines) &&
        HoldsOtherLineBreaks(context, contextEnd))
      return;
    Dfa = Compiled.Dfa(matchWord);
    if (Dfa == nullptr) return;
  }
  if (plan.Kind == Route::Literal) LiteralScan = &Compiled.LiteralTable->Finders.front();
  if (plan.Kind == Route::LiteralSet) {
    SetTable = Compiled.LiteralTable.get();
    SetScan.emplace(*SetTable, contextEnd);
  }
  Kind = plan.Kind;
}

Span WholeMatchFinder::Find(const char* from, const char* last, bool afterMatch) {
  Span span = FindAnywhere(from, last, afterMatch);
  // A UTF-8 pattern's empty match may not split a character: the search goes on from the next
  // place between characters (no other match can start inside one).
  while (Compiled.EmptyMatchesSplitCharacters && !Continuous && span.Found() &&
         span.First == span.Last && Unicode::InsideCharacter(Context, span.First, ContextEnd))
    span = FindAnywhere(Unicode::NextBoundary(Context, span.First, ContextEnd), last, false);
  return span;
}

Span WholeMatchFinder::FindAnywhere(const char* from, const char* last, bool afterMatch) {
  if (from > last) return Span();
  switch (Kind) {
    case Route::Literal:  // never empty
      return FindLiteral(from, last);
    case Route::LiteralSet:
      return FindInSet(from, last);
    case Route::Dfa:
      if (OnePass != nullptr) return FindWithOnePass(from, last);
      return FindWithDfa(from, last, afterMatch);
    case Route::Reference:
      break;
  }
  return Span();
}

Span WholeMatchFinder::FindLiteral(const char* from, const char* last) const {
  const std::string& literal = Compiled.LiteralTable->Literals.front();
  Span span;
  if (static_cast<std::size_t>(last - from) < literal.size()) return span;
  const char* hit = nullptr;
  if (Continuous)
    hit = std::memcmp(from, literal.data(), literal.size()) == 0 ? from : nullptr;
  else
    hit = LiteralScan->Find(from, last);
  if (hit != nullptr) span = Span{hit, hit + literal.size()};
  return span;
}

Span WholeMatchFinder::LongestAt(const char* at, const char* last) const {
  Span span;
  if (!SetTable->Words.empty() && ContextEnd - at >= 8) {
    // Each literal against the eight bytes there at once, with no call per literal.
    std::uint64_t here = 0;
    std::memcpy(&here, at, sizeof here);
    for (const LiteralSetTable::Word& literal : SetTable->Words) {
      if ((here & literal.Mask) != literal.Bytes || last - at < literal.Length) continue;
      if (!span.Found() || at + literal.Length > span.Last) span = Span{at, at + literal.Length};
    }
    return span;
  }
  for (const std::string& literal : SetTable->Literals) {
    if (static_cast<std::size_t>(last - at) < literal.size()) continue;
    if (std::memcmp(at, literal.data(), literal.size()) != 0) continue;
    if (!span.Found() || at + literal.size() > span.Last) span = Span{at, at + literal.size()};
  }
  return span;
}

Span WholeMatchFinder::FindInSet(const char* from, const char* last) {
  if (Continuous) return LongestAt(from, last);
  for (;;) {
    const char* nearest = SetScan->Next(from);
    if (nearest == nullptr || nearest >= last) return Span();
    const Span span = LongestAt(nearest, last);
    if (span.Found()) return span;
    from = nearest + 1;  // every literal there runs past `last`
  }
}

Span WholeMatchFinder::FindWithOnePass(const char* from, const char* last) {
  // Every match starts at an occurrence of a leading literal (or of the leading byte sets), so
  // the first occurrence where the one pass finds a match starts the leftmost match, and the
  // pass gives its longest end there. No match is empty: a match starts with those bytes.
  for (;;) {
    const char* at = from;
    if (!Continuous) {
      at = LiteralScan ? LiteralScan->Find(from, last)
           : SetScan   ? SetScan->Next(from)
                       : RunScan->Next(from);
      if (at == nullptr || at >= last) return Span();
    }
    const char* end = OnePass->Longest(Around, at, last);
    if (end != nullptr && end != at) return Span{at, end};
    if (Continuous) return Span();
    from = at + 1;
  }
}

Span WholeMatchFinder::FindWithDfa(const char* from, const char* last, bool afterMatch) const {
  for (;;) {
    const Span span = Dfa->Find(Context, ContextEnd, from, last, Continuous);
    if (!span.Found() || span.First != span.Last) return span;
    // The longest match there is empty: where that is not allowed, no match starts there.
    const bool refused = NotNull || (afterMatch && span.First == from);
    if (!refused) return span;
    if (Continuous || span.First == last) return Span();
    from = span.First + 1;
    afterMatch = false;
  }
}

}  // namespace GrepEngine
