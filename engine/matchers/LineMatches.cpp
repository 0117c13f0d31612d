#include "LineMatches.h"

namespace GrepEngine {

LineSelection::MatchFinder::MatchFinder(const LineAutomaton& forward, const LineAutomaton& backward)
    : Back(backward, SubsetDfa::Mode{true, false, false, false}, backward.AfterBytes),
      Longest(forward, SubsetDfa::Mode{false, false, false, false}, {forward.Start}) {}

void LineSelection::MatchFinder::Find(SubsetDfa& firstEnds, const unsigned char* line,
                                      const unsigned char* lineEnd) {
  Found.clear();
  const unsigned char* from = line;
  while (from < lineEnd) {
    const SubsetDfa::Side behind = from == line ? SubsetDfa::Edge : firstEnds.KindOf(from[-1]);
    const RunStop stop = RunToFirstMatchEnd(firstEnds, from, lineEnd, behind);
    if (!stop.Matched) return;
    StartsBefore(line, from, stop.At, lineEnd);
    const unsigned char* start = nullptr;
    const unsigned char* end = nullptr;
    for (auto at = Starts.rbegin(); at != Starts.rend() && end == nullptr; ++at) {
      start = *at;
      end = LongestFrom(line, start, lineEnd);
    }
    // A match ends at stop.At, so one of the places starts it; no match is empty.
    if (end == nullptr || end <= start) return;
    Found.push_back(
        LineMatch{static_cast<std::size_t>(start - line), static_cast<std::size_t>(end - line)});
    from = end;
  }
}

void LineSelection::MatchFinder::StartsBefore(const unsigned char* line, const unsigned char* from,
                                              const unsigned char* matchEnd,
                                              const unsigned char* lineEnd) {
  Starts.clear();
  const unsigned char* at = matchEnd;
  std::int32_t state = Back.Begin(at == lineEnd ? SubsetDfa::Edge : Back.KindOf(*at));
  for (;;) {
    if (at == line) {
      if (Back.AcceptsAtEnd(state)) Starts.push_back(at);
      return;
    }
    const std::int32_t entry = Back.Resolved(state, at[-1]);
    if (entry == SubsetDfa::Dead) return;
    if (entry & SubsetDfa::AcceptBit) Starts.push_back(at);
    if (at == from) return;
    state = entry & ~SubsetDfa::AcceptBit;
    --at;
  }
}

const unsigned char* LineSelection::MatchFinder::LongestFrom(const unsigned char* line,
                                                             const unsigned char* at,
                                                             const unsigned char* lineEnd) {
  std::int32_t state = Longest.Begin(at == line ? SubsetDfa::Edge : Longest.KindOf(at[-1]));
  const unsigned char* end = nullptr;
  for (;;) {
    if (at == lineEnd) return Longest.AcceptsAtEnd(state) ? lineEnd : end;
    const std::int32_t entry = Longest.Resolved(state, *at);
    if (entry == SubsetDfa::Dead) return end;
    if (entry & SubsetDfa::AcceptBit) end = at;
    state = entry & ~SubsetDfa::AcceptBit;
    ++at;
  }
}

}  // namespace GrepEngine
