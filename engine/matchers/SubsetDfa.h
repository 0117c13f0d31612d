#pragma once
// The subset construction over a LineAutomaton, state by state as the texts ask for them, read
// forwards or backwards. A DFA state is the set of NFA states reached before a byte (before
// their closure, which depends on the next byte's kind) and the kind of the byte behind. Its
// memory stays bounded: past a number of states they are all dropped and built again as needed.
//
// One DFA per thread; the automaton it reads is immutable and shared.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "LineAutomaton.h"

namespace GrepEngine {

class SubsetDfa {
 public:
  // A table entry: a state (the offset of its row, a multiple of 256), or one of these.
  static constexpr std::int32_t Unknown = -1;   // not worked out yet
  static constexpr std::int32_t Matched = -2;   // a match ends before this byte (StopsAtAccept)
  static constexpr std::int32_t LineFeed = -3;  // the line ends here (StopsAtLineFeed)
  static constexpr std::int32_t Dead = -4;      // no match can end in the rest of the line
  // Added to a state entry where the run goes on past accepts: a match ends at the place
  // before the byte (read backwards: starts at the place after it).
  static constexpr std::int32_t AcceptBit = 1;

  // The kind of the byte beside a place, as the assertions read it.
  enum Side : std::uint8_t { Edge = 0, NotWordByte = 1, WordByte = 2 };

  struct Mode {
    bool Backward = false;  // reads right to left, over an automaton built reversed
    // A match may start at every place (read backwards: end there); otherwise only where
    // the run begins, from the initial states.
    bool StartsEverywhere = true;
    bool StopsAtAccept = true;     // an accept is the entry Matched, with no next state
    bool StopsAtLineFeed = false;  // a LF is the entry LineFeed
  };

  // `initial`: the NFA states the run begins in (the automaton's start is added at every
  // place when the mode says so).
  SubsetDfa(const LineAutomaton& automaton, Mode mode, std::vector<std::uint32_t> initial);

  // The state a run begins in, with a byte of kind `behind` behind its first place (before
  // it, or read backwards after it).
  std::int32_t Begin(Side behind) {
    if (Begun[behind] < 0) Begun[behind] = Intern(Initial, behind);
    return Begun[behind];
  }
  std::int32_t Entry(std::int32_t state, unsigned char byte) const {
    return Table[static_cast<std::size_t>(state) + byte];
  }
  // Works out the entry of `state` for `byte`; `state` is renumbered when the states are
  // dropped to make room.
  void Compute(std::int32_t& state, unsigned char byte);
  // The entry, worked out first when it is not known yet (renumbering `state` as Compute does).
  std::int32_t Resolved(std::int32_t& state, unsigned char byte) {
    std::int32_t entry = Entry(state, byte);
    while (entry == Unknown) {
      Compute(state, byte);
      entry = Entry(state, byte);
    }
    return entry;
  }
  // A match ends (read backwards: starts) at the place after the state's last byte when the
  // text ends there.
  bool AcceptsAtEnd(std::int32_t state) const {
    return EndMatches[static_cast<std::size_t>(state) >> 8];
  }
  Side KindOf(unsigned char byte) const {
    return Nfa.WordEdges && Nfa.Word.test(byte) ? WordByte : NotWordByte;
  }

 private:
  static constexpr int AtEnd = -1;  // the place past the text's last (backwards: first) byte

  void Restart();
  std::int32_t Intern(std::vector<std::uint32_t> kernel, std::uint8_t behind);
  bool Holds(Syntax::Assertion place, std::uint8_t behind, int next) const;
  bool Closure(const std::vector<std::uint32_t>& kernel, std::uint8_t behind, int next);

  const LineAutomaton& Nfa;
  const Mode Reading;
  const std::vector<std::uint32_t> Initial;
  std::vector<std::int32_t> Table;  // 256 entries per state; a state is its row's offset
  std::vector<bool> EndMatches;     // per state: a match ends at the text's end
  std::vector<std::vector<std::uint32_t>> Kernels;
  std::vector<std::uint8_t> Behinds;
  std::unordered_map<std::string, std::int32_t> Ids;
  std::int32_t Begun[3] = {-1, -1, -1};  // Begin's states, by the kind behind
  // After a byte of this kind, a match can start (or be empty) at the next place.
  bool StartLives[3] = {true, true, true};

  std::vector<std::uint32_t> Mark;  // the closure's visited states, by generation
  std::uint32_t Generation = 0;
  std::vector<std::uint32_t> Pending;
  std::vector<std::uint32_t> Reached;
};

// Where a run of a DFA that starts everywhere and stops at accepts, begun at `at` with a byte
// of kind `behind` behind it, stops in the line that ends at or before `end`: at the first place
// a match ends (Matched), where no match can end any more, or at the line's end, its LF or
// `end` (Matched when a match ends there).
struct RunStop {
  const unsigned char* At;
  bool Matched;
};

inline RunStop RunToFirstMatchEnd(SubsetDfa& dfa, const unsigned char* at, const unsigned char* end,
                                  SubsetDfa::Side behind) {
  std::int32_t state = dfa.Begin(behind);
  for (;;) {
    if (at == end) return {end, dfa.AcceptsAtEnd(state)};
    const std::int32_t entry = dfa.Entry(state, *at);
    if (entry >= 0) {
      state = entry;
      ++at;
      continue;
    }
    switch (entry) {
      case SubsetDfa::Unknown:
        dfa.Compute(state, *at);
        continue;
      case SubsetDfa::LineFeed:
        return {at, dfa.AcceptsAtEnd(state)};
      case SubsetDfa::Matched:
        return {at, true};
      default:  // Dead
        return {at, false};
    }
  }
}

}  // namespace GrepEngine
