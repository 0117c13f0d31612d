#pragma once
// The NFA a line selection runs (see engine/LineSelection.h): Thompson's construction over the
// syntax tree, repeats written out copy by copy, groups transparent. A state consumes one byte
// of a set, branches, asserts a place (a line's ends, a word edge) or accepts.

#include <bitset>
#include <cstdint>
#include <locale>
#include <memory>
#include <vector>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {

enum class LineStep : std::uint8_t { Byte, Split, Assert, Accept };

struct LineState {
  LineStep Step = LineStep::Accept;
  Syntax::Assertion Place = Syntax::Assertion::LineStart;  // Assert: ^, $, \b, \< or \>
  std::uint32_t Set = 0;                                   // Byte: index into LineAutomaton::Sets
  std::uint32_t Next = 0;   // Byte, Assert and Split: the state after it
  std::uint32_t Other = 0;  // Split: the second branch
};

class LineAutomaton {
 public:
  // Null when the tree holds what a line selection does not take, an atom's bytes are not
  // known, or the automaton would be too large.
  static std::shared_ptr<const LineAutomaton> Build(const Syntax::Tree& tree, unsigned optionWord,
                                                    const std::locale& locale, unsigned matchWord);

  // The same automaton read backwards, every step turned round: it starts where a match ends
  // and accepts where one starts. Its assertions keep their meaning; a DFA reading it
  // backwards swaps the sides they look at.
  std::shared_ptr<const LineAutomaton> Reversed() const;

  std::vector<LineState> States;
  std::vector<std::bitset<256>> Sets;
  std::uint32_t Start = 0;
  std::bitset<256> Word;   // the bytes word edges count as word characters
  bool WordEdges = false;  // some state asserts a word edge
  // Of a reversed automaton: the states that stand for the places just after a byte of a
  // match, where a backward run may begin inside one.
  std::vector<std::uint32_t> AfterBytes;
};

}  // namespace GrepEngine
