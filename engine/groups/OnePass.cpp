#include "groups/OnePass.h"

#include <algorithm>
#include <bitset>

namespace GrepEngine {
namespace Groups {

namespace {

using Syntax::NodeId;
using Syntax::NodeKind;
using Actions = std::vector<OnePass::Action>;

constexpr unsigned DeepestNesting = 100;         // the builder recurses along the tree
constexpr std::size_t MostFollowPairs = 100000;  // before duplicates are merged
constexpr std::uint32_t NoGroup = 0xFFFFFFFFu;

Actions Join(const Actions& before, const Actions& after) {
  Actions joined;
  joined.reserve(before.size() + after.size());
  joined.insert(joined.end(), before.begin(), before.end());
  joined.insert(joined.end(), after.begin(), after.end());
  return joined;
}

// A position and the actions between it and the edge of the fragment it belongs to.
struct Entry {
  std::uint32_t Position;
  Actions Taken;
};

// A subtree as a piece of the automaton: where it can be entered and left, and how it matches
// the empty text.
struct Fragment {
  std::vector<Entry> First, Last;
  bool Nullable = false;
  Actions Empty;  // when Nullable
  std::uint32_t FirstGroup = NoGroup, EndGroup = 0;

  void TakeGroups(const Fragment& inner) {
    FirstGroup = std::min(FirstGroup, inner.FirstGroup);
    EndGroup = std::max(EndGroup, inner.EndGroup);
  }
};

struct FollowPair {
  std::uint32_t From, To;
  Actions Taken;
};

}  // namespace

class OnePassBuilder {
 public:
  OnePassBuilder(const Syntax::Tree& tree, const AtomBytes& bytes) : In(tree), Bytes(bytes) {
    Into.resize(2);  // the dead state and the start
    Dot.resize(2, false);
  }

  std::unique_ptr<OnePass> Build() {
    Fragment root;
    if (!Of(In.Root, 0, root)) return nullptr;
    for (Entry& entry : root.First)
      Pairs.push_back({OnePass::StartState, entry.Position, std::move(entry.Taken)});
    auto pass = std::make_unique<OnePass>();
    pass->Groups = In.GroupCount();
    pass->States = static_cast<std::uint32_t>(Into.size());
    if (!Steps(*pass)) return nullptr;
    pass->AcceptAt.assign(pass->States, -1);
    for (const Entry& entry : root.Last) {
      if (pass->AcceptAt[entry.Position] >= 0) return nullptr;  // two ways to end there
      pass->AcceptAt[entry.Position] = Range(*pass, entry.Taken);
    }
    if (root.Nullable) pass->EmptyAccept = Range(*pass, root.Empty);
    return pass;
  }

 private:
  // The table from the follow pairs: each pair once, its actions the same however it arose,
  // and the bytes leaving each state leading to one state each.
  bool Steps(OnePass& pass) {
    std::stable_sort(Pairs.begin(), Pairs.end(), [](const FollowPair& a, const FollowPair& b) {
      return a.From != b.From ? a.From < b.From : a.To < b.To;
    });
    ClassesOf(pass);
    pass.Table.assign(static_cast<std::size_t>(pass.States) << pass.RowShift, 0);
    std::bitset<256> taken;
    for (std::size_t i = 0; i < Pairs.size(); ++i) {
      const FollowPair& pair = Pairs[i];
      if (i > 0 && Pairs[i - 1].From == pair.From && Pairs[i - 1].To == pair.To) {
        if (!(Pairs[i - 1].Taken == pair.Taken)) return false;
        continue;
      }
      if (i == 0 || Pairs[i - 1].From != pair.From) taken.reset();
      const std::bitset<256>& bytes = Into[pair.To];
      if ((taken & bytes).any()) return false;
      taken |= bytes;
      std::uint32_t entry = pair.To | (Dot[pair.To] ? OnePass::DotStep : 0u);
      if (!pair.Taken.empty()) {
        const std::int32_t range = Range(pass, pair.Taken);
        if (static_cast<std::uint32_t>(range) >= (1u << (32 - OnePass::ActionShift))) return false;
        entry |= OnePass::ActionStep | (static_cast<std::uint32_t>(range) << OnePass::ActionShift);
      }
      std::uint32_t* row =
          pass.Table.data() + (static_cast<std::size_t>(pair.From) << pass.RowShift);
      for (unsigned c = 0; c < 256; ++c)
        if (bytes[c]) row[pass.ClassOf[c]] = entry;
    }
    return true;
  }

