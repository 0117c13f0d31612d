#include "syntax/Re2Text.h"

#include <cstdio>

#include "syntax/RepeatOperator.h"

namespace GrepEngine {
namespace Syntax {
namespace {

bool IsAtom(NodeKind kind) {
  return kind == NodeKind::Literal || kind == NodeKind::AnyByte || kind == NodeKind::Bracket ||
         kind == NodeKind::ClassEscape;
}

void AppendByte(std::string& out, unsigned b) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02x", b);
  out += hex;
}

class Writer {
 public:
  Writer(const Tree& tree, const AtomBytes& bytesOf, std::string& out)
      : In(tree), BytesOf(bytesOf), Out(out) {}

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
        WriteAssertion(static_cast<Assertion>(node.Value));
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
  void WriteAssertion(Assertion kind) {
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
      case Assertion::NotWordBoundary:  // the reference engine's \B fails at the text's ends
      case Assertion::WordStart:
      case Assertion::WordEnd:
        Ok = false;
        break;
    }
  }

  void WriteRepeat(std::uint32_t min, std::uint32_t max) {
    if (min > MostRe2Repeat || (max != Unbounded && max > MostRe2Repeat)) Ok = false;
    AppendRepeatOperator(Out, min, max);
  }

  const Tree& In;
  const AtomBytes& BytesOf;
  std::string& Out;
};

// Whether a node's match may be empty and the bytes a non-empty one starts with, node by node.
class Leading {
 public:
  Leading(const Tree& tree, const AtomBytes& bytesOf)
      : In(tree), BytesOf(bytesOf), Nullable(tree.Nodes.size()), First(tree.Nodes.size()) {}

  bool Ok = true;
  bool NullableAt(NodeId id) const { return Nullable[id]; }
  const ByteSet& FirstAt(NodeId id) const { return First[id]; }

  void Enter(NodeId) {}
  void Child(NodeId, std::uint32_t) {}

  void Leave(NodeId id) {
    const Node& node = In[id];
    if (IsAtom(node.Kind)) {
      if (!BytesOf(id, First[id])) Ok = false;
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
        break;
      case NodeKind::Repeat:
        Nullable[id] = node.Min == 0 || Nullable[In.Child(id, 0)];
        if (node.Max != 0) First[id] = First[In.Child(id, 0)];
        break;
      case NodeKind::Concat:
        Nullable[id] = true;
        for (std::uint32_t i = 0; i < node.ChildCount && Nullable[id]; ++i) {
          First[id] |= First[In.Child(id, i)];
          Nullable[id] = Nullable[In.Child(id, i)];
        }
        break;
      case NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          First[id] |= First[In.Child(id, i)];
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
  std::vector<ByteSet> First;
};

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
      AppendByte(out, b);
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
    AppendByte(out, b);
    if (end != b) {
      out += '-';
      AppendByte(out, end);
    }
    b = end + 1;
  }
  out += ']';
  return out;
}

bool Re2Text(const Tree& tree, const AtomBytes& bytesOf, std::string& out) {
  out.clear();
  if (tree.Failed() || tree.Root == NoNode || tree.HasBackReferences) return false;
  Writer writer(tree, bytesOf, out);
  Walk(tree, tree.Root, writer);
  return writer.Ok;
}

bool LeadingBytes(const Tree& tree, const AtomBytes& bytesOf, ByteSet& out) {
  out.reset();
  if (tree.Failed() || tree.Root == NoNode || tree.HasBackReferences) return false;
  Leading leading(tree, bytesOf);
  Walk(tree, tree.Root, leading);
  if (!leading.Ok || leading.NullableAt(tree.Root)) return false;
  out = leading.FirstAt(tree.Root);
  return true;
}

}  // namespace Syntax
}  // namespace GrepEngine
