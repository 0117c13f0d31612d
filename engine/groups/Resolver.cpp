#include "groups/Resolver.h"

#include <algorithm>

#include "groups/PositionSet.h"

namespace GrepEngine {
namespace Groups {

namespace {

using Syntax::NodeId;
using Syntax::NodeKind;

constexpr std::uint32_t LargestCount = 255;  // POSIX's own limit for a repeat's bounds
constexpr std::size_t DeepestNesting = 200;  // the resolver recurses along the tree

enum class Direction { Forward, Backward };

// Collects, per node, the range of group numbers inside it, and checks the limits.
class Survey {
 public:
  Survey(const Syntax::Tree& tree, std::vector<std::uint32_t>& first,
         std::vector<std::uint32_t>& end)
      : In(tree), First(first), End(end) {
    First.assign(tree.Nodes.size(), 0xFFFFFFFFu);
    End.assign(tree.Nodes.size(), 0);
  }

  void Enter(NodeId id) {
    ++Depth;
    Deepest = std::max(Deepest, Depth);
    const Syntax::Node& node = In[id];
    if (node.Kind == NodeKind::Repeat &&
        (node.Min > LargestCount || (node.Max != Syntax::Unbounded && node.Max > LargestCount)))
      TooLarge = true;
  }
  void Child(NodeId, std::uint32_t) {}
  void Leave(NodeId id) {
    --Depth;
    const Syntax::Node& node = In[id];
    if (node.Kind == NodeKind::Group && node.Value != 0) {
      First[id] = std::min(First[id], node.Value);
      End[id] = std::max(End[id], node.Value + 1);
    }
    for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
      const NodeId child = In.Child(id, i);
      First[id] = std::min(First[id], First[child]);
      End[id] = std::max(End[id], End[child]);
    }
  }

  std::size_t Deepest = 0;
  bool TooLarge = false;

 private:
  const Syntax::Tree& In;
  std::vector<std::uint32_t>& First;
  std::vector<std::uint32_t>& End;
  std::size_t Depth = 0;
};

}  // namespace

// One resolution: positions are offsets from the match's first byte, 0..Length.
class ResolverRun {
 public:
  ResolverRun(const Resolver& resolver, const TextContext& text, const char* first,
              const char* last, std::vector<GroupSpan>& spans)
      : Owner(resolver),
        In(resolver.Tree),
        Tests(text, resolver.Bytes.Word, resolver.Tree.Utf8Word.get()),
        First(first),
        Length(static_cast<std::size_t>(last - first)),
        Spans(spans) {}

  bool Run() {
    Spans.assign(In.GroupCount(), GroupSpan());
    // Concatenations, alternations and repeats check every extent they choose; a root that is
    // none of these (behind its groups) is checked here.
    NodeId top = In.Root;
    while (In[top].Kind == NodeKind::Group) top = In.Child(top, 0);
    const NodeKind kind = In[top].Kind;
    if (kind != NodeKind::Concat && kind != NodeKind::Alternation && kind != NodeKind::Repeat &&
        !Reach(top, PositionSet::Of(0), Direction::Forward).Has(Length))
      return false;
    Settle(In.Root, 0, Length);
    return !Failed;
  }

 private:
  // Where `node` can end when it starts at any of `from` (Backward: where it can start when it
  // ends at any of `from`).
  PositionSet Reach(NodeId id, const PositionSet& from, Direction direction) {
    if (from.Empty()) return from;
    const Syntax::Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
      case NodeKind::BackReference:  // never here: such trees have no resolver
        return from;
      case NodeKind::Literal:
      case NodeKind::AnyByte:
      case NodeKind::Bracket:
      case NodeKind::ClassEscape:
        return Step(id, from, direction);
      case NodeKind::Assertion: {
        PositionSet kept;
        from.ForEach([&](std::size_t p) {
          if (Tests.Holds(static_cast<Syntax::Assertion>(node.Value), First + p)) kept.Add(p);
        });
        return kept;
      }
      case NodeKind::Group:
        return Reach(In.Child(id, 0), from, direction);
      case NodeKind::Repeat:
        return ReachRepeat(In.Child(id, 0), node.Min, node.Max, from, direction);
      case NodeKind::Concat: {
        PositionSet at = from;
        for (std::uint32_t i = 0; i < node.ChildCount && !at.Empty(); ++i) {
          const std::uint32_t index = direction == Direction::Forward ? i : node.ChildCount - 1 - i;
          at = Reach(In.Child(id, index), at, direction);
        }
        return at;
      }
      case NodeKind::Alternation: {
        PositionSet all;
        for (std::uint32_t i = 0; i < node.ChildCount; ++i)
          all.Unite(Reach(In.Child(id, i), from, direction));
        return all;
      }
    }
    return PositionSet();
  }