  // Bytes that every state's bytes take alike share a column of the table.
  void ClassesOf(OnePass& pass) const {
    unsigned count = 1;
    pass.ClassOf.fill(0);
    std::vector<int> split;
    std::vector<unsigned char> inside, outside;
    for (std::size_t state = 2; state < Into.size(); ++state) {
      const std::bitset<256>& bytes = Into[state];
      split.assign(count, -1);
      inside.assign(count, 0);
      outside.assign(count, 0);
      for (unsigned c = 0; c < 256; ++c) (bytes[c] ? inside : outside)[pass.ClassOf[c]] = 1;
      for (unsigned c = 0; c < 256; ++c) {
        const unsigned old = pass.ClassOf[c];
        if (!bytes[c] || !outside[old]) continue;
        if (split[old] < 0) split[old] = static_cast<int>(count++);
        pass.ClassOf[c] = static_cast<std::uint8_t>(split[old]);
      }
    }
    while ((1u << pass.RowShift) < count) ++pass.RowShift;
  }

  static std::int32_t Range(OnePass& pass, const Actions& taken) {
    OnePass::ActionRange range;
    range.First = static_cast<std::uint32_t>(pass.Actions.size());
    range.Count = static_cast<std::uint32_t>(taken.size());
    pass.Actions.insert(pass.Actions.end(), taken.begin(), taken.end());
    pass.StepActions.push_back(range);
    return static_cast<std::int32_t>(pass.StepActions.size() - 1);
  }

  bool Atom(const std::bitset<256>& bytes, bool dot, Fragment& out) {
    if (Into.size() >= OnePass::MostPositions + 2) return false;
    const auto position = static_cast<std::uint32_t>(Into.size());
    Into.push_back(bytes);
    Dot.push_back(dot);
    out.First.push_back({position, {}});
    out.Last.push_back({position, {}});
    return true;
  }

  // Every way from the end of `from` to the start of `to`, with `between` in the middle.
  bool Link(const std::vector<Entry>& from, const std::vector<Entry>& to, const Actions& between) {
    if (Pairs.size() + from.size() * to.size() > MostFollowPairs) return false;
    for (const Entry& p : from)
      for (const Entry& q : to)
        Pairs.push_back({p.Position, q.Position, Join(Join(p.Taken, between), q.Taken)});
    return true;
  }

  bool Of(NodeId id, unsigned depth, Fragment& out) {
    if (depth > DeepestNesting) return false;
    const Syntax::Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
        out.Nullable = true;
        return true;
      case NodeKind::Literal:
      case NodeKind::Bracket:
      case NodeKind::ClassEscape: {
        const std::uint32_t set = Bytes.SetOfNode[id];
        if (set >= Bytes.Sets.size()) return false;
        return Atom(Bytes.Sets[set], false, out);
      }
      case NodeKind::AnyByte: {
        // Deterministic with every byte is deterministic with the fewer the match word leaves.
        return Atom(Syntax::DotBytes(node), true, out);
      }
      case NodeKind::Assertion:
        // A test where the path crosses it; the bytes around decide it, not the parse.
        out.Nullable = true;
        out.Empty.push_back({OnePass::Action::Test, static_cast<std::uint16_t>(node.Value), 0});
        return true;
      case NodeKind::BackReference:
        return false;
      case NodeKind::Group:
        return GroupOf(id, depth, out);
      case NodeKind::Concat:
        return ConcatOf(id, depth, out);
      case NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          Fragment choice;
          if (!Of(In.Child(id, i), depth + 1, choice)) return false;
          if (choice.Nullable) {
            // Two empty parses that set different groups: POSIX would have to choose.
            if (out.Nullable && !(out.Empty == choice.Empty)) return false;
            out.Nullable = true;
            out.Empty = choice.Empty;
          }
          for (Entry& e : choice.First) out.First.push_back(std::move(e));
          for (Entry& e : choice.Last) out.Last.push_back(std::move(e));
          out.TakeGroups(choice);
        }
        return true;
      case NodeKind::Repeat:
        return RepeatOf(id, depth, out);
    }
    return false;
  }

