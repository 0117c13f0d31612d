#include "syntax/Re2Text.h"

#include <optional>

#include "syntax/ByteEscape.h"
#include "syntax/RepeatOperator.h"

namespace GrepEngine {
namespace Syntax {
namespace {

bool IsAtom(NodeKind kind) {
  return kind == NodeKind::Literal || kind == NodeKind::AnyByte || kind == NodeKind::Bracket ||
         kind == NodeKind::ClassEscape;
}

class Edges;

class Writer {
 public:
  Writer(const Tree& tree, const AtomBytes& bytesOf, const Edges* edges, std::string& out)
      : In(tree), BytesOf(bytesOf), EdgesOf(edges), Out(out) {}

  bool Ok = true;

  void Enter(NodeId id) {
    const Node& node = In[id];
    if (IsAtom(node.Kind)) {
      ByteSet bytes;
      if (!BytesOf(id, bytes)) Ok = false;
      Out += Re2Class(bytes);
      return;
    }
    switch (node.Kind) {
      case NodeKind::Empty:
        Out += "(?:)";
        break;
      case NodeKind::Assertion:
        WriteAssertion(id, static_cast<Assertion>(node.Value));
        break;
      case NodeKind::BackReference:
        Ok = false;
        break;
      case NodeKind::Group:
      case NodeKind::Repeat:
      case NodeKind::Alternation:
        Out += "(?:";
        break;
      default:
        break;
    }
  }

  void Child(NodeId parent, std::uint32_t index) {
    if (index > 0 && In[parent].Kind == NodeKind::Alternation) Out += '|';
    Parent = parent;
    Index = index;
  }

  void Leave(NodeId id) {
    const Node& node = In[id];
    if (node.Kind == NodeKind::Group || node.Kind == NodeKind::Alternation) Out += ')';
    if (node.Kind == NodeKind::Repeat) {
      Out += ')';
      WriteRepeat(node.Min, node.Max);
    }
  }

 private:
  void WriteAssertion(NodeId id, Assertion kind) {
    // RE2's word edges look at bytes; a UTF-8 tree's look at characters.
    if (In.Utf8() && kind != Assertion::LineStart && kind != Assertion::LineEnd &&
        kind != Assertion::BufferStart && kind != Assertion::BufferEnd) {
      Ok = false;
      return;
    }
    switch (kind) {
      case Assertion::LineStart:
        Out += "(?m:^)";
        break;
      case Assertion::LineEnd:
        Out += "(?m:$)";
        break;
      case Assertion::WordBoundary:
        Out += "\\b";
        break;
      case Assertion::BufferStart:
        Out += "\\A";
        break;
      case Assertion::BufferEnd:
        Out += "\\z";
        break;
      case Assertion::WordStart:
        WriteWordEdge(WordNext(id), "\\b");
        break;
      case Assertion::WordEnd:
        WriteWordEdge(WordBefore(id), "\\b");
        break;
      case Assertion::NotWordBoundary:
        WriteWordEdge(WordNext(id) || WordBefore(id), "\\B");
        break;
      case Assertion::StrayByte:
        Ok = false;  // refused above: only a UTF-8 tree has it
        break;
    }
  }

  void WriteWordEdge(bool same, const char* text) {
    if (same)
      Out += text;
    else
      Ok = false;
  }

  // RE2 has only \b and \B, and its \B holds at the text's ends where the reference engine's
  // fails. Beside a piece that always takes a word byte there, they agree with the reference
  // engine: \< is \b before a word byte, \> is \b after one, and \B beside one is the same
  // test in both (an end of the text is a non-word side, so the word byte makes an edge there).
  bool WordNext(NodeId id) const;
  bool WordBefore(NodeId id) const;

  void WriteRepeat(std::uint32_t min, std::uint32_t max) {
    if (min > MostRe2Repeat || (max != Unbounded && max > MostRe2Repeat)) Ok = false;
    AppendRepeatOperator(Out, min, max);
  }

  const Tree& In;
  const AtomBytes& BytesOf;
  const Edges* EdgesOf;
  std::string& Out;
  NodeId Parent = NoNode;  // of the node entered, and its index there
  std::uint32_t Index = 0;
};

// Whether a node's match may be empty and the bytes a non-empty one starts and ends with, node
// by node.
class Edges {
 public:
  Edges(const Tree& tree, const AtomBytes& bytesOf)
      : In(tree),
        BytesOf(bytesOf),
        Nullable(tree.Nodes.size()),
        First(tree.Nodes.size()),
        Last(tree.Nodes.size()) {}

  bool Ok = true;
  bool NullableAt(NodeId id) const { return Nullable[id]; }
  const ByteSet& FirstAt(NodeId id) const { return First[id]; }
  const ByteSet& LastAt(NodeId id) const { return Last[id]; }

  void Enter(NodeId) {}
  void Child(NodeId, std::uint32_t) {}

