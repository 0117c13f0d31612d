#include "syntax/BoostText.h"

#include <cstring>
#include <memory>
#include <vector>

#include "syntax/ByteEscape.h"
#include "syntax/ContextFacts.h"
#include "syntax/RepeatOperator.h"
#include "unicode/Utf8Sequences.h"

namespace GrepEngine {
namespace Syntax {
namespace {

bool IsOneOf(unsigned char c, const char* set) { return c != 0 && std::strchr(set, c) != nullptr; }

// Per node: whether it can match nothing but the empty text (assertions, empty groups).
class ZeroWidth {
 public:
  explicit ZeroWidth(const Tree& tree) : In(tree), Only(tree.Nodes.size(), false) {}

  void Enter(NodeId) {}
  void Child(NodeId, std::uint32_t) {}
  void Leave(NodeId id) {
    const Node& node = In[id];
    bool only = node.Kind == NodeKind::Empty || node.Kind == NodeKind::Assertion;
    if (node.Kind == NodeKind::Group || node.Kind == NodeKind::Concat ||
        node.Kind == NodeKind::Alternation) {
      only = true;
      for (std::uint32_t i = 0; i < node.ChildCount; ++i) only = only && Only[In.Child(id, i)];
    }
    if (node.Kind == NodeKind::Repeat) only = node.Max == 0 || Only[In.Child(id, 0)];
    Only[id] = only;
  }

  bool operator[](NodeId id) const { return Only[id]; }

 private:
  const Tree& In;
  std::vector<bool> Only;
};

void AppendRange(std::string& out, Unicode::ByteRange range) {
  if (range.Low == range.High) {
    AppendByteEscape(out, range.Low);
    return;
  }
  out += '[';
  AppendByteEscape(out, range.Low);
  out += '-';
  AppendByteEscape(out, range.High);
  out += ']';
}

// Zero-width: the bytes here start no well-formed sequence.
const char* const NoSequenceAhead =
    "(?![\\xc2-\\xdf][\\x80-\\xbf]|\\xe0[\\xa0-\\xbf][\\x80-\\xbf]"
    "|[\\xe1-\\xec\\xee\\xef][\\x80-\\xbf]{2}|\\xed[\\x80-\\x9f][\\x80-\\xbf]"
    "|\\xf0[\\x90-\\xbf][\\x80-\\xbf]{2}|[\\xf1-\\xf3][\\x80-\\xbf]{3}"
    "|\\xf4[\\x80-\\x8f][\\x80-\\xbf]{2})";

// Zero-width: here is not inside a well-formed sequence (after some of its bytes and before
// the rest), where a UTF-8 tree's empty match and a stray byte may not be.
const char* const InsideCharacter =
    "(?!(?<=[\\xc2-\\xdf])[\\x80-\\xbf]"
    "|(?<=\\xe0)[\\xa0-\\xbf][\\x80-\\xbf]"
    "|(?<=[\\xe1-\\xec\\xee\\xef])[\\x80-\\xbf]{2}"
    "|(?<=\\xed)[\\x80-\\x9f][\\x80-\\xbf]"
    "|(?<=\\xe0[\\xa0-\\xbf]|[\\xe1-\\xec\\xee\\xef][\\x80-\\xbf]|\\xed[\\x80-\\x9f])[\\x80-\\xbf]"
    "|(?<=\\xf0)[\\x90-\\xbf][\\x80-\\xbf]{2}"
    "|(?<=[\\xf1-\\xf3])[\\x80-\\xbf]{3}"
    "|(?<=\\xf4)[\\x80-\\x8f][\\x80-\\xbf]{2}"
    "|(?<=\\xf0[\\x90-\\xbf]|[\\xf1-\\xf3][\\x80-\\xbf]|\\xf4[\\x80-\\x8f])[\\x80-\\xbf]{2}"
    "|(?<=\\xf0[\\x90-\\xbf][\\x80-\\xbf]|[\\xf1-\\xf3][\\x80-\\xbf]{2}|\\xf4[\\x80-\\x8f][\\x80-"
    "\\xbf])"
    "[\\x80-\\xbf])";

// Sequences [first, last) of one length, sorted, from byte `depth` on: those that share a
// leading range share its text, so that the engine's choice at each byte is among few
// branches, each of which it can rule out by its first byte.
void AppendTrie(std::string& out, const std::vector<Unicode::ByteSequence>& all, std::size_t first,
                std::size_t last, std::size_t depth) {
  if (depth + 1 == all[first].size()) {  // the last byte: one bracket for every range
    out += '[';
    for (std::size_t i = first; i < last; ++i) {
      AppendByteEscape(out, all[i][depth].Low);
      if (all[i][depth].High != all[i][depth].Low) {
        out += '-';
        AppendByteEscape(out, all[i][depth].High);
      }
    }
    out += ']';
    return;
  }
  bool firstBranch = true;
  const bool several = !(all[first][depth] == all[last - 1][depth]);
  if (several) out += "(?:";
  for (std::size_t i = first; i < last;) {
    std::size_t j = i + 1;
    while (j < last && all[j][depth] == all[i][depth]) ++j;
    if (!firstBranch) out += '|';
    firstBranch = false;
    AppendRange(out, all[i][depth]);
    AppendTrie(out, all, i, j, depth + 1);
    i = j;
  }
  if (several) out += ')';
}

// Word edges between UTF-8 characters, written with the engine's look-arounds: whether a word
// character ends right before the place, or starts right at it.
struct Utf8WordTests {
  std::string Behind;  // zero-width: a word character ends here
  std::string Ahead;   // zero-width: a word character starts here

