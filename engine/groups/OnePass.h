#pragma once
// The groups of a whole match in one pass over its bytes, for patterns that have exactly one
// parse of any text they match and can follow it byte by byte.
//
// The pattern becomes a position automaton: one state per byte-taking atom (counted repeats
// copied out), a transition from each atom to each atom that can follow it, and on each
// transition the group opens, closes and resets it crosses. The pattern qualifies only when
// the bytes leaving each state lead to one state each and every transition, every way it can
// arise, carries the same actions: then the text fixes the path and the path fixes the groups,
// so POSIX's choice among parses (groups/Resolver.h) has only one parse to choose and the pass
// gives the resolver's groups. A repeat starts each iteration by unsetting the groups inside
// it, so only the last iteration's stay. An assertion is a test on the transitions that cross
// it, decided from the bytes around as the resolver decides it; the automaton is judged as if
// every test held, so a test never chooses between paths.
//
// Left to the resolver: back-references, brackets without byte sets, repeats whose
// body can match the empty text, empty parses with different groups, and automata beyond
// MostPositions states or MostGroups groups.

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "groups/Resolver.h"
#include "groups/TextContext.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Groups {

class OnePass {
 public:
  static constexpr unsigned MostPositions = 256;
  static constexpr unsigned MostGroups = 32;

  // Null when the tree does not qualify (see above).
  static std::unique_ptr<const OnePass> For(const Syntax::Tree& tree, const AtomBytes& bytes);

  // The groups 1..GroupCount of the whole match [first, last): spans[0] is group 1, and
  // `spans` holds GroupCount entries. The context decides assertions and '.' as it does for the
  // resolver. False when the pattern does not match exactly [first, last) there.
  bool Follow(const TextContext& text, const char* first, const char* last, GroupSpan* spans) const;

  // The end of the longest match that starts at `first` and ends by `last`, or null: the one
  // path the bytes allow, followed until it dies, and the last place it could end.
  const char* Longest(const TextContext& text, const char* first, const char* last) const;

  unsigned GroupCount() const { return Groups; }

  // One group action, taken at the position between two bytes.
  struct Action {
    enum Kind : std::uint8_t { Open, Close, Unset, Test } What;
    std::uint16_t
        Group;  // Open, Close: its number; Unset: the first of a range; Test: the assertion
    std::uint16_t EndGroup;  // Unset: past the range's last
    bool operator==(const Action& other) const {
      return What == other.What && Group == other.Group && EndGroup == other.EndGroup;
    }
  };

  struct ActionRange {
    std::uint32_t First = 0, Count = 0;  // in Actions
  };

  // A table entry: the next state, and whether the step needs a look at '.' or actions.
  static constexpr std::uint32_t StateMask = 0x3FFu;
  static constexpr std::uint32_t DotStep = 1u << 10;
  static constexpr std::uint32_t ActionStep = 1u << 11;
  static constexpr unsigned ActionShift = 12;
  static constexpr std::uint32_t DeadState = 0, StartState = 1;

  OnePass() = default;

 private:
  friend class OnePassBuilder;

  // Whether the tests among the actions StepActions[range] hold at `at`.
  bool TestsHold(std::size_t range, const ContextTests& tests, const char* at) const;
  // The actions at `at`; false when a test fails there.
  bool Take(const ActionRange& range, const ContextTests& tests, const char* first, const char* at,
            GroupSpan* spans) const;

  unsigned Groups = 0;
  std::uint32_t States = 0;
  // Per state a row of 1 << RowShift entries, one per class of bytes; the dead state's row leads
  // to itself.
  std::vector<std::uint32_t> Table;
  std::array<std::uint8_t, 256> ClassOf{};  // a byte's column
  unsigned RowShift = 0;
  std::vector<ActionRange> StepActions;  // by an entry's action index
  std::vector<bool> Tested;              // per StepActions entry: it holds a test
  std::vector<Action> Actions;
  std::vector<std::int32_t> AcceptAt;  // per state: its index in StepActions at the end, or -1
  std::int32_t EmptyAccept = -1;       // the empty match's actions, or -1 when there is none
  std::bitset<256> WordBytes;          // what word edges count as word characters
  std::shared_ptr<const Unicode::CodeSet> Utf8Word;  // ...or in a UTF-8 tree these
};

}  // namespace Groups
}  // namespace GrepEngine
