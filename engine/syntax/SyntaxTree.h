#pragma once
// The toolkit's own syntax tree of a pattern: what the pattern says, read once under its option
// word, independent of any engine. Every other reader of a pattern is a pass over this tree.
//
// The tree is plain data. Nodes live in one vector and are addressed by index; a node's
// children are an index range into `Children`. A pass walks it with Walk() below, which keeps
// its own stack, so no pass recurses as deep as the pattern nests. Bracket expressions stay
// symbolic (bytes, ranges, class names, equivalence classes, collating elements, negation):
// a locale gives them their members when the pattern is compiled.

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "unicode/CodeSet.h"

namespace GrepEngine {
namespace Syntax {

using NodeId = std::uint32_t;
constexpr NodeId NoNode = 0xFFFFFFFFu;
constexpr std::uint32_t Unbounded = 0xFFFFFFFFu;  // a repeat without upper bound
// In a tree of code points: a byte of the pattern that starts no well-formed UTF-8 sequence.
constexpr std::uint32_t RawByte = 0x80000000u;
// An AnyByte node's Value when it takes ASCII bytes only: the one-byte part of a UTF-8 '.'.
constexpr std::uint32_t AsciiDot = 1;

// Why a pattern is not valid. The values are the engine's error codes, which follow the order
// of POSIX's REG_* codes; the engine's messages name them.
enum class Error : unsigned {
  None = 0,
  Collate = 3,        // unknown collating element or equivalence class
  ClassName = 4,      // unknown character class name
  Escape = 5,         // trailing backslash, or an escape the language does not have
  BackReference = 6,  // back-reference to a group that is not complete before it
  Bracket = 7,        // [ without its ]
  Paren = 8,          // a group that is not closed, or a close without a group
  Brace = 9,          // an interval without its closing brace
  BadBrace = 10,      // an interval's bounds are not valid
  Range = 11,         // a range's end point is not valid, or the range is reversed
  BadRepeat = 13,     // a repeat with nothing before it it could repeat
  TooLarge = 15,      // a pattern longer than the tree can hold
};

enum class NodeKind : std::uint8_t {
  Empty,          // matches the empty text (an empty pattern, group or alternative)
  Literal,        // one byte: Value
  AnyByte,        // '.' (Value AsciiDot: only a byte below 0x80)
  Bracket,        // a bracket expression: Value indexes Tree::Brackets
  ClassEscape,    // \w \W \s \S \d \D: Value is the letter
  Assertion,      // a zero-width test: Value is an Assertion
  BackReference,  // Value: the group's number
  Group,          // a numbered group: Value is its number (from 1); one child. Value 0: a
                  // group that only groups (UTF-8 sequences of one character)
  Repeat,         // Min to Max copies of its one child (Max may be Unbounded)
  Concat,         // two or more children, one after the other
  Alternation,    // two or more children, any one of them
};

enum class Assertion : std::uint8_t {
  LineStart,        // ^
  LineEnd,          // $
  WordBoundary,     // \b
  NotWordBoundary,  // \B
  WordStart,        // \<
  WordEnd,          // \>
  BufferStart,      // \`
  BufferEnd,        // \'
  // In a UTF-8 tree: the byte here belongs to no well-formed sequence of the text. A byte of
  // the pattern that is not UTF-8 matches only such a byte, never a piece of a character.
  StrayByte,
};

// How an assertion is written in a pattern.
inline const char* AssertionText(Assertion kind) {
  switch (kind) {
    case Assertion::LineStart:
      return "^";
    case Assertion::LineEnd:
      return "$";
    case Assertion::WordBoundary:
      return "\\b";
    case Assertion::NotWordBoundary:
      return "\\B";
    case Assertion::WordStart:
      return "\\<";
    case Assertion::WordEnd:
      return "\\>";
    case Assertion::BufferStart:
      return "\\`";
    case Assertion::BufferEnd:
      return "\\'";
    case Assertion::StrayByte:
      return "";  // a UTF-8 tree's own: each engine text writes it as it can, or refuses it
  }
  return "";
}

// A repeat's child is an atom: a Literal, AnyByte, Bracket, ClassEscape, BackReference or
// Group, never another Repeat or an Assertion. A Concat's children are never Concats, and an
// Alternation appears only as the root or as a Group's child.
struct Node {
  NodeKind Kind = NodeKind::Empty;
  std::uint32_t Value = 0;
  std::uint32_t Min = 0, Max = 0;                // Repeat only
  std::uint32_t FirstChild = 0, ChildCount = 0;  // range in Tree::Children
};

// The bytes an AnyByte node may take, before the match word keeps LF or NUL off them.
inline std::bitset<256> DotBytes(const Node& dot) {
  std::bitset<256> bytes;
  if (dot.Value != AsciiDot) return bytes.set();
  for (unsigned b = 0; b < 0x80; ++b) bytes.set(b);
  return bytes;
}

// A piece of Tree::Names.
struct Name {
  std::uint32_t Offset = 0, Length = 0;
};

// One member, or one end of a range: a byte, or a collating element ([.name.]).
struct Element {
  bool Named = false;
  unsigned char Byte = 0;
  Name Text;               // Named only
  std::uint32_t Code = 0;  // in a tree of code points: the character (or RawByte | byte)
};

enum class ItemKind : std::uint8_t {
  Single,       // Low
  Range,        // Low to High, in the collation order the option word asks for
  Class,        // [:name:] or a class escape inside the brackets (\w: "w"); Negated for \W
  Equivalence,  // [=name=]
};

struct BracketItem {
  ItemKind Kind = ItemKind::Single;
  bool Negated = false;
  Element Low, High;
  Name ClassOrEquivalence;
};

struct Bracket {
  bool Negated = false;
  std::uint32_t FirstItem = 0, ItemCount = 0;  // range in Tree::Items
};

struct Tree {
  std::vector<Node> Nodes;
  std::vector<NodeId> Children;
  std::vector<Bracket> Brackets;
  std::vector<BracketItem> Items;
  std::string Names;           // class, equivalence and collating names
  std::vector<NodeId> Groups;  // Groups[n - 1]: the Group node of group n
  NodeId Root = NoNode;
  bool HasBackReferences = false;
  // Literals and bracket members are code points: a UTF-8 pattern before LowerUtf8.
  bool CodePoints = false;
  // A UTF-8 pattern lowered to bytes: its word edges look at characters, and Utf8Word holds
  // the word characters (when it has word edges).
  bool Utf8Text = false;
  std::shared_ptr<const Unicode::CodeSet> Utf8Word;
  // A pattern that is not valid has no nodes; ErrorOffset is where in the text it failed.
  Error Failure = Error::None;
  std::size_t ErrorOffset = 0;

