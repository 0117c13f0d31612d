#include "engine/LineSelection.h"

#include <cstring>
#include <string>

#include "LineAutomaton.h"
#include "LineMatches.h"
#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "Planner.h"
#include "Prefilter.h"
#include "SubsetDfa.h"
#include "engine/OptionWords.h"
#include "syntax/ContextFacts.h"

namespace GrepEngine {

std::shared_ptr<const LineSelector> LineSelector::For(const Pattern& pattern, unsigned matchWord) {
  const unsigned allowed =
      MatchBits::LineFeedLines | MatchBits::NotDotNewline | MatchBits::NotDotNullCharacter;
  if (pattern.Failed() || (matchWord & ~allowed) != 0 ||
      (matchWord & MatchBits::LineFeedLines) == 0 || (matchWord & MatchBits::NotDotNewline) == 0)
    return nullptr;
  const Pattern::Impl& impl = pattern.Internals();
  std::shared_ptr<const LineAutomaton> automaton =
      LineAutomaton::Build(impl.Tree, impl.OptionWord, impl.Locale, matchWord);
  if (!automaton) return nullptr;
  // The literals, or else a run of bytes, every match holds pick out the lines worth the
  // DFA's time.
  std::vector<std::string> literals = RequiredLiterals(pattern);
  std::shared_ptr<const ByteRunTable> runs;
  if (literals.empty()) {
    const std::vector<std::bitset<256>> run = RequiredByteRun(pattern);
    if (!run.empty()) runs = std::make_shared<const ByteRunTable>(run);
  }
  // The DFAs' matches are the engine's where its own are leftmost-longest (a fast route takes
  // them) and never empty (no rule for where an empty match may lie is needed).
  const bool findsMatches = ChoosePlan(impl.Facts, matchWord).Kind != Route::Reference &&
                            !Syntax::CanMatchEmpty(impl.Tree);
  return std::make_shared<const LineSelector>(std::move(automaton), std::move(literals),
                                              std::move(runs), findsMatches);
}

LineSelector::LineSelector(std::shared_ptr<const LineAutomaton> automaton,
                           std::vector<std::string> literals,
                           std::shared_ptr<const ByteRunTable> runs, bool findsMatches)
    : Nfa(std::move(automaton)), RunTable(std::move(runs)) {
  if (!literals.empty()) RequiredSet = std::make_shared<const LiteralSetTable>(std::move(literals));
  if (findsMatches) Backward = Nfa->Reversed();
}
LineSelector::~LineSelector() = default;

LineSelection::LineSelection(std::shared_ptr<const LineSelector> selector)
    : Selector(std::move(selector)),
      Lines(std::make_unique<SubsetDfa>(Selector->Automaton(),
                                        SubsetDfa::Mode{false, true, true, true},
                                        std::vector<std::uint32_t>())) {}

LineSelection::~LineSelection() = default;

// Calls `visit` with the start of each line where the selector's candidates (the literals or
// the byte run every match holds) find a place, in order; `visit` gives the line's end (its
// LF or `last`), or null to stop.
template <class Visit>
bool LineSelection::EachCandidateLine(const char* first, const char* last, Visit&& visit) {
  const auto each = [&](auto&& candidates) {
    const char* at = first;
    while (at < last) {
      const char* hit = candidates(at);
      if (hit == nullptr) break;
      const char* start = at;
      if (hit != at) {
        const void* feed = ::memrchr(at, '\n', static_cast<std::size_t>(hit - at));
        if (feed != nullptr) start = static_cast<const char*>(feed) + 1;
      }
      const char* lineEnd = visit(start);
      if (lineEnd == nullptr) return false;
      at = lineEnd == last ? last : lineEnd + 1;
    }
    return true;
  };
  if (Selector->Literals() != nullptr) {
    LiteralSetScanner scanner(*Selector->Literals(), last);
    return each([&](const char* from) { return scanner.Next(from); });
  }
  if (Selector->Runs() != nullptr) {
    const ByteRunScanner scanner(*Selector->Runs(), last);
    return each([&](const char* from) { return scanner.Next(from); });
  }
  return each([](const char* from) { return from; });
}

bool LineSelection::Scan(const char* first, const char* last, Sink& sink) {
  using Bytes = const unsigned char*;
  const auto end = reinterpret_cast<Bytes>(last);
  return EachCandidateLine(first, last, [&](const char* start) -> const char* {
    const RunStop stop =
        RunToFirstMatchEnd(*Lines, reinterpret_cast<Bytes>(start), end, SubsetDfa::Edge);
    const char* lineEnd = reinterpret_cast<const char*>(stop.At);
    if (stop.At != end && *stop.At != '\n') {
      // A match ended or none can: the rest of the line changes nothing.
      const void* feed = std::memchr(lineEnd, '\n', static_cast<std::size_t>(last - lineEnd));
      lineEnd = feed == nullptr ? last : static_cast<const char*>(feed);
    }
    if (stop.Matched && !sink.Line(static_cast<std::size_t>(start - first),
                                   static_cast<std::size_t>(lineEnd - first)))
      return nullptr;
    return lineEnd;
  });
}

bool LineSelection::ScanMatches(const char* first, const char* last, MatchSink& sink) {
  if (!Matches)
    Matches = std::make_unique<MatchFinder>(Selector->Automaton(), *Selector->BackwardAutomaton());
  std::vector<LineMatch>& found = Matches->Found;
  return EachCandidateLine(first, last, [&](const char* start) -> const char* {
    const void* feed = std::memchr(start, '\n', static_cast<std::size_t>(last - start));
    const char* lineEnd = feed == nullptr ? last : static_cast<const char*>(feed);
    Matches->Find(*Lines, reinterpret_cast<const unsigned char*>(start),
                  reinterpret_cast<const unsigned char*>(lineEnd));
    if (!found.empty() && !sink.Line(static_cast<std::size_t>(start - first),
                                     static_cast<std::size_t>(lineEnd - first), found))
      return nullptr;
    return lineEnd;
  });
}

}  // namespace GrepEngine