  Utf8WordTests(const Unicode::CodeSet& word, const WordEdgeForm& ends) : Ends(ends) {
    // A look-behind must have one length: one per length of sequence.
    std::vector<Unicode::ByteSequence> byLength[5];
    for (Unicode::ByteSequence& sequence : Unicode::Utf8Sequences(word))
      byLength[sequence.size()].push_back(std::move(sequence));
    std::string all;
    Behind = "(?:";
    bool firstBehind = true;
    for (std::size_t length = 1; length <= 4; ++length) {
      if (byLength[length].empty()) continue;
      std::string alternatives;
      AppendTrie(alternatives, byLength[length], 0, byLength[length].size(), 0);
      if (!firstBehind) Behind += '|';
      firstBehind = false;
      Behind += "(?<=" + alternatives + ")";
      if (!all.empty()) all += '|';
      all += alternatives;
    }
    // A stray byte of 0xC0 and up reads as its Latin-1 character (unicode/WordCharacters.h).
    std::string strays;
    for (unsigned b = 0xC0; b <= 0xFF; ++b)
      if (word.Contains(b))
        AppendRange(strays, {static_cast<unsigned char>(b), static_cast<unsigned char>(b)});
    if (!strays.empty()) {
      // Before a place between characters such a byte is always stray; at one, it is stray
      // when no well-formed sequence starts with it.
      if (!firstBehind) Behind += '|';
      firstBehind = false;
      Behind += "(?<=[" + strays + "])";
      if (!all.empty()) all += '|';
      all += "(?=[" + strays + "])" + NoSequenceAhead;
    }
    Behind += ')';
    if (firstBehind) Behind = "(?!)";
    Ahead = all.empty() ? std::string("(?!)") : "(?=" + all + ")";
  }

  std::string Text(Assertion kind) const {
    const std::string notBehind = "(?!" + Behind + ")";
    const std::string notAhead = "(?!" + Ahead + ")";
    // As the engine's own edges under match_not_bow and match_not_eow: \b and \< never hold at
    // the text's start, \b and \> never at its end, and \B always does there.
    const std::string start = Ends.WordBefore ? "(?<=[\\x00-\\xff])" : "";
    const std::string end = Ends.WordAfter ? "(?=[\\x00-\\xff])" : "";
    std::string atEnds;
    if (Ends.WordBefore) atEnds += "(?<![\\x00-\\xff])|";
    if (Ends.WordAfter) atEnds += "(?![\\x00-\\xff])|";
    switch (kind) {
      case Assertion::WordBoundary:
        return start + end + "(?:" + Behind + notAhead + "|" + notBehind + Ahead + ")";
      case Assertion::NotWordBoundary:
        return "(?:" + atEnds + Behind + Ahead + "|" + notBehind + notAhead + ")";
      case Assertion::WordStart:
        return start + notBehind + Ahead;
      case Assertion::WordEnd:
        return end + Behind + notAhead;
      default:
        return AssertionText(kind);
    }
  }

  WordEdgeForm Ends;
};

// The one-byte part of a UTF-8 '.': the engine's own '.', which the match flags govern, on an
// ASCII byte.
constexpr const char* AsciiOnly = "(?=[\\x00-\\x7f])";

class Writer {
 public:
  Writer(const Tree& tree, std::string& out, const ZeroWidth& zeroWidth,
         const LineFeedForm* lineFeed = nullptr, WordEdgeForm words = WordEdgeForm())
      : In(tree), Out(out), Zero(zeroWidth), LineFeed(lineFeed), Words(words) {}

  void Enter(NodeId id) {
    const Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Empty:
      case NodeKind::Repeat:
      case NodeKind::Concat:
      case NodeKind::Alternation:
        break;
      case NodeKind::Literal:
        if (IsOneOf(static_cast<unsigned char>(node.Value), ".[]{}()\\*+?|^$")) Out += '\\';
        Out += static_cast<char>(node.Value);
        break;
      case NodeKind::AnyByte:
        if (node.Value == AsciiDot) Out += AsciiOnly;
        if (LineFeed != nullptr && !LineFeed->Dot.empty())
          Out += LineFeed->Dot;
        else
          Out += '.';
        break;
      case NodeKind::Bracket:
        WriteBracket(In.Brackets[node.Value]);
        break;
      case NodeKind::ClassEscape:
        Out += '\\';
        Out += static_cast<char>(node.Value);
        break;
      case NodeKind::Assertion:
        WriteAssertion(static_cast<Assertion>(node.Value));
        break;
      case NodeKind::BackReference:  // one digit: a digit after it stays a literal
        Out += '\\';
        Out += static_cast<char>('0' + node.Value);
        break;
      case NodeKind::Group:
        Out += node.Value == 0 ? "(?:" : "(";
        break;
    }
  }

