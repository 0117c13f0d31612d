#include "BufferSearch.h"

#include <cstring>

#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "Planner.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace GrepEngine {
namespace {

// Match options that make a literal's matches differ from a plain scan's: a continuous grep
// only takes a match where the last one ended.
constexpr unsigned LiteralBreakingBits = MatchBits::Continuous;

// The later of a search's next position and the sink's skip.
const char* SkippedTo(const char* from, const char* skip) { return skip > from ? skip : from; }

BufferOutcome ScanLiteral(const std::string& literal, const char* first, const char* last,
                          const TextPlace& place, const MatchSink& sink) {
  BufferOutcome outcome;
  LineCounter lines(first, place.Offset, place.Line);
  const LiteralFinder scan(literal);
  const char* skip = nullptr;
  for (const char* from = first;;) {
    const char* hit = scan.Find(from, last);
    if (hit == nullptr) break;
    ++outcome.Count;
    const auto position = static_cast<std::int64_t>(place.Offset) + (hit - first);
    FoundMatch found(position, hit, literal.size(), lines);
    if (!sink(found.Skips(&skip))) break;
    from = SkippedTo(hit + literal.size(), skip);  // matches never overlap
    if (from >= last) break;
  }
  return outcome;
}

// The windows of a search whose matches stay on one line: from the position asked for (or the
// start of its line, whichever is later) to the end of the line holding the next occurrence
// of what every match holds (a required literal or byte run). A match after that position
// contains such an occurrence, so none lies between it and that line.
template <class Scanner>
class LineWindows {
 public:
  template <class Required>
  LineWindows(const Required& required, const char* last, const char* const& skip)
      : Candidates(required, last), Last(last), Skip(skip) {}

  SearchWindow operator()(const char* from) {
    from = SkippedTo(from, Skip);
    if (from >= Last) return SearchWindow();
    const char* hit = Candidates.Next(from);
    if (hit == nullptr) return SearchWindow();
    const void* before = memrchr(from, '\n', static_cast<std::size_t>(hit - from));
    // Many matches on one long line look for its end once, not once each.
    if (LineEnd == nullptr || hit >= LineEnd) {
      const void* after = std::memchr(hit, '\n', static_cast<std::size_t>(Last - hit));
      LineEnd = after != nullptr ? static_cast<const char*>(after) : Last;
    }
    SearchWindow window;
    window.First = before != nullptr ? static_cast<const char*>(before) + 1 : from;
    window.Last = LineEnd;
    return window;
  }

 private:
  Scanner Candidates;
  const char* Last;
  const char* const& Skip;  // the sink's skip, as it stands
  const char* LineEnd = nullptr;  // the end of the line of the last window
};

}  // namespace

// The facts come from the compiled pattern's own syntax tree; the text is not read again.
SearchPlan PlanSearch(std::shared_ptr<const Pattern> compiled, const char* /*first*/,
                      const char* /*last*/, bool fastPaths) {
  SearchPlan plan;
  plan.Compiled = std::move(compiled);
  if (!fastPaths || !plan.Compiled || plan.Compiled->Failed()) return plan;
  const Pattern& pattern = *plan.Compiled;
  plan.Literal = PlainLiteral(pattern);
  if (!plan.Literal.empty()) return plan;
  plan.Required = Prefilter(RequiredLiterals(pattern));
  if (plan.Required.Empty()) plan.RequiredRun = RequiredByteRun(pattern);
  if (!plan.RequiredRun.empty()) plan.RunTable = std::make_shared<ByteRunTable>(plan.RequiredRun);
  plan.OneLine = StaysOnOneLine(pattern);
  return plan;
}

bool FoundMatch::SkipTo(const char* position) const {
  if (SkipSlot == nullptr) return false;
  *SkipSlot = position;
  return true;
}

unsigned FoundMatch::Marks() const { return Results != nullptr ? Results->Size() : 1u; }

SubMatch FoundMatch::Sub(unsigned i) const {
  if (Results != nullptr) return Results->Sub(i);
  SubMatch sub;
  if (i != 0) return sub;
  sub.Matched = true;
  sub.Position = AtPosition;
  sub.First = At;
  sub.Last = At + Length;
  return sub;
}

unsigned FoundMatch::Line() const {
  if (Results != nullptr) return Results->Line();
  Lines->AdvanceTo(At);  // matches come in ascending order, so this only moves forward
  return Lines->Line();
}

namespace {

bool LiteralScanApplies(const SearchPlan& plan, unsigned matchWord) {
  return !plan.Literal.empty() && (matchWord & LiteralBreakingBits) == 0;
}

bool WindowsApply(const SearchPlan& plan, unsigned matchWord) {
  return plan.OneLine && (matchWord & MatchBits::Continuous) == 0 &&
         (!plan.Required.Empty() || !plan.RequiredRun.empty());
}

}  // namespace

bool SearchableByLines(const SearchPlan& plan, unsigned matchWord) {
  if (!plan.Compiled || plan.Compiled->Failed()) return false;
  if (LiteralScanApplies(plan, matchWord)) return plan.Literal.find('\n') == std::string::npos;
  return WindowsApply(plan, matchWord);
}

BufferOutcome SearchLines(const SearchPlan& plan, const char* first, const char* last,
                          const TextPlace& place, unsigned matchWord, const MatchSink& sink) {
  if (LiteralScanApplies(plan, matchWord))
    return ScanLiteral(plan.Literal, first, last, place, sink);
  // A skip moves the next window on; the windows never hold an empty match, so passing over
  // the text between a match and the skip loses nothing the sink wants.
  const char* skip = nullptr;
  const auto report = [&](const MatchResults& match) {
    FoundMatch found(match);
    return sink(found.Skips(&skip));
  };
  GrepOutcome found;
  const Pattern& pattern = *plan.Compiled;
  if (ChoosePlan(pattern.Internals().Facts, matchWord).Kind == Route::LiteralSet) {
    // The set's own scan finds the matches; windows would only scan for the same literals twice.
    const auto whole = [last, &skip](const char* from) {
      from = SkippedTo(from, skip);
      return from < last ? SearchWindow{from, last} : SearchWindow();
    };
    found = GrepInWindows(pattern, first, last, matchWord, whole, report, place);
  } else if (!plan.Required.Empty()) {
    LineWindows<LiteralSetScanner> windows(plan.Required.Literals(), last, skip);
    found = GrepInWindows(*plan.Compiled, first, last, matchWord, windows, report, place);
  } else {
    LineWindows<ByteRunScanner> windows(*plan.RunTable, last, skip);
    found = GrepInWindows(*plan.Compiled, first, last, matchWord, windows, report, place);
  }
  return BufferOutcome{found.Count, found.Abandoned, found.AbandonCode};
}

BufferOutcome SearchBuffer(const SearchPlan& plan, const char* first, const char* last,
                           unsigned matchWord, const MatchSink& sink) {
  if (!plan.Compiled || plan.Compiled->Failed()) return BufferOutcome();
  if (LiteralScanApplies(plan, matchWord) || WindowsApply(plan, matchWord))
    return SearchLines(plan, first, last, TextPlace(), matchWord, sink);
  if (!plan.Required.MayMatch(first, last)) return BufferOutcome();
  if (plan.RunTable && ByteRunScanner(*plan.RunTable, last).Next(first) == nullptr)
    return BufferOutcome();
  const auto report = [&](const MatchResults& match) { return sink(FoundMatch(match)); };
  const GrepOutcome found = GrepIn(*plan.Compiled, first, last, matchWord, report);
  return BufferOutcome{found.Count, found.Abandoned, found.AbandonCode};
}

}  // namespace GrepEngine
