#include "syntax/Printer.h"

#include <cstdio>

#include "syntax/BoostText.h"

namespace GrepEngine {
namespace Syntax {
namespace {

// A byte as printed: itself, or \xHH when it is not printable or one of `escaped`.
std::string Byte(unsigned char c, const char* escaped) {
  if (c < 0x20 || c > 0x7e ||
      std::string(escaped).find(static_cast<char>(c)) != std::string::npos) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    return hex;
  }
  return std::string(1, static_cast<char>(c));
}

class Writer {
 public:
  Writer(const Tree& tree, std::string& out) : In(tree), Out(out) {}

  void Enter(NodeId id) {
    const Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
        Out += "()";
        break;
      case NodeKind::Literal:
        Out += "'" + Byte(static_cast<unsigned char>(node.Value), "'\\") + "'";
        break;
      case NodeKind::AnyByte:
        Out += node.Value == AsciiDot ? "ascii" : "any";
        break;
      case NodeKind::Bracket:  // as the engine reads it, with any unprintable byte in hex
        for (char c : BoostText(In, id)) Out += Byte(static_cast<unsigned char>(c), "");
        break;
      case NodeKind::ClassEscape:
        Out += '\\' + std::string(1, static_cast<char>(node.Value));
        break;
      case NodeKind::Assertion:
        Out += node.Value == static_cast<std::uint32_t>(Assertion::StrayByte)
                   ? std::string("stray")
                   : std::string(AssertionText(static_cast<Assertion>(node.Value)));
        break;
      case NodeKind::BackReference:
        Out += '\\' + std::to_string(node.Value);
        break;
      case NodeKind::Group:
        Out += "(group " + std::to_string(node.Value);
        break;
      case NodeKind::Repeat:
        Out += "(repeat " + std::to_string(node.Min) + ' ' +
               (node.Max == Unbounded ? std::string("inf") : std::to_string(node.Max));
        break;
      case NodeKind::Concat:
        Out += "(cat";
        break;
      case NodeKind::Alternation:
        Out += "(alt";
        break;
    }
  }

  void Child(NodeId, std::uint32_t) { Out += ' '; }

  void Leave(NodeId id) {
    switch (In[id].Kind) {
      case NodeKind::Group:
      case NodeKind::Repeat:
      case NodeKind::Concat:
      case NodeKind::Alternation:
        Out += ')';
        break;
      default:
        break;
    }
  }

 private:
  const Tree& In;
  std::string& Out;
};

}  // namespace

std::string Print(const Tree& tree) {
  if (tree.Failed())
    return "error " + std::to_string(static_cast<unsigned>(tree.Failure)) + " at " +
           std::to_string(tree.ErrorOffset);
  std::string out;
  Writer writer(tree, out);
  Walk(tree, tree.Root, writer);
  return out;
}

}  // namespace Syntax
}  // namespace GrepEngine