  // `min` to `max` iterations of `body`. Empty iterations never change what is reachable, so
  // the rule against them does not enter here.
  PositionSet ReachRepeat(NodeId body, std::uint32_t min, std::uint32_t max, PositionSet from,
                          Direction direction) {
    for (std::uint32_t k = 0; k < min && !from.Empty(); ++k) from = Reach(body, from, direction);
    PositionSet all = from;
    PositionSet frontier = std::move(from);
    for (std::uint32_t k = min; k != max && !frontier.Empty(); ++k) {
      PositionSet next = Reach(body, frontier, direction);
      PositionSet fresh = next;
      fresh.Remove(all);
      // Once a count adds nothing new, no later count can (each is a step from an earlier one).
      if (fresh.Empty()) break;
      all.Unite(fresh);
      // Without an upper bound the count no longer matters: only new positions need a step.
      frontier = max == Syntax::Unbounded ? std::move(fresh) : std::move(next);
    }
    return all;
  }

  PositionSet Step(NodeId atom, const PositionSet& from, Direction direction) {
    PositionSet to;
    if (direction == Direction::Forward) {
      from.ForEach([&](std::size_t p) {
        if (p < Length && Takes(atom, First + p)) to.Add(p + 1);
      });
    } else {
      from.ForEach([&](std::size_t p) {
        if (p > 0 && Takes(atom, First + p - 1)) to.Add(p - 1);
      });
    }
    return to;
  }

  bool Takes(NodeId atom, const char* at) const {
    if (In[atom].Kind == NodeKind::AnyByte)
      return Tests.DotTakes(at) &&
             (In[atom].Value != Syntax::AsciiDot || static_cast<unsigned char>(*at) < 0x80);
    return Owner.Bytes.Sets[Owner.Bytes.SetOfNode[atom]][static_cast<unsigned char>(*at)];
  }

