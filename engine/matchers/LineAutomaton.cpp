#include "LineAutomaton.h"

#include <algorithm>
#include <map>
#include <string>

#include "DfaBuilder.h"

namespace GrepEngine {
namespace {

using Syntax::Assertion;
using Syntax::NodeId;
using Syntax::NodeKind;

// Bounds that keep the automaton and its construction small: states written out, and the
// nesting the construction recurses through.
constexpr std::size_t MostStates = 20000;
constexpr unsigned MostDepth = 400;

class Builder {
 public:
  Builder(const Syntax::Tree& tree, const Syntax::AtomBytes& bytesOf, LineAutomaton& out)
      : In(tree), BytesOf(bytesOf), Out(out) {}

  bool Ok = true;

  // The state that matches `node` and goes on to `next`.
  std::uint32_t Build(NodeId id, std::uint32_t next, unsigned depth) {
    if (!Ok) return next;
    if (depth > MostDepth || Out.States.size() > MostStates) return Fail(next);
    const Syntax::Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
        return next;
      case NodeKind::Literal:
      case NodeKind::AnyByte:
      case NodeKind::Bracket:
      case NodeKind::ClassEscape:
        return Atom(id, next);
      case NodeKind::Assertion:
        return Place(static_cast<Assertion>(node.Value), next);
      case NodeKind::BackReference:
        return Fail(next);
      case NodeKind::Group:
        return Build(In.Child(id, 0), next, depth + 1);
      case NodeKind::Concat:
        for (std::uint32_t i = node.ChildCount; i-- > 0;)
          next = Build(In.Child(id, i), next, depth + 1);
        return next;
      case NodeKind::Alternation: {
        std::uint32_t entry = Build(In.Child(id, node.ChildCount - 1), next, depth + 1);
        for (std::uint32_t i = node.ChildCount - 1; i-- > 0;)
          entry = Split(Build(In.Child(id, i), next, depth + 1), entry);
        return entry;
      }
      case NodeKind::Repeat:
        return Repeat(In.Child(id, 0), node.Min, node.Max, next, depth + 1);
    }
    return Fail(next);
  }

 private:
  std::uint32_t Fail(std::uint32_t next) {
    Ok = false;
    return next;
  }

  std::uint32_t Add(const LineState& state) {
    Out.States.push_back(state);
    return static_cast<std::uint32_t>(Out.States.size() - 1);
  }

  std::uint32_t Split(std::uint32_t first, std::uint32_t second) {
    LineState split;
    split.Step = LineStep::Split;
    split.Next = first;
    split.Other = second;
    return Add(split);
  }

  std::uint32_t Atom(NodeId id, std::uint32_t next) {
    std::bitset<256> bytes;
    if (!BytesOf(id, bytes)) return Fail(next);
    const std::string key = bytes.to_string();
    auto known = SetOfKey.find(key);
    if (known == SetOfKey.end()) {
      known = SetOfKey.emplace(key, static_cast<std::uint32_t>(Out.Sets.size())).first;
      Out.Sets.push_back(bytes);
    }
    LineState state;
    state.Step = LineStep::Byte;
    state.Set = known->second;
    state.Next = next;
    return Add(state);
  }

  std::uint32_t Place(Assertion kind, std::uint32_t next) {
    switch (kind) {
      case Assertion::LineStart:
      case Assertion::LineEnd:
        break;
      case Assertion::WordBoundary:
      case Assertion::WordStart:
      case Assertion::WordEnd:
        if (In.Utf8()) return Fail(next);  // its word test looks at one byte
        Out.WordEdges = true;
        break;
      default:  // \B fails at the text's ends in the engine; \` and \' are the text's own
        return Fail(next);
    }
    LineState state;
    state.Step = LineStep::Assert;
    state.Place = kind;
    state.Next = next;
    return Add(state);
  }

  // Min copies, then up to Max - Min optional ones (or a loop when unbounded), each copy
  // built anew.
  std::uint32_t Repeat(NodeId child, std::uint32_t min, std::uint32_t max, std::uint32_t next,
                       unsigned depth) {
    std::uint32_t tail = next;
    if (max == Syntax::Unbounded) {
      LineState loop;
      loop.Step = LineStep::Split;
      const std::uint32_t id = Add(loop);
      const std::uint32_t body = Build(child, id, depth);
      Out.States[id].Next = body;
      Out.States[id].Other = next;
      tail = id;
    } else {
      for (std::uint32_t i = min; i < max && Ok; ++i) tail = Split(Build(child, tail, depth), next);
    }
    for (std::uint32_t i = 0; i < min && Ok; ++i) tail = Build(child, tail, depth);
    return tail;
  }