  bool GroupOf(NodeId id, unsigned depth, Fragment& out) {
    const std::uint32_t group = In[id].Value;
    if (group == 0) return Of(In.Child(id, 0), depth + 1, out);  // it only groups
    if (group > OnePass::MostGroups) return false;
    if (!Of(In.Child(id, 0), depth + 1, out)) return false;
    const auto number = static_cast<std::uint16_t>(group);
    const OnePass::Action open{OnePass::Action::Open, number, 0};
    const OnePass::Action close{OnePass::Action::Close, number, 0};
    for (Entry& e : out.First) e.Taken.insert(e.Taken.begin(), open);
    for (Entry& e : out.Last) e.Taken.push_back(close);
    if (out.Nullable) {
      out.Empty.insert(out.Empty.begin(), open);
      out.Empty.push_back(close);
    }
    out.FirstGroup = std::min(out.FirstGroup, group);
    out.EndGroup = std::max(out.EndGroup, group + 1);
    return true;
  }

  bool ConcatOf(NodeId id, unsigned depth, Fragment& out) {
    const Syntax::Node& node = In[id];
    if (!Of(In.Child(id, 0), depth + 1, out)) return false;
    for (std::uint32_t i = 1; i < node.ChildCount; ++i) {
      Fragment next;
      if (!Of(In.Child(id, i), depth + 1, next)) return false;
      if (!Link(out.Last, next.First, {})) return false;
      if (out.Nullable)
        for (const Entry& q : next.First)
          out.First.push_back({q.Position, Join(out.Empty, q.Taken)});
      std::vector<Entry> last = std::move(next.Last);
      if (next.Nullable)
        for (const Entry& p : out.Last) last.push_back({p.Position, Join(p.Taken, next.Empty)});
      out.Last = std::move(last);
      out.Nullable = out.Nullable && next.Nullable;
      out.Empty = out.Nullable ? Join(out.Empty, next.Empty) : Actions();
      out.TakeGroups(next);
    }
    return true;
  }

  // Counted repeats are copied out; an unbounded one's last copy loops. Each iteration after
  // the first unsets the groups of the one before.
  bool RepeatOf(NodeId id, unsigned depth, Fragment& out) {
    const Syntax::Node& node = In[id];
    out.Nullable = node.Min == 0;
    if (node.Max == 0) return true;
    const std::uint32_t copies = node.Max == Syntax::Unbounded ? std::max(node.Min, 1u) : node.Max;
    if (copies > OnePass::MostPositions) return false;
    Fragment previous;
    Actions unset;
    for (std::uint32_t k = 0; k < copies; ++k) {
      Fragment copy;
      if (!Of(In.Child(id, 0), depth + 1, copy)) return false;
      // An empty iteration would be a second parse of the same text.
      if (copy.Nullable) return false;
      if (k == 0) {
        if (copy.FirstGroup < copy.EndGroup)
          unset.push_back({OnePass::Action::Unset, static_cast<std::uint16_t>(copy.FirstGroup),
                           static_cast<std::uint16_t>(copy.EndGroup)});
        out.First = copy.First;
        out.TakeGroups(copy);
      } else if (!Link(previous.Last, copy.First, unset)) {
        return false;
      }
      if (k + 1 >= node.Min) out.Last.insert(out.Last.end(), copy.Last.begin(), copy.Last.end());
      previous = std::move(copy);
    }
    if (node.Max == Syntax::Unbounded && !Link(previous.Last, previous.First, unset)) return false;
    return true;
  }

  const Syntax::Tree& In;
  const AtomBytes& Bytes;
  std::vector<std::bitset<256>> Into;  // per state: the bytes that lead into it
  std::vector<bool> Dot;               // per state: '.', whose bytes the match word narrows
  std::vector<FollowPair> Pairs;
};

std::unique_ptr<const OnePass> OnePass::For(const Syntax::Tree& tree, const AtomBytes& bytes) {
  if (tree.Failed() || tree.Root == Syntax::NoNode || tree.HasBackReferences) return nullptr;
  if (tree.GroupCount() > MostGroups || bytes.SetOfNode.size() != tree.Nodes.size()) return nullptr;
  OnePassBuilder builder(tree, bytes);
  auto pass = builder.Build();
  if (!pass) return pass;
  pass->WordBytes = bytes.Word;
  pass->Utf8Word = tree.Utf8Word;
  pass->Tested.assign(pass->StepActions.size(), false);
  for (std::size_t i = 0; i < pass->StepActions.size(); ++i) {
    const ActionRange& range = pass->StepActions[i];
    for (std::uint32_t a = range.First; a < range.First + range.Count; ++a)
      if (pass->Actions[a].What == Action::Test) pass->Tested[i] = true;
  }
  return pass;
}

