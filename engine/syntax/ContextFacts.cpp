#include "syntax/ContextFacts.h"

#include <vector>

namespace GrepEngine {
namespace Syntax {

bool IndependentOfContext(const Tree& tree) {
  if (tree.Failed() || tree.HasBackReferences) return false;
  for (const Node& node : tree.Nodes)
    if (node.Kind == NodeKind::Assertion || node.Kind == NodeKind::BackReference) return false;
  return true;
}

namespace {

// Each node's answer is known once its children are left.
struct EmptyMatches {
  const Tree& Of;
  std::vector<char> Nullable;

  void Enter(NodeId) {}
  void Child(NodeId, std::uint32_t) {}
  void Leave(NodeId id) {
    const Node& node = Of[id];
    bool nullable = false;
    switch (node.Kind) {
      case NodeKind::Empty:
      case NodeKind::Assertion:
        nullable = true;
        break;
      case NodeKind::Literal:
      case NodeKind::AnyByte:
      case NodeKind::Bracket:
      case NodeKind::ClassEscape:
        nullable = false;
        break;
      case NodeKind::BackReference:
        nullable = true;  // the group it repeats may have matched the empty text
        break;
      case NodeKind::Group:
        nullable = Nullable[Of.Child(id, 0)] != 0;
        break;
      case NodeKind::Repeat:
        nullable = node.Min == 0 || Nullable[Of.Child(id, 0)] != 0;
        break;
      case NodeKind::Concat:
        nullable = true;
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) nullable = nullable && Nullable[Of.Child(id, i)] != 0;
        break;
      case NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) nullable = nullable || Nullable[Of.Child(id, i)] != 0;
        break;
    }
    Nullable[id] = nullable ? 1 : 0;
  }
};

}  // namespace

bool CanMatchEmpty(const Tree& tree) {
  if (tree.Failed() || tree.Root == NoNode) return false;
  EmptyMatches facts{tree, std::vector<char>(tree.Nodes.size(), 0)};
  Walk(tree, tree.Root, facts);
  return facts.Nullable[tree.Root] != 0;
}

}  // namespace Syntax
}  // namespace GrepEngine