  const Syntax::Tree& In;
  const Syntax::AtomBytes& BytesOf;
  LineAutomaton& Out;
  std::map<std::string, std::uint32_t> SetOfKey;
};

}  // namespace

std::shared_ptr<const LineAutomaton> LineAutomaton::Build(const Syntax::Tree& tree,
                                                          unsigned optionWord,
                                                          const std::locale& locale,
                                                          unsigned matchWord) {
  if (tree.Failed() || tree.Root == Syntax::NoNode || tree.HasBackReferences) return nullptr;
  AtomProbe probe = DfaAtomProbe(optionWord, locale, matchWord);
  const Syntax::AtomBytes bytesOf = DfaAtomBytes(tree, optionWord, matchWord, probe);
  auto automaton = std::make_shared<LineAutomaton>();
  LineState accept;
  accept.Step = LineStep::Accept;
  automaton->States.push_back(accept);
  Builder builder(tree, bytesOf, *automaton);
  automaton->Start = builder.Build(tree.Root, 0, 0);
  if (!builder.Ok) return nullptr;
  if (automaton->WordEdges && !probe.Ask("\\w", automaton->Word)) return nullptr;
  return automaton;
}

std::shared_ptr<const LineAutomaton> LineAutomaton::Reversed() const {
  // State x of this automaton becomes a hub, also numbered x, that fans out (through a chain
  // of splits) to one state per step into x turned round: a byte step from u becomes a byte
  // step to hub u, a split or an assertion at u a step (asserting the same) to hub u, and the
  // start the reversed automaton's accept.
  const auto count = static_cast<std::uint32_t>(States.size());
  auto reversed = std::make_shared<LineAutomaton>();
  LineAutomaton& out = *reversed;
  out.States.resize(count);
  out.Sets = Sets;
  out.Word = Word;
  out.WordEdges = WordEdges;
  std::vector<std::vector<std::uint32_t>> into(count);
  const auto add = [&out](const LineState& state) {
    out.States.push_back(state);
    return static_cast<std::uint32_t>(out.States.size() - 1);
  };
  for (std::uint32_t id = 0; id < count; ++id) {
    const LineState& step = States[id];
    LineState turned;
    switch (step.Step) {
      case LineStep::Byte:
        turned.Step = LineStep::Byte;
        turned.Set = step.Set;
        turned.Next = id;
        into[step.Next].push_back(add(turned));
        out.AfterBytes.push_back(step.Next);
        break;
      case LineStep::Split:
        into[step.Next].push_back(id);
        into[step.Other].push_back(id);
        break;
      case LineStep::Assert:
        turned.Step = LineStep::Assert;
        turned.Place = step.Place;
        turned.Next = id;
        into[step.Next].push_back(add(turned));
        break;
      case LineStep::Accept:
        break;
    }
  }
  LineState accept;
  accept.Step = LineStep::Accept;
  into[Start].push_back(add(accept));
  const auto noBytes = static_cast<std::uint32_t>(out.Sets.size());
  out.Sets.emplace_back();
  for (std::uint32_t id = 0; id < count; ++id) {
    const std::vector<std::uint32_t>& steps = into[id];
    if (steps.empty()) {  // nothing leads here: a byte step that takes no byte
      out.States[id].Step = LineStep::Byte;
      out.States[id].Set = noBytes;
      out.States[id].Next = id;
      continue;
    }
    std::uint32_t rest = steps.back();
    for (std::size_t i = steps.size() - 1; i-- > 1;) {
      LineState split;
      split.Step = LineStep::Split;
      split.Next = steps[i];
      split.Other = rest;
      rest = add(split);
    }
    out.States[id].Step = LineStep::Split;
    out.States[id].Next = steps.front();
    out.States[id].Other = rest;
  }
  out.Start = 0;  // the hub of the accept
  std::sort(out.AfterBytes.begin(), out.AfterBytes.end());
  out.AfterBytes.erase(std::unique(out.AfterBytes.begin(), out.AfterBytes.end()),
                       out.AfterBytes.end());
  return reversed;
}

}  // namespace GrepEngine
