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

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Pattern.h"

namespace GrepEngine {

class LineAutomaton;     // the pattern's NFA, immutable and shared
struct ByteRunTable;     // a run of bytes every match holds, as its scanner reads it
struct LiteralSetTable;  // literals one of which every match holds, likewise

class LineSelector {
 public:
  // Null when the pattern cannot be selected so under `matchWord` (the engine's match word of
  // a line search: MatchBits::LineFeedLines and NotDotNewline, and NotDotNullCharacter; any
  // other bit leaves it to the engine).
  static std::shared_ptr<const LineSelector> For(const Pattern& pattern, unsigned matchWord);

  LineSelector(std::shared_ptr<const LineAutomaton> automaton, std::vector<std::string> literals,
               std::shared_ptr<const ByteRunTable> runs);
  ~LineSelector();
  const LineAutomaton& Automaton() const { return *Nfa; }
  // The scans for the literals every match holds; null when there are none.
  const LiteralSetTable* Literals() const { return RequiredSet.get(); }
  const ByteRunTable* Runs() const { return RunTable.get(); }

 private:
  std::shared_ptr<const LineAutomaton> Nfa;
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

  class Dfa;

 private:
  std::shared_ptr<const LineSelector> Selector;
  std::unique_ptr<Dfa> States;
};

}  // namespace GrepEngine
