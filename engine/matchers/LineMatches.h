#pragma once
// The matches of one line, leftmost first and then longest, with no call per match: the
// selection's DFA finds the first place a match ends; a DFA over the reversed automaton reads
// back from there to the places a match through it may start (the leftmost match runs through
// the first match end, since it cannot end before it); the first of those from which a match
// starts at all is the leftmost, and a DFA anchored there reads on to its longest end. The next
// match is found the same way from that end.

#include <vector>

#include "SubsetDfa.h"
#include "engine/LineSelection.h"

namespace GrepEngine {

class LineSelection::MatchFinder {
 public:
  MatchFinder(const LineAutomaton& forward, const LineAutomaton& backward);

  // The matches of the line [line, lineEnd) (no LF inside), into Found; `firstEnds` is the
  // selection's DFA.
  void Find(SubsetDfa& firstEnds, const unsigned char* line, const unsigned char* lineEnd);

  std::vector<LineMatch> Found;

 private:
  // The places in [from, matchEnd) from which a match through `matchEnd` may start, into
  // Starts, the last first.
  void StartsBefore(const unsigned char* line, const unsigned char* from,
                    const unsigned char* matchEnd, const unsigned char* lineEnd);
  // The end of the longest match that starts at `at`; null when none does.
  const unsigned char* LongestFrom(const unsigned char* line, const unsigned char* at,
                                   const unsigned char* lineEnd);

  SubsetDfa Back;     // the reversed automaton, begun inside a match
  SubsetDfa Longest;  // the automaton, begun at its start only, on past accepts
  std::vector<const unsigned char*> Starts;
};

}  // namespace GrepEngine
