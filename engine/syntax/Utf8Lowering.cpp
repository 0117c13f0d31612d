#include "syntax/Utf8Lowering.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <string>
#include <utility>
#include <vector>

#include "engine/OptionWords.h"
#include "unicode/CharacterTables.h"
#include "unicode/Utf8.h"
#include "unicode/Utf8Sequences.h"

namespace GrepEngine {
namespace Syntax {
namespace {

using Unicode::ByteRange;
using Unicode::ByteSequence;
using Unicode::CodeSet;

// What one character position of the pattern takes: characters, and raw bytes of the pattern.
struct Members {
  CodeSet Characters;
  std::vector<unsigned char> RawBytes;
};

bool IsAtom(NodeKind kind) {
  return kind == NodeKind::Literal || kind == NodeKind::AnyByte || kind == NodeKind::Bracket ||
         kind == NodeKind::ClassEscape || kind == NodeKind::BackReference ||
         kind == NodeKind::Group;
}

bool WordEdge(Assertion kind) {
  return kind == Assertion::WordBoundary || kind == Assertion::NotWordBoundary ||
         kind == Assertion::WordStart || kind == Assertion::WordEnd;
}

class Lowering {
 public:
  Lowering(const Tree& in, unsigned optionWord, const Unicode::CharacterTables& tables)
      : In(in),
        Tables(tables),
        FoldCase((optionWord & SyntaxBits::CaseInsensitive) != 0),
        Mapped(in.Nodes.size(), NoNode) {
    Out.Groups.assign(in.Groups.size(), NoNode);
    Out.HasBackReferences = in.HasBackReferences;
    Out.Utf8Text = true;
    for (const Node& node : in.Nodes)
      if (node.Kind == NodeKind::Assertion && WordEdge(static_cast<Assertion>(node.Value)))
        Out.Utf8Word = std::make_shared<const CodeSet>(tables.Word());
  }

  void Enter(NodeId) {}
  void Child(NodeId, std::uint32_t) {}
  void Leave(NodeId id) {
    if (Failure != Error::None) return;
    Mapped[id] = Lower(id);
  }

  Error Finish(Tree& tree) {
    if (Failure != Error::None) return Failure;
    Out.Root = Mapped[In.Root];
    tree = std::move(Out);
    return Error::None;
  }

 private:
  NodeId Add(NodeKind kind, std::uint32_t value = 0) { return AddNode(Out, kind, value); }

  NodeId AddParent(NodeKind kind, std::uint32_t value, const std::vector<NodeId>& children) {
    if (kind == NodeKind::Concat && children.size() == 1) return children[0];
    return AddParentNode(Out, kind, value, children.data(), children.size());
  }

  // A node that may stand where an atom must: an alternation or a sequence is grouped.
  NodeId AsAtom(NodeId id) {
    if (IsAtom(Out[id].Kind)) return id;
    return AddParent(NodeKind::Group, 0, {id});
  }

  // A node that may stand in a sequence: an alternation is grouped.
  NodeId AsPiece(NodeId id) {
    if (Out[id].Kind != NodeKind::Alternation) return id;
    return AddParent(NodeKind::Group, 0, {id});
  }

  NodeId Lower(NodeId id) {
    const Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
      case NodeKind::Assertion:
      case NodeKind::BackReference:
        return Add(node.Kind, node.Value);
      case NodeKind::Literal: {
        Members members;
        AddCharacter(members, node.Value);
        if (FoldCase) members.Characters = Tables.CaseClosure(members.Characters);
        return SetNode(members);
      }
      case NodeKind::AnyByte: {
        // The one-byte part stays a '.', which the match word can keep off a line separator
        // or NUL as it does in byte patterns.
        std::vector<NodeId> branches{Add(NodeKind::AnyByte, AsciiDot)};
        Members wide;
        wide.Characters.Add(0x80, Unicode::LastCode);
        branches.push_back(SetNode(wide));
        return AddParent(NodeKind::Alternation, 0, branches);
      }
      case NodeKind::Bracket:
        return BracketNode(In.Brackets[node.Value]);
      case NodeKind::ClassEscape: {
        Members members;
        const char letter = static_cast<char>(node.Value);
        const bool negated = letter == 'W' || letter == 'S' || letter == 'D';
        const char lower = negated ? static_cast<char>(letter - 'A' + 'a') : letter;
        Tables.Class(std::string(1, lower), members.Characters);
        if (negated) members.Characters = members.Characters.Negated();
        return SetNode(members);
      }
      case NodeKind::Group: {
        const NodeId group = AddParent(NodeKind::Group, node.Value, {Mapped[In.Child(id, 0)]});
        if (node.Value != 0) Out.Groups[node.Value - 1] = group;
        return group;
      }
      case NodeKind::Repeat: {
        const NodeId body = AsAtom(Mapped[In.Child(id, 0)]);
        const NodeId repeat = AddParent(NodeKind::Repeat, 0, {body});
        Out.Nodes[repeat].Min = node.Min;
        Out.Nodes[repeat].Max = node.Max;
        return repeat;
      }
      case NodeKind::Concat: {
        std::vector<NodeId> pieces;
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          const NodeId piece = AsPiece(Mapped[In.Child(id, i)]);
          if (Out[piece].Kind != NodeKind::Concat) {
            pieces.push_back(piece);
            continue;
          }
          for (std::uint32_t j = 0; j < Out[piece].ChildCount; ++j)
            pieces.push_back(Out.Child(piece, j));
        }
        return AddParent(NodeKind::Concat, 0, pieces);
      }
      case NodeKind::Alternation: {
        std::vector<NodeId> branches;
        for (std::uint32_t i = 0; i < node.ChildCount; ++i)
          branches.push_back(AsPiece(Mapped[In.Child(id, i)]));
        return AddParent(NodeKind::Alternation, 0, branches);
      }
    }
    return Add(NodeKind::Empty);
  }