  void Child(NodeId parent, std::uint32_t index) {
    if (index > 0 && In[parent].Kind == NodeKind::Alternation) Out += '|';
  }

  void Leave(NodeId id) {
    const Node& node = In[id];
    if (node.Kind == NodeKind::Group) Out += ')';
    // Boost misses a repeat of a group that matches only the empty text when a $ in it stands
    // at the text's end ("b($)+" finds nothing in "ab"). Every iteration of such a repeat
    // matches the same empty text, so with a minimum it means exactly its body once.
    if (node.Kind == NodeKind::Repeat && !(node.Min > 0 && Zero[In.Child(id, 0)]))
      AppendRepeatOperator(Out, node.Min, node.Max);
  }

 private:
  // The engine's own ^ also starts a line after a CR or a FF, and its $ ends one before them
  // but not between a CR and its LF. A leading ^ stays the engine's, so that it still looks
  // only at line starts.
  void WriteAssertion(Assertion kind) {
    if (LineFeed != nullptr && kind == Assertion::LineStart) {
      Out += "^(?<![\r\f])";
    } else if (LineFeed != nullptr && kind == Assertion::LineEnd) {
      Out += "(?:$(?![\r\f])|(?=\n))";
    } else if (kind == Assertion::StrayByte) {
      Out += InsideCharacter;
      Out += NoSequenceAhead;
    } else if (In.Utf8Word != nullptr) {
      // Written out once for the whole text, when its first word edge needs them.
      if (WordTests == nullptr) WordTests = std::make_unique<Utf8WordTests>(*In.Utf8Word, Words);
      Out += WordTests->Text(kind);
    } else {
      Out += AssertionText(kind);
    }
  }

  // Inside brackets the engine reads backslash escapes, so its own special members are escaped.
  void WriteElement(const Element& element) {
    if (element.Named) {
      Out += "[.";
      Out.append(In.Names, element.Text.Offset, element.Text.Length);
      Out += ".]";
      return;
    }
    if (IsOneOf(element.Byte, "\\]^-[")) Out += '\\';
    Out += static_cast<char>(element.Byte);
  }

  void WriteBracket(const Bracket& bracket) {
    Out += bracket.Negated ? "[^" : "[";
    for (std::uint32_t i = 0; i < bracket.ItemCount; ++i) {
      const BracketItem& item = In.Items[bracket.FirstItem + i];
      switch (item.Kind) {
        case ItemKind::Single:
          WriteElement(item.Low);
          break;
        case ItemKind::Range:
          WriteElement(item.Low);
          Out += '-';
          WriteElement(item.High);
          break;
        case ItemKind::Class:
          if (item.Negated) {  // only the escapes \W \S \D are negated classes
            Out += '\\';
            Out += static_cast<char>(In.Names[item.ClassOrEquivalence.Offset] - 'a' + 'A');
          } else {
            Out += "[:";
            Out.append(In.Names, item.ClassOrEquivalence.Offset, item.ClassOrEquivalence.Length);
            Out += ":]";
          }
          break;
        case ItemKind::Equivalence:
          Out += "[=";
          Out.append(In.Names, item.ClassOrEquivalence.Offset, item.ClassOrEquivalence.Length);
          Out += "=]";
          break;
      }
    }
    Out += ']';
  }

  const Tree& In;
  std::string& Out;
  const ZeroWidth& Zero;
  const LineFeedForm* LineFeed;
  const WordEdgeForm Words;
  std::unique_ptr<const Utf8WordTests> WordTests;  // a UTF-8 tree's word edges
};

// A whole UTF-8 tree's text starts there when it can match the empty text: no other match
// can start inside a character.
std::string CharacterStart(const Tree& tree, NodeId node) {
  return node == tree.Root && tree.Utf8() && CanMatchEmpty(tree) ? InsideCharacter : "";
}

std::string Written(const Tree& tree, NodeId node, const LineFeedForm* lineFeed,
                    const WordEdgeForm& words) {
  ZeroWidth zeroWidth(tree);
  Walk(tree, node, zeroWidth);
  std::string out = CharacterStart(tree, node);
  // The start test must hold for every alternative, not only the first one.
  const bool enclose = !out.empty() && tree.Nodes[node].Kind == NodeKind::Alternation;
  if (enclose) out += "(?:";
  Writer writer(tree, out, zeroWidth, lineFeed, words);
  Walk(tree, node, writer);
  if (enclose) out += ')';
  return out;
}

}  // namespace

std::string BoostText(const Tree& tree, NodeId node) {
  return Written(tree, node, nullptr, WordEdgeForm());
}

std::string BoostText(const Tree& tree) {
  return tree.Root == NoNode ? std::string() : BoostText(tree, tree.Root);
}

std::string BoostText(const Tree& tree, const LineFeedForm* lineFeed, const WordEdgeForm& words) {
  return tree.Root == NoNode ? std::string() : Written(tree, tree.Root, lineFeed, words);
}

}  // namespace Syntax
}  // namespace GrepEngine
