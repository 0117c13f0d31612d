#include "LineEndSwap.h"

#include <bitset>
#include <optional>

#include "EngineBytes.h"

namespace GrepEngine {
namespace {

using Syntax::NodeKind;

constexpr unsigned Nul = 0;
constexpr unsigned LineFeed = '\n';

// A bracket of the bytes in `set`, each a member of its own, added to the tree.
std::uint32_t BracketOf(Syntax::Tree& tree, const std::bitset<256>& set) {
  Syntax::Bracket bracket;
  bracket.FirstItem = static_cast<std::uint32_t>(tree.Items.size());
  for (unsigned c = 0; c < 256; ++c) {
    if (!set.test(c)) continue;
    Syntax::BracketItem item;
    item.Kind = Syntax::ItemKind::Single;
    item.Low.Byte = static_cast<unsigned char>(c);
    tree.Items.push_back(item);
  }
  bracket.ItemCount = static_cast<std::uint32_t>(tree.Items.size()) - bracket.FirstItem;
  tree.Brackets.push_back(bracket);
  return static_cast<std::uint32_t>(tree.Brackets.size() - 1);
}

}  // namespace

bool SwapLineFeedAndNul(Syntax::Tree& tree, unsigned optionWord, const std::locale& locale) {
  const std::optional<Groups::AtomBytes> bytes = EngineBytes(tree, optionWord, locale);
  if (!bytes) return false;
  for (Syntax::NodeId id = 0; id < tree.Nodes.size(); ++id) {
    Syntax::Node& node = tree.Nodes[id];
    if (node.Kind == NodeKind::Literal) {
      if (node.Value == Nul)
        node.Value = LineFeed;
      else if (node.Value == LineFeed)
        node.Value = Nul;
      continue;
    }
    if (node.Kind != NodeKind::Bracket && node.Kind != NodeKind::ClassEscape) continue;
    std::bitset<256> set = bytes->Sets[bytes->SetOfNode[id]];
    if (set.test(Nul) == set.test(LineFeed)) continue;  // the exchange changes nothing here
    const bool nul = set.test(Nul);
    set.set(Nul, set.test(LineFeed));
    set.set(LineFeed, nul);
    // The members as bytes: a set the engine folded case on is closed under folding already.
    node.Kind = NodeKind::Bracket;
    node.Value = BracketOf(tree, set);
  }
  return true;
}

}  // namespace GrepEngine