  bool Failed() const { return Failure != Error::None; }
  unsigned GroupCount() const { return static_cast<unsigned>(Groups.size()); }
  bool Utf8() const { return Utf8Text; }
  const Node& operator[](NodeId id) const { return Nodes[id]; }
  NodeId Child(NodeId id, std::uint32_t i) const { return Children[Nodes[id].FirstChild + i]; }
  std::string Text(Name name) const { return Names.substr(name.Offset, name.Length); }
};

// Appends a node to a tree being built; a parent takes `count` children already in it.
inline NodeId AddNode(Tree& tree, NodeKind kind, std::uint32_t value = 0) {
  Node node;
  node.Kind = kind;
  node.Value = value;
  tree.Nodes.push_back(node);
  return static_cast<NodeId>(tree.Nodes.size() - 1);
}

inline NodeId AddParentNode(Tree& tree, NodeKind kind, std::uint32_t value, const NodeId* children,
                            std::size_t count) {
  const NodeId id = AddNode(tree, kind, value);
  tree.Nodes[id].FirstChild = static_cast<std::uint32_t>(tree.Children.size());
  tree.Nodes[id].ChildCount = static_cast<std::uint32_t>(count);
  tree.Children.insert(tree.Children.end(), children, children + count);
  return id;
}

// Depth-first walk from `root` without recursion. For each node: visitor.Enter(id); for each
// child, visitor.Child(parent, index) and then the child's own walk; visitor.Leave(id).
template <class Visitor>
void Walk(const Tree& tree, NodeId root, Visitor& visitor) {
  struct Frame {
    NodeId Node;
    std::uint32_t Next;
  };
  std::vector<Frame> stack;
  visitor.Enter(root);
  stack.push_back({root, 0});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const Node& node = tree[top.Node];
    if (top.Next == node.ChildCount) {
      const NodeId done = top.Node;
      stack.pop_back();
      visitor.Leave(done);
      continue;
    }
    const std::uint32_t index = top.Next++;
    const NodeId child = tree.Children[node.FirstChild + index];
    visitor.Child(top.Node, index);
    visitor.Enter(child);
    if (tree[child].ChildCount == 0) {
      visitor.Leave(child);  // leaves need no frame
    } else {
      stack.push_back({child, 0});  // `top` is not used after this
    }
  }
}

}  // namespace Syntax
}  // namespace GrepEngine
