#pragma once
// Which lines of a text hold a match, found in one pass over the text: a lazily built DFA
// runs from the start of each line to its LF and stops at the first place where a match
// ends, so a line costs one table step per byte and nothing per match. It answers only
// whether a line holds a match, never where, and only for lines that end at a LF (each line
// searched as a text of its own, as a line search reads it).
//
// The automaton is built from the pattern's tree with each atom's bytes asked of the engine
// (as the DFA route does), so it selects exactly the lines the engine finds a match in. It
// takes ^, $, \b, \< and \>; a pattern with a back-reference, \B, the text's own ends, or too
// large a repeat has no selector.
//
// Where the engine's matches are the leftmost-longest ones and never empty, a selection also
// gives each line's matches, with two more DFAs and no call per match: one reads back from the
// first place a match ends to the places where the leftmost match may start, one reads on from
// there to the longest end.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Pattern.h"

namespace GrepEngine {

class LineAutomaton;     // the pattern's NFA, immutable and shared
class SubsetDfa;         // a DFA over it, built as the texts need it
struct ByteRunTable;     // a run of bytes every match holds, as its scanner reads it
struct LiteralSetTable;  // literals one of which every match holds, likewise

// A match's bytes, as offsets from the start of its line.
struct LineMatch {
  std::size_t Start = 0;
  std::size_t End = 0;
};

class LineSelector {
 public:
  // Null when the pattern cannot be selected so under `matchWord` (the engine's match word of
  // a line search: MatchBits::LineFeedLines and NotDotNewline, and NotDotNullCharacter; any
  // other bit leaves it to the engine).
  static std::shared_ptr<const LineSelector> For(const Pattern& pattern, unsigned matchWord);

  LineSelector(std::shared_ptr<const LineAutomaton> automaton, std::vector<std::string> literals,
               std::shared_ptr<const ByteRunTable> runs, bool findsMatches);
  ~LineSelector();
  const LineAutomaton& Automaton() const { return *Nfa; }
  // Whether a selection may give the lines' matches too (LineSelection::ScanMatches).
  bool FindsMatches() const { return Backward != nullptr; }
  const LineAutomaton* BackwardAutomaton() const { return Backward.get(); }
  // The scans for the literals every match holds; null when there are none.
  const LiteralSetTable* Literals() const { return RequiredSet.get(); }
  const ByteRunTable* Runs() const { return RunTable.get(); }

 private:
  std::shared_ptr<const LineAutomaton> Nfa;
  std::shared_ptr<const LineAutomaton> Backward;  // Nfa reversed, where it finds matches
  // What every match holds: one of these literals, or else the run (null: every line is run).
  std::shared_ptr<const LiteralSetTable> RequiredSet;
  std::shared_ptr<const ByteRunTable> RunTable;
};

// One thread's scan with a selector: its DFA states are built as the texts need them and
// kept for the next text, up to a bound on their memory.
class LineSelection {
 public:
  explicit LineSelection(std::shared_ptr<const LineSelector> selector);
  ~LineSelection();
  LineSelection(const LineSelection&) = delete;
  LineSelection& operator=(const LineSelection&) = delete;

  // Receives each selected line [start, end) as offsets in the text (end at its LF or the
  // text's end); returns false to stop.
  class Sink {
   public:
    virtual bool Line(std::size_t start, std::size_t end) = 0;

   protected:
    ~Sink() = default;
  };

  // Reports the lines of [first, last) that hold a match, in order. The text is whole lines:
  // `first` starts one; the last may lack its LF. False when the sink stopped the scan.
  bool Scan(const char* first, const char* last, Sink& sink);

  // Receives each line [start, end) that holds a match, as Sink does, with its matches in
  // order.
  class MatchSink {
   public:
    virtual bool Line(std::size_t start, std::size_t end,
                      const std::vector<LineMatch>& matches) = 0;

   protected:
    ~MatchSink() = default;
  };

  // Reports the lines of [first, last) that hold a match, as Scan does, each with the matches
  // the engine finds on the line searched as a text of its own: the leftmost and longest,
  // then the same from its end on. Only where the selector FindsMatches().
  bool ScanMatches(const char* first, const char* last, MatchSink& sink);

  class MatchFinder;

 private:
  template <class Visit>
  bool EachCandidateLine(const char* first, const char* last, Visit&& visit);

  std::shared_ptr<const LineSelector> Selector;
  std::unique_ptr<SubsetDfa> Lines;      // the line's first match end, read forwards
  std::unique_ptr<MatchFinder> Matches;  // made by the first ScanMatches
};

}  // namespace GrepEngine
