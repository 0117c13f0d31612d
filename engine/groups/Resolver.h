#pragma once
// POSIX sub-expressions for a whole match that an engine has already found.
//
// POSIX: the whole match is the leftmost-longest; then each subpattern, from left to right,
// matches the longest text that still lets the whole match succeed, a null match counting as
// longer than none. Every subpattern takes part, not only the parenthesised ones ("a*(a*)" on
// "aa" gives the group (2,2)); of alternatives with the same extent the first is taken; a
// repeat's iterations are subpatterns in their turn (the first takes the longest it can); a
// repeat takes no empty iteration beyond its minimum, except one when the whole repeat is
// empty and its body can be. A group reports its last iteration only, and a group inside a
// repeated one that took no part in that last iteration is unset.
//
// The resolver walks the tree top-down over the match: at each node with a known extent it
// picks the longest first piece that the rest of the node can still complete, from sets of
// positions reachable forwards from the piece's start and backwards from the node's end. Each
// set costs time linear in the positions it covers times the nodes below, so a match of n
// bytes costs O(n * nodes) for a pattern without repeats and O(n^2 * nodes) at worst (a star
// with many iterations whose body can reach far); never exponential.
//
// Not handled, and the engine's own groups stay:
// - patterns with back-references (exact POSIX matching with them is exponential in general);
// - bracket expressions whose members the locale decides beyond single bytes (the caller says
//   so by not building the byte sets);
// - repeats with a count above 255, and patterns nested deeper than 200 nodes.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "groups/TextContext.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Groups {

// The bytes each consuming node takes (Literal, Bracket, ClassEscape), as the engine decides
// them in the pattern's locale and case rule; '.' depends on the match word and is not here.
struct AtomBytes {
  static constexpr std::uint32_t NoSet = 0xFFFFFFFFu;
  std::vector<std::bitset<256>> Sets;
  std::vector<std::uint32_t> SetOfNode;  // per node: index into Sets, or NoSet
  std::bitset<256> Word;                 // the bytes word edges count as word characters
};

// Where a group matched, as offsets from the start of the whole match; -1/-1 when unset.
struct GroupSpan {
  std::ptrdiff_t First = -1, Last = -1;
};

class Resolver {
 public:
  // Null when the tree is one the resolver leaves to the engine (see above) or has no groups.
  static std::unique_ptr<const Resolver> For(const Syntax::Tree& tree, AtomBytes bytes);

  // The groups 1..GroupCount of the whole match [first, last) in `text`: spans[0] is group 1.
  // False (and `spans` unspecified) when the tree cannot match exactly [first, last) there,
  // which happens only when the caller's match came from rules other than these.
  bool Resolve(const TextContext& text, const char* first, const char* last,
               std::vector<GroupSpan>& spans) const;

  unsigned GroupCount() const { return Tree.GroupCount(); }

  Resolver(const Syntax::Tree& tree, AtomBytes bytes);

 private:
  friend class ResolverRun;
  Syntax::Tree Tree;
  AtomBytes Bytes;
  // Per node: the groups inside it (its own included) as [FirstGroup, EndGroup), by number.
  std::vector<std::uint32_t> FirstGroup, EndGroup;
};

}  // namespace Groups
}  // namespace GrepEngine