  // Chooses the parse of `node` over [from, to), which it is known to match, and records its
  // groups.
  void Settle(NodeId id, std::size_t from, std::size_t to) {
    // Inside a node without groups the choice of parse shows nowhere.
    if (Failed || Owner.FirstGroup[id] >= Owner.EndGroup[id]) return;
    const Syntax::Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Group:
        if (node.Value != 0)
          Spans[node.Value - 1] =
              GroupSpan{static_cast<std::ptrdiff_t>(from), static_cast<std::ptrdiff_t>(to)};
        Settle(In.Child(id, 0), from, to);
        return;
      case NodeKind::Concat:
        SettleConcat(id, from, to);
        return;
      case NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          const NodeId choice = In.Child(id, i);
          if (Reach(choice, PositionSet::Of(from), Direction::Forward).Has(to)) {
            Settle(choice, from, to);
            return;
          }
        }
        Failed = true;
        return;
      case NodeKind::Repeat:
        SettleRepeat(id, from, to);
        return;
      default:
        return;  // no groups below
    }
  }

  void SettleConcat(NodeId id, std::size_t from, std::size_t to) {
    const Syntax::Node& node = In[id];
    // completes[i]: where children i.. can start and still end at `to`.
    std::vector<PositionSet> completes(node.ChildCount);
    PositionSet at = PositionSet::Of(to);
    for (std::uint32_t i = node.ChildCount; i-- > 1;) {
      at = Reach(In.Child(id, i), at, Direction::Backward);
      completes[i] = at;
    }
    std::size_t start = from;
    for (std::uint32_t i = 0; i + 1 < node.ChildCount; ++i) {
      const NodeId child = In.Child(id, i);
      PositionSet ends = Reach(child, PositionSet::Of(start), Direction::Forward);
      ends.Intersect(completes[i + 1]);
      const std::size_t end = ends.Highest();
      if (end == PositionSet::None || end > to) {
        Failed = true;
        return;
      }
      Settle(child, start, end);
      start = end;
    }
    Settle(In.Child(id, node.ChildCount - 1), start, to);
  }

  void SettleRepeat(NodeId id, std::size_t from, std::size_t to) {
    const Syntax::Node& node = In[id];
    const NodeId body = In.Child(id, 0);
    Unset(body);
    if (node.Max == 0) return;
    if (from == to) {
      // An empty repeat: its minimum of empty iterations, or one if its body can be empty.
      const bool bodyEmpty = Reach(body, PositionSet::Of(from), Direction::Forward).Has(from);
      if (bodyEmpty) Settle(body, from, from);
      if (!bodyEmpty && node.Min > 0) Failed = true;
      return;
    }
    PositionSet anyCount;  // where any further iterations can start and end at `to`
    bool haveAnyCount = false;
    std::size_t start = from, lastStart = from;
    std::uint32_t done = 0;
    while (start < to) {
      const std::uint32_t least = done + 1 < node.Min ? node.Min - done - 1 : 0;
      const std::uint32_t most = node.Max == Syntax::Unbounded ? node.Max : node.Max - done - 1;
      PositionSet counted;
      const PositionSet* completes = &counted;
      if (least == 0 && most == Syntax::Unbounded) {
        if (!haveAnyCount) {
          anyCount = ReachRepeat(body, 0, most, PositionSet::Of(to), Direction::Backward);
          haveAnyCount = true;
        }
        completes = &anyCount;
      } else {
        counted = ReachRepeat(body, least, most, PositionSet::Of(to), Direction::Backward);
      }
      PositionSet ends = Reach(body, PositionSet::Of(start), Direction::Forward);
      ends.Intersect(*completes);
      if (done >= node.Min)
        ends.Remove(PositionSet::Of(start));  // no empty iteration beyond the minimum
      const std::size_t end = ends.Highest();
      if (end == PositionSet::None || end > to) {
        Failed = true;
        return;
      }
      lastStart = start;
      start = end;
      ++done;
    }
    // Only the last iteration's groups are reported, so only its parse is chosen. The rest of
    // a minimum not reached is empty iterations at the end.
    if (done < node.Min) lastStart = to;
    Settle(body, lastStart, to);
  }

  void Unset(NodeId id) {
    for (std::uint32_t g = Owner.FirstGroup[id]; g < Owner.EndGroup[id]; ++g)
      Spans[g - 1] = GroupSpan();
  }

  const Resolver& Owner;
  const Syntax::Tree& In;
  ContextTests Tests;
  const char* First;
  std::size_t Length;
  std::vector<GroupSpan>& Spans;
  bool Failed = false;
};

Resolver::Resolver(const Syntax::Tree& tree, AtomBytes bytes)
    : Tree(tree), Bytes(std::move(bytes)) {}

std::unique_ptr<const Resolver> Resolver::For(const Syntax::Tree& tree, AtomBytes bytes) {
  if (tree.Failed() || tree.Root == Syntax::NoNode || tree.GroupCount() == 0 ||
      tree.HasBackReferences)
    return nullptr;
  if (bytes.SetOfNode.size() != tree.Nodes.size()) return nullptr;
  for (NodeId id = 0; id < tree.Nodes.size(); ++id) {
    const NodeKind kind = tree[id].Kind;
    const bool consumes =
        kind == NodeKind::Literal || kind == NodeKind::Bracket || kind == NodeKind::ClassEscape;
    if (consumes && bytes.SetOfNode[id] >= bytes.Sets.size()) return nullptr;
  }
  auto resolver = std::make_unique<Resolver>(tree, std::move(bytes));
  Survey survey(resolver->Tree, resolver->FirstGroup, resolver->EndGroup);
  Syntax::Walk(resolver->Tree, resolver->Tree.Root, survey);
  if (survey.TooLarge || survey.Deepest > DeepestNesting) return nullptr;
  return resolver;
}

bool Resolver::Resolve(const TextContext& text, const char* first, const char* last,
                       std::vector<GroupSpan>& spans) const {
  ResolverRun run(*this, text, first, last, spans);
  return run.Run();
}

}  // namespace Groups
}  // namespace GrepEngine