  void Leave(NodeId id) {
    const Node& node = In[id];
    if (IsAtom(node.Kind)) {
      if (!BytesOf(id, First[id])) Ok = false;
      Last[id] = First[id];
      return;
    }
    switch (node.Kind) {
      case NodeKind::Empty:
      case NodeKind::Assertion:
        Nullable[id] = true;
        break;
      case NodeKind::BackReference:
        Ok = false;
        break;
      case NodeKind::Group:
        Nullable[id] = Nullable[In.Child(id, 0)];
        First[id] = First[In.Child(id, 0)];
        Last[id] = Last[In.Child(id, 0)];
        break;
      case NodeKind::Repeat:
        Nullable[id] = node.Min == 0 || Nullable[In.Child(id, 0)];
        if (node.Max != 0) {
          First[id] = First[In.Child(id, 0)];
          Last[id] = Last[In.Child(id, 0)];
        }
        break;
      case NodeKind::Concat: {
        bool open = true;
        for (std::uint32_t i = 0; i < node.ChildCount && open; ++i) {
          First[id] |= First[In.Child(id, i)];
          open = Nullable[In.Child(id, i)];
        }
        Nullable[id] = open;
        open = true;
        for (std::uint32_t i = node.ChildCount; i > 0 && open; --i) {
          Last[id] |= Last[In.Child(id, i - 1)];
          open = Nullable[In.Child(id, i - 1)];
        }
        break;
      }
      case NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          First[id] |= First[In.Child(id, i)];
          Last[id] |= Last[In.Child(id, i)];
          if (Nullable[In.Child(id, i)]) Nullable[id] = true;
        }
        break;
      default:
        break;
    }
  }

 private:
  const Tree& In;
  const AtomBytes& BytesOf;
  std::vector<bool> Nullable;
  std::vector<ByteSet> First, Last;
};

// The bytes RE2's word edges count as word characters.
const ByteSet& AsciiWordBytes() {
  static const ByteSet word = [] {
    ByteSet set;
    for (unsigned c = 0; c < 128; ++c)
      if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
        set.set(c);
    return set;
  }();
  return word;
}

bool OnlyWordBytes(const ByteSet& bytes) { return (bytes & ~AsciiWordBytes()).none(); }

bool Writer::WordNext(NodeId id) const {
  if (EdgesOf == nullptr || Parent == NoNode || In[Parent].Kind != NodeKind::Concat) return false;
  if (Index + 1 >= In[Parent].ChildCount || In.Child(Parent, Index) != id) return false;
  const NodeId next = In.Child(Parent, Index + 1);
  return !EdgesOf->NullableAt(next) && OnlyWordBytes(EdgesOf->FirstAt(next));
}

bool Writer::WordBefore(NodeId id) const {
  if (EdgesOf == nullptr || Parent == NoNode || In[Parent].Kind != NodeKind::Concat) return false;
  if (Index == 0 || In.Child(Parent, Index) != id) return false;
  const NodeId before = In.Child(Parent, Index - 1);
  return !EdgesOf->NullableAt(before) && OnlyWordBytes(EdgesOf->LastAt(before));
}

bool HoldsOtherWordAssertions(const Tree& tree) {
  for (const Node& node : tree.Nodes) {
    if (node.Kind != NodeKind::Assertion) continue;
    const auto kind = static_cast<Assertion>(node.Value);
    if (kind == Assertion::WordStart || kind == Assertion::WordEnd ||
        kind == Assertion::NotWordBoundary)
      return true;
  }
  return false;
}

}  // namespace

std::string Re2Class(const ByteSet& bytes) {
  std::string out;
  if (bytes.count() == 1) {
    for (unsigned b = 0; b < 256; ++b) {
      if (!bytes.test(b)) continue;
      // RE2 merges the common literal start of alternatives ("\xe9a|\xe9b") into a literal
      // read as UTF-8, which then never matches a Latin-1 byte above 0x7f; a group keeps such
      // a byte out of that merge.
      if (b >= 0x80) out += '(';
      AppendByteEscape(out, b);
      if (b >= 0x80) out += ')';
    }
    return out;
  }
  if (bytes.none()) return "[^\\x00-\\xff]";
  out += '[';
  for (unsigned b = 0; b < 256;) {
    if (!bytes.test(b)) {
      ++b;
      continue;
    }
    unsigned end = b;
    while (end + 1 < 256 && bytes.test(end + 1)) ++end;
    AppendByteEscape(out, b);
    if (end != b) {
      out += '-';
      AppendByteEscape(out, end);
    }
    b = end + 1;
  }
  out += ']';
  return out;
}

bool Re2Text(const Tree& tree, const AtomBytes& bytesOf, std::string& out) {
  out.clear();
  if (tree.Failed() || tree.Root == NoNode || tree.HasBackReferences) return false;
  std::optional<Edges> edges;
  if (HoldsOtherWordAssertions(tree)) {
    edges.emplace(tree, bytesOf);
    Walk(tree, tree.Root, *edges);
    if (!edges->Ok) return false;
  }
  Writer writer(tree, bytesOf, edges ? &*edges : nullptr, out);
  Walk(tree, tree.Root, writer);
  return writer.Ok;
}

bool LeadingBytes(const Tree& tree, const AtomBytes& bytesOf, ByteSet& out) {
  out.reset();
  if (tree.Failed() || tree.Root == NoNode || tree.HasBackReferences) return false;
  Edges leading(tree, bytesOf);
  Walk(tree, tree.Root, leading);
  if (!leading.Ok || leading.NullableAt(tree.Root)) return false;
  out = leading.FirstAt(tree.Root);
  return true;
}

}  // namespace Syntax
}  // namespace GrepEngine