  static void AddCharacter(Members& members, std::uint32_t character) {
    if (character & RawByte)
      members.RawBytes.push_back(static_cast<unsigned char>(character));
    else
      members.Characters.Add(character);
  }

  // A collating element's name: one character, or a name the engine knows for an ASCII one.
  bool NamedCharacter(Name name, std::uint32_t& character) const {
    const std::string text = In.Text(name);
    std::uint32_t code = 0;
    if (!text.empty() &&
        Unicode::SequenceAt(text.data(), text.data() + text.size(), code) == text.size()) {
      character = code;
      return true;
    }
    const boost::cpp_regex_traits<char> traits;
    const std::string element = traits.lookup_collatename(text.data(), text.data() + text.size());
    if (element.size() != 1) return false;
    character = static_cast<unsigned char>(element[0]);
    return (character & 0x80u) == 0;
  }

  bool ElementCharacter(const Element& element, std::uint32_t& character) {
    if (!element.Named) {
      character = element.Code;
      return true;
    }
    return NamedCharacter(element.Text, character);
  }

  NodeId BracketNode(const Bracket& bracket) {
    Members members;
    for (std::uint32_t i = 0; i < bracket.ItemCount && Failure == Error::None; ++i) {
      const BracketItem& item = In.Items[bracket.FirstItem + i];
      std::uint32_t low = 0, high = 0;
      switch (item.Kind) {
        case ItemKind::Single:
          if (!ElementCharacter(item.Low, low))
            Failure = Error::Collate;
          else
            AddCharacter(members, low);
          break;
        case ItemKind::Range:
          if (!ElementCharacter(item.Low, low) || !ElementCharacter(item.High, high)) {
            Failure = Error::Collate;
          } else if ((low | high) & RawByte) {
            // A raw byte as a range's end: bytes are their own order.
            if ((low & RawByte) && (high & RawByte) && (low & 0xFFu) <= (high & 0xFFu)) {
              for (unsigned b = low & 0xFFu; b <= (high & 0xFFu); ++b)
                members.RawBytes.push_back(static_cast<unsigned char>(b));
            } else {
              Failure = Error::Range;
            }
          } else if (low > high) {
            Failure = Error::Range;
          } else {
            members.Characters.Add(low, high);
          }
          break;
        case ItemKind::Class: {
          CodeSet set;
          if (!Tables.Class(In.Text(item.ClassOrEquivalence), set)) {
            Failure = Error::ClassName;
            break;
          }
          members.Characters.Add(item.Negated ? set.Negated() : set);
          break;
        }
        case ItemKind::Equivalence:
          // Characters are compared by code point: the class of one is that one.
          if (!NamedCharacter(item.ClassOrEquivalence, low))
            Failure = Error::Collate;
          else
            AddCharacter(members, low);
          break;
      }
    }
    if (Failure != Error::None) return Add(NodeKind::Empty);
    if (FoldCase) members.Characters = Tables.CaseClosure(members.Characters);
    if (bracket.Negated) {
      members.Characters = members.Characters.Negated();
      members.RawBytes.clear();  // a negated bracket takes characters only
    }
    return SetNode(members);
  }

  // A byte range as an atom.
  NodeId RangeNode(ByteRange range) {
    if (range.Low == range.High) return Add(NodeKind::Literal, range.Low);
    return RangesNode({range});
  }

  NodeId RangesNode(const std::vector<ByteRange>& ranges) {
    if (ranges.size() == 1 && ranges[0].Low == ranges[0].High)
      return Add(NodeKind::Literal, ranges[0].Low);
    Bracket bracket;
    bracket.FirstItem = static_cast<std::uint32_t>(Out.Items.size());
    for (const ByteRange& range : ranges) {
      BracketItem item;
      item.Kind = range.Low == range.High ? ItemKind::Single : ItemKind::Range;
      item.Low.Byte = range.Low;
      item.High.Byte = range.High;
      Out.Items.push_back(item);
    }
    bracket.ItemCount = static_cast<std::uint32_t>(ranges.size());
    Out.Brackets.push_back(bracket);
    return Add(NodeKind::Bracket, static_cast<std::uint32_t>(Out.Brackets.size() - 1));
  }