bool OnePass::Take(const ActionRange& range, const ContextTests& tests, const char* first,
                   const char* at, GroupSpan* spans) const {
  const Action* action = Actions.data() + range.First;
  const std::ptrdiff_t offset = at - first;
  for (std::uint32_t i = 0; i < range.Count; ++i, ++action) {
    switch (action->What) {
      case Action::Open:
        spans[action->Group - 1].First = offset;
        break;
      case Action::Close:
        spans[action->Group - 1].Last = offset;
        break;
      case Action::Unset:
        for (unsigned g = action->Group; g < action->EndGroup; ++g) spans[g - 1] = GroupSpan();
        break;
      case Action::Test:
        if (!tests.Holds(static_cast<Syntax::Assertion>(action->Group), at)) return false;
        break;
    }
  }
  return true;
}

bool OnePass::Follow(const TextContext& text, const char* first, const char* last,
                     GroupSpan* spans) const {
  for (unsigned g = 0; g < Groups; ++g) spans[g] = GroupSpan();
  const ContextTests tests(text, WordBytes, Utf8Word.get());
  if (first == last) {
    return EmptyAccept >= 0 &&
           Take(StepActions[static_cast<std::size_t>(EmptyAccept)], tests, first, first, spans);
  }
  const std::uint32_t* table = Table.data();
  const std::uint8_t* classOf = ClassOf.data();
  const unsigned shift = RowShift;
  std::uint32_t state = StartState;
  for (const char* at = first; at != last; ++at) {
    const std::uint32_t entry = table[(state << shift) | classOf[static_cast<unsigned char>(*at)]];
    if (entry & (DotStep | ActionStep)) {
      if ((entry & DotStep) && !tests.DotTakes(at)) return false;
      if ((entry & ActionStep) && !Take(StepActions[entry >> ActionShift], tests, first, at, spans))
        return false;
    }
    state = entry & StateMask;
  }
  const std::int32_t accept = AcceptAt[state];
  return accept >= 0 &&
         Take(StepActions[static_cast<std::size_t>(accept)], tests, first, last, spans);
}

bool OnePass::TestsHold(std::size_t range, const ContextTests& tests, const char* at) const {
  if (!Tested[range]) return true;
  const ActionRange& actions = StepActions[range];
  for (std::uint32_t a = actions.First; a < actions.First + actions.Count; ++a) {
    const Action& action = Actions[a];
    if (action.What == Action::Test &&
        !tests.Holds(static_cast<Syntax::Assertion>(action.Group), at))
      return false;
  }
  return true;
}

const char* OnePass::Longest(const TextContext& text, const char* first, const char* last) const {
  // Only the actions' tests count here: the groups are worked out when read.
  const ContextTests tests(text, WordBytes, Utf8Word.get());
  const char* longest = nullptr;
  if (EmptyAccept >= 0 && TestsHold(static_cast<std::size_t>(EmptyAccept), tests, first))
    longest = first;
  const std::uint32_t* table = Table.data();
  const std::uint8_t* classOf = ClassOf.data();
  const unsigned shift = RowShift;
  std::uint32_t state = StartState;
  for (const char* at = first; at != last; ++at) {
    const std::uint32_t entry = table[(state << shift) | classOf[static_cast<unsigned char>(*at)]];
    state = entry & StateMask;
    if (state == DeadState) break;
    if (entry & (DotStep | ActionStep)) {
      if ((entry & DotStep) && !tests.DotTakes(at)) break;
      if ((entry & ActionStep) && !TestsHold(entry >> ActionShift, tests, at)) break;
    }
    const std::int32_t accept = AcceptAt[state];
    if (accept >= 0 && TestsHold(static_cast<std::size_t>(accept), tests, at + 1)) longest = at + 1;
  }
  return longest;
}

}  // namespace Groups
}  // namespace GrepEngine