  // The sequences [first, last) from byte `depth` on, all at least depth + 1 long, as one
  // node: sequences that share their leading range share its node, so that at every byte the
  // branches' ranges are disjoint.
  NodeId Trie(const std::vector<ByteSequence>& all, std::size_t first, std::size_t last,
              std::size_t depth) {
    std::vector<NodeId> branches;
    std::vector<ByteRange> ends;  // sequences that end here: one bracket for all of them
    for (std::size_t i = first; i < last;) {
      std::size_t j = i + 1;
      const ByteRange lead = all[i][depth];
      if (all[i].size() == depth + 1) {
        ends.push_back(lead);
        i = j;
        continue;
      }
      while (j < last && all[j].size() > depth + 1 && all[j][depth].Low == lead.Low &&
             all[j][depth].High == lead.High)
        ++j;
      const NodeId rest = AsPiece(Trie(all, i, j, depth + 1));
      std::vector<NodeId> pieces{RangeNode(lead)};
      if (Out[rest].Kind == NodeKind::Concat) {
        for (std::uint32_t k = 0; k < Out[rest].ChildCount; ++k)
          pieces.push_back(Out.Child(rest, k));
      } else {
        pieces.push_back(rest);
      }
      branches.push_back(AddParent(NodeKind::Concat, 0, pieces));
      i = j;
    }
    if (!ends.empty()) branches.insert(branches.begin(), RangesNode(ends));
    if (branches.empty()) return EmptySet();
    if (branches.size() == 1) return branches[0];
    return AddParent(NodeKind::Alternation, 0, branches);
  }

  // A set with no member ([^\x{10FFFF}-\x{0}] cannot be, but a class can be empty in a
  // locale): a bracket that takes no byte, every byte negated.
  NodeId EmptySet() {
    Bracket bracket;
    bracket.Negated = true;
    bracket.FirstItem = static_cast<std::uint32_t>(Out.Items.size());
    BracketItem all;
    all.Kind = ItemKind::Range;
    all.Low.Byte = 0x00;
    all.High.Byte = 0xFF;
    Out.Items.push_back(all);
    bracket.ItemCount = 1;
    Out.Brackets.push_back(bracket);
    return Add(NodeKind::Bracket, static_cast<std::uint32_t>(Out.Brackets.size() - 1));
  }

  // A set's characters, and its raw bytes: a raw byte that can be a piece of a character
  // takes only a byte of the text that is part of none.
  NodeId SetNode(const Members& members) {
    std::vector<ByteSequence> sequences = Unicode::Utf8Sequences(members.Characters);
    std::vector<ByteSequence> strays;
    for (const unsigned char raw : members.RawBytes)
      (MayBeInSequence(raw) ? strays : sequences).push_back({ByteRange{raw, raw}});
    if (strays.empty()) return SequencesNode(std::move(sequences));
    const NodeId stray =
        AddParent(NodeKind::Concat, 0,
                  {Add(NodeKind::Assertion, static_cast<std::uint32_t>(Assertion::StrayByte)),
                   AsPiece(SequencesNode(std::move(strays)))});
    if (sequences.empty()) return stray;
    return AddParent(NodeKind::Alternation, 0,
                     {AsPiece(SequencesNode(std::move(sequences))), stray});
  }

  // A continuation byte, or a lead byte of a sequence of two to four.
  static bool MayBeInSequence(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0xBF) || (byte >= 0xC2 && byte <= 0xF4);
  }

  NodeId SequencesNode(std::vector<ByteSequence> sequences) {
    std::sort(sequences.begin(), sequences.end(), [](const ByteSequence& a, const ByteSequence& b) {
      for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i].Low != b[i].Low) return a[i].Low < b[i].Low;
        if (a[i].High != b[i].High) return a[i].High < b[i].High;
      }
      return a.size() < b.size();
    });
    // One-byte members merge into ranges of their own.
    std::vector<ByteSequence> merged;
    for (ByteSequence& sequence : sequences) {
      if (!merged.empty() && sequence.size() == 1 && merged.back().size() == 1 &&
          sequence[0].Low <= merged.back()[0].High + 1u) {
        merged.back()[0].High = std::max(merged.back()[0].High, sequence[0].High);
        continue;
      }
      merged.push_back(std::move(sequence));
    }
    return Trie(merged, 0, merged.size(), 0);
  }

  const Tree& In;
  const Unicode::CharacterTables& Tables;
  const bool FoldCase;
  std::vector<NodeId> Mapped;  // the lowered node of each node of In
  Tree Out;
  Error Failure = Error::None;
};

}  // namespace

Error LowerUtf8(Tree& tree, unsigned optionWord, const Unicode::CharacterTables& tables) {
  if (!tree.CodePoints || tree.Root == NoNode) return Error::None;
  Lowering lowering(tree, optionWord, tables);
  Walk(tree, tree.Root, lowering);
  return lowering.Finish(tree);
}

}  // namespace Syntax
}  // namespace GrepEngine
