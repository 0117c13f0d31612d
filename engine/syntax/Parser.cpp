#include "syntax/Parser.h"

#include <cstring>

#include "engine/OptionWords.h"
#include "unicode/Utf8.h"

namespace GrepEngine {
namespace Syntax {
namespace {

// The C library's RE_DUP_MAX; POSIX asks for at least 255.
constexpr std::uint32_t LargestBound = 0x7fff;
// Node indexes are 32 bits wide; a longer pattern is too large.
constexpr std::size_t LongestPattern = 0x3fffffff;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
int HexValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The control characters written as a backslash and a letter; 0 for another letter.
unsigned char ControlEscape(unsigned char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 't':
      return '\t';
    case 'r':
      return '\r';
    case 'f':
      return '\f';
    case 'v':
      return '\v';
    default:
      return 0;
  }
}

enum class Tok {
  End,
  Literal,  // Value: the byte
  Dot,
  Caret,
  Dollar,
  Repeat,  // *, + or ?: Value is that character
  IntervalOpen,
  GroupOpen,
  GroupClose,
  Alternation,
  BackReference,  // Value: the number
  ClassEscape,    // Value: the letter
  Assertion,      // Value: an Assertion
  BracketOpen,
  Invalid,  // Value: an Error
};

struct Token {
  Tok Kind = Tok::End;
  std::uint32_t Value = 0;
  const char* After = nullptr;  // where the next token starts
};

class Parser {
 public:
  Parser(const char* first, const char* last, unsigned word, bool utf8)
      : First(first), Last(last), Word(word), Utf8(utf8), At(first) {}

  Tree Run() {
    if (static_cast<std::size_t>(Last - First) > LongestPattern) {
      Fail(Error::TooLarge, First);
    } else {
      Out.Nodes.reserve(static_cast<std::size_t>(Last - First) + 1);
      Frames.push_back({0, 0, 0, First});
      if (Has(SyntaxBits::Literals)) {
        for (const char* p = First; p != Last;) {
          const std::uint32_t character = Character(p);
          Items.push_back(Add(NodeKind::Literal, character));
        }
        Out.Root = EndAlternatives();
      } else {
        while (Step()) {
        }
      }
    }
    if (!Out.Failed()) return std::move(Out);
    Tree failed;
    failed.Failure = Out.Failure;
    failed.ErrorOffset = Out.ErrorOffset;
    return failed;
  }

 private:
  struct Frame {
    std::size_t ItemsStart;     // where this group's current branch starts in Items
    std::size_t BranchesStart;  // where its finished branches start in Branches
    std::uint32_t Group;        // its number; 0 for the pattern itself
    const char* Open;           // its opening parenthesis
  };

  bool Has(unsigned bit) const { return (Word & bit) != 0; }
  // The character at `p`, and `p` moved past it: a byte, or in a UTF-8 pattern a code point
  // (a byte that starts no well-formed sequence is marked as a raw byte).
  std::uint32_t Character(const char*& p) const {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (!Utf8 || c < 0x80) {
      ++p;
      return c;
    }
    std::uint32_t code = 0;
    const unsigned length = Unicode::SequenceAt(p, Last, code);
    if (length == 0) {
      ++p;
      return RawByte | c;
    }
    p += length;
    return code;
  }

  // The basic operator set also brings the basic context rules for ^ $ and *.
  bool BasicContext() const { return Has(SyntaxBits::LimitedOperations); }
  bool BarePlusQuestionOperators() const {
    return !Has(SyntaxBits::LimitedOperations) && !Has(SyntaxBits::QuestionmarkPlusNotOperators);
  }
  bool BareBarOperator() const {
    return !Has(SyntaxBits::LimitedOperations) && !Has(SyntaxBits::VerticalbarNotOperator);
  }
  bool BareBraceOperators() const {
    return Has(SyntaxBits::Intervals) && !Has(SyntaxBits::BracesNotOperators);
  }
  bool EscapedBraceOperators() const {
    return Has(SyntaxBits::Intervals) && Has(SyntaxBits::BracesNotOperators);
  }

  bool Fail(Error error, const char* at) {
    Out.Failure = error;
    Out.ErrorOffset = static_cast<std::size_t>(at - First);
    return false;
  }

  // ---- tokens ----

  Token Lex(const char* at) const {
    Token token;
    if (at == Last) {
      token.After = at;
      return token;
    }
    const unsigned char c = static_cast<unsigned char>(*at);
    token.After = at + 1;
    token.Kind = Tok::Literal;
    token.Value = c;
    if (c >= 0x80) {
      token.Value = Character(token.After = at);
      return token;
    }
    switch (c) {
      case '\\':
        return Escape(at);
      case '[':
        token.Kind = Tok::BracketOpen;
        break;
      case '.':
        token.Kind = Tok::Dot;
        break;
      case '^':
        token.Kind = Tok::Caret;
        break;
      case '$':
        token.Kind = Tok::Dollar;
        break;
      case '*':
        token.Kind = Tok::Repeat;
        break;
      case '\n':
        if (Has(SyntaxBits::NewlineAsAlternationOperator)) token.Kind = Tok::Alternation;
        break;
      case '+':
      case '?':
        if (BarePlusQuestionOperators()) token.Kind = Tok::Repeat;
        break;
      case '|':
        if (BareBarOperator()) token.Kind = Tok::Alternation;
        break;
      case '{':
        if (BareBraceOperators()) token.Kind = Tok::IntervalOpen;
        break;
      case '(':
        if (!Has(SyntaxBits::ParenthesesNotOperators)) token.Kind = Tok::GroupOpen;
        break;
      case ')':
        // A bare ) is special only where it closes a group.
        if (!Has(SyntaxBits::ParenthesesNotOperators) && Frames.size() > 1)
          token.Kind = Tok::GroupClose;
        break;
      default:
        break;
    }
    return token;
  }

  // The escape whose backslash is at `at`.
  Token Escape(const char* at) const {
    Token token;
    if (at + 1 == Last) {
      token.Kind = Tok::Invalid;
      token.Value = static_cast<std::uint32_t>(Error::Escape);
      return token;
    }
    const unsigned char c = static_cast<unsigned char>(at[1]);
    token.After = at + 2;
    token.Kind = Tok::Literal;
    token.Value = c;
    if (c >= 0x80) {  // an escaped character other than ASCII is itself
      token.Value = Character(token.After = at + 1);
      return token;
    }
    const auto assertion = [&token](Assertion kind) {
      token.Kind = Tok::Assertion;
      token.Value = static_cast<std::uint32_t>(kind);
    };
    switch (c) {
      case '+':
      case '?':
        if (Has(SyntaxBits::QuestionmarkPlusNotOperators)) token.Kind = Tok::Repeat;
        return token;
      case '|':
        if (Has(SyntaxBits::VerticalbarNotOperator)) token.Kind = Tok::Alternation;
        return token;
      case '{':
        if (EscapedBraceOperators()) token.Kind = Tok::IntervalOpen;
        return token;
      case '(':
        if (Has(SyntaxBits::ParenthesesNotOperators)) token.Kind = Tok::GroupOpen;
        return token;
      case ')':
        if (Has(SyntaxBits::ParenthesesNotOperators)) token.Kind = Tok::GroupClose;
        return token;
      case '<':
        assertion(Assertion::WordStart);
        return token;
      case '>':
        assertion(Assertion::WordEnd);
        return token;
      case '`':
        assertion(Assertion::BufferStart);
        return token;
      case '\'':
        assertion(Assertion::BufferEnd);
        return token;
      case 'b':
        assertion(Assertion::WordBoundary);
        return token;
      case 'B':
        assertion(Assertion::NotWordBoundary);
        return token;
      case 'w':
      case 'W':
      case 's':
      case 'S':
      case 'd':
      case 'D':
        token.Kind = Tok::ClassEscape;
        return token;
      case 'x': {
        const char* p = at + 2;
        unsigned value = 0;
        if (!ReadHex(p, value)) {
          token.Kind = Tok::Invalid;
          token.Value = static_cast<std::uint32_t>(Error::Escape);
          return token;
        }
        token.Value = value;
        token.After = p;
        return token;
      }
      default:
        break;
    }
    if (ControlEscape(c) != 0) {
      token.Value = ControlEscape(c);
    } else if (c >= '1' && c <= '9' && Has(SyntaxBits::BackReferences)) {
      token.Kind = Tok::BackReference;
      token.Value = c - '0';
    } else if (IsAlnum(c) && !IsDigit(c)) {
      token.Kind = Tok::Invalid;  // a letter the language gives no meaning
      token.Value = static_cast<std::uint32_t>(Error::Escape);
    }
    // Anything else (a digit that is no back-reference, punctuation, any other byte) is itself.
    return token;
  }

  // The hex digits after \x: one or two, or one or more in braces; the value fits a byte.
  bool ReadHex(const char*& p, unsigned& value) const {
    value = 0;
    if (p != Last && *p == '{') {
      const char* q = p + 1;
      for (; q != Last && HexValue(static_cast<unsigned char>(*q)) >= 0; ++q) {
        value = value * 16 + static_cast<unsigned>(HexValue(static_cast<unsigned char>(*q)));
        if (value > 0xFF) return false;
      }
      if (q == p + 1 || q == Last || *q != '}') return false;
      p = q + 1;
      return true;
    }
    int digits = 0;
    for (; digits < 2 && p != Last && HexValue(static_cast<unsigned char>(*p)) >= 0; ++p, ++digits)
      value = value * 16 + static_cast<unsigned>(HexValue(static_cast<unsigned char>(*p)));
    return digits > 0;
  }

  // ---- nodes ----

  NodeId Add(NodeKind kind, std::uint32_t value = 0) { return AddNode(Out, kind, value); }

  NodeId AddParent(NodeKind kind, std::uint32_t value, const NodeId* children, std::size_t count) {
    return AddParentNode(Out, kind, value, children, count);
  }

  // The items of a branch as one node.
  NodeId Sequence(const NodeId* items, std::size_t count) {
    if (count == 0) return Add(NodeKind::Empty);
    if (count == 1) return items[0];
    return AddParent(NodeKind::Concat, 0, items, count);
  }

  bool BranchEmpty() const { return Items.size() == Frames.back().ItemsStart; }
  bool LastIs(NodeKind kind) const {
    return !BranchEmpty() && Out.Nodes[Items.back()].Kind == kind;
  }
  // In the basic context ^ anchors only at the start, so an anchor last is the leading one.
  bool AfterLeadingCaret() const {
    return LastIs(NodeKind::Assertion) &&
           Out.Nodes[Items.back()].Value == static_cast<std::uint32_t>(Assertion::LineStart);
  }

  void EndBranch() {
    const std::size_t start = Frames.back().ItemsStart;
    const NodeId branch = Sequence(Items.data() + start, Items.size() - start);
    Items.resize(start);
    Branches.push_back(branch);
  }

  // Ends the innermost open group's (or the pattern's) last branch and joins its branches.
  NodeId EndAlternatives() {
    EndBranch();
    const std::size_t start = Frames.back().BranchesStart;
    const std::size_t count = Branches.size() - start;
    const NodeId joined = count == 1
                              ? Branches[start]
                              : AddParent(NodeKind::Alternation, 0, Branches.data() + start, count);
    Branches.resize(start);
    return joined;
  }

  // ---- grammar ----

  // Reads one token and acts on it; false once the pattern is read or found not valid.
  bool Step() {
    const char* const at = At;
    const Token token = Lex(at);
    if (token.Kind == Tok::Invalid) return Fail(static_cast<Error>(token.Value), at);
    At = token.After;
    switch (token.Kind) {
      case Tok::End:
        if (Frames.size() > 1) return Fail(Error::Paren, Frames.back().Open);
        Out.Root = EndAlternatives();
        return false;
      case Tok::Literal:
        Items.push_back(Add(NodeKind::Literal, token.Value));
        return true;
      case Tok::Dot:
        Items.push_back(Add(NodeKind::AnyByte));
        return true;
      case Tok::ClassEscape:
        Items.push_back(Add(NodeKind::ClassEscape, token.Value));
        return true;
      case Tok::Assertion:
        Items.push_back(Add(NodeKind::Assertion, token.Value));
        return true;
      case Tok::BackReference:
        if (token.Value > Closed.size() || !Closed[token.Value - 1])
          return Fail(Error::BackReference, at);
        Out.HasBackReferences = true;
        Items.push_back(Add(NodeKind::BackReference, token.Value));
        return true;
      case Tok::BracketOpen:
        if (Assertion edge; WordEdgeBracket(at, edge)) {
          Items.push_back(Add(NodeKind::Assertion, static_cast<std::uint32_t>(edge)));
          At = at + WordEdgeBracketLength;
          return true;
        }
        return ReadBracket(at);
      case Tok::Caret:
        if (!BasicContext() || BranchEmpty())
          Items.push_back(
              Add(NodeKind::Assertion, static_cast<std::uint32_t>(Assertion::LineStart)));
        else
          Items.push_back(Add(NodeKind::Literal, '^'));
        return true;
      case Tok::Dollar:
        if (!BasicContext() || EndsExpression(Lex(At)))
          Items.push_back(Add(NodeKind::Assertion, static_cast<std::uint32_t>(Assertion::LineEnd)));
        else
          Items.push_back(Add(NodeKind::Literal, '$'));
        return true;
      case Tok::Repeat:
        if (BasicContext() && (BranchEmpty() || AfterLeadingCaret())) {
          Items.push_back(Add(NodeKind::Literal, token.Value));  // nothing to repeat: ordinary
          return true;
        }
        if (!Repeatable(at)) return false;
        RepeatLast(token.Value == '+' ? 1 : 0, token.Value == '?' ? 1 : Unbounded);
        return true;
      case Tok::IntervalOpen: {
        std::uint32_t min = 0, max = 0;
        if (!Repeatable(at) || !ReadInterval(at, min, max)) return false;
        RepeatLast(min, max);
        return true;
      }
      case Tok::GroupOpen: {
        const auto number = static_cast<std::uint32_t>(Out.Groups.size() + 1);
        Out.Groups.push_back(NoNode);
        Closed.push_back(false);
        Frames.push_back({Items.size(), Branches.size(), number, at});
        return true;
      }
      case Tok::GroupClose: {
        if (Frames.size() == 1) return Fail(Error::Paren, at);
        const NodeId body = EndAlternatives();
        const std::uint32_t number = Frames.back().Group;
        Frames.pop_back();
        const NodeId group = AddParent(NodeKind::Group, number, &body, 1);
        Out.Groups[number - 1] = group;
        Closed[number - 1] = true;
        Items.push_back(group);
        return true;
      }
      case Tok::Alternation:
        EndBranch();
        return true;
      case Tok::Invalid:
        break;
    }
    return false;
  }

  static bool EndsExpression(const Token& next) {
    return next.Kind == Tok::End || next.Kind == Tok::GroupClose || next.Kind == Tok::Alternation;
  }

  // Whether the last item of the branch can take a repeat: it is there, and it is neither an
  // anchor nor a repeat itself.
  bool Repeatable(const char* at) {
    if (BranchEmpty() || LastIs(NodeKind::Repeat) || LastIs(NodeKind::Assertion))
      return Fail(Error::BadRepeat, at);
    return true;
  }

  void RepeatLast(std::uint32_t min, std::uint32_t max) {
    const NodeId repeat = AddParent(NodeKind::Repeat, 0, &Items.back(), 1);
    Out.Nodes[repeat].Min = min;
    Out.Nodes[repeat].Max = max;
    Items.back() = repeat;
  }

  // The bounds of an interval whose opening brace is at `open` (At is after it); moves At past
  // its close. As in the C library, each bound is read up to the next comma or close: the end
  // of the pattern before it is an unclosed brace, anything but digits there a bad bound.
  bool ReadInterval(const char* open, std::uint32_t& min, std::uint32_t& max) {
    const bool escaped = EscapedBraceOperators();
    const char* p = At;
    const auto atClose = [&] {
      return escaped ? p[0] == '\\' && p + 1 != Last && p[1] == '}' : *p == '}';
    };
    enum class Stop { Bound, End, Bad };
    // One bound, as digits up to a comma or the close.
    const auto bound = [&](std::uint32_t& value, bool& digits) {
      value = 0;
      digits = false;
      bool bad = false;
      for (; p != Last && !atClose() && *p != ','; ++p) {
        if (!IsDigit(static_cast<unsigned char>(*p))) {
          bad = true;
          if (*p == '\\' && p + 1 != Last) ++p;  // an escape is one character
          continue;
        }
        digits = true;
        if (value <= LargestBound) value = value * 10 + static_cast<std::uint32_t>(*p - '0');
      }
      if (p == Last) return Stop::End;
      return bad ? Stop::Bad : Stop::Bound;
    };
    bool hasMin = false, hasMax = false;
    Stop stop = bound(min, hasMin);
    max = min;
    if (stop == Stop::Bound && *p == ',') {
      ++p;
      stop = bound(max, hasMax);
      if (!hasMax) max = Unbounded;
      if (stop == Stop::Bound && *p == ',') stop = Stop::Bad;  // a second comma
    }
    if (stop == Stop::End) return Fail(Error::Brace, open);
    const bool tooLarge = min > LargestBound || (max != Unbounded && max > LargestBound);
    if (stop == Stop::Bad || !hasMin || tooLarge || min > max) return Fail(Error::BadBrace, open);
    At = p + (escaped ? 2 : 1);
    return true;
  }

  // "[[:<:]]" and "[[:>:]]", whole, are the start and the end of a word (as \< and \>); they
  // are read where [:class:] is, and nothing else in brackets is an assertion.
  static constexpr std::ptrdiff_t WordEdgeBracketLength = 7;
  bool WordEdgeBracket(const char* open, Assertion& edge) const {
    if (!Has(SyntaxBits::CharacterClasses) || Last - open < WordEdgeBracketLength) return false;
    const auto length = static_cast<std::size_t>(WordEdgeBracketLength);
    if (std::memcmp(open, "[[:<:]]", length) == 0) {
      edge = Assertion::WordStart;
      return true;
    }
    if (std::memcmp(open, "[[:>:]]", length) == 0) {
      edge = Assertion::WordEnd;
      return true;
    }
    return false;
  }

  // A bracket expression whose [ is at `open`; moves At past its ].
  bool ReadBracket(const char* open) {
    Bracket bracket;
    bracket.FirstItem = static_cast<std::uint32_t>(Out.Items.size());
    const char* p = At;
    if (p != Last && *p == '^') {
      bracket.Negated = true;
      ++p;
    }
    // A - that starts a range here: not the last member before the ].
    const auto rangeDash = [&] { return p != Last && *p == '-' && p + 1 != Last && p[1] != ']'; };
    for (bool first = true;; first = false) {
      if (p == Last) return Fail(Error::Bracket, open);
      if (*p == ']' && !first) {
        ++p;
        break;
      }
      BracketItem item;
      if (!ReadMember(p, item, open)) return false;
      if (rangeDash()) {
        if (item.Kind != ItemKind::Single) return Fail(Error::Range, p);
        ++p;
        BracketItem high;
        if (!ReadMember(p, high, open)) return false;
        if (high.Kind != ItemKind::Single) return Fail(Error::Range, p);
        item.Kind = ItemKind::Range;
        item.High = high.Low;
        if (rangeDash()) return Fail(Error::Range, p);  // a range may not run on: [a-c-e]
      }
      Out.Items.push_back(item);
    }
    bracket.ItemCount = static_cast<std::uint32_t>(Out.Items.size()) - bracket.FirstItem;
    Out.Brackets.push_back(bracket);
    Items.push_back(Add(NodeKind::Bracket, static_cast<std::uint32_t>(Out.Brackets.size() - 1)));
    At = p;
    return true;
  }

  Name AddName(const char* first, const char* last) {
    Name name;
    name.Offset = static_cast<std::uint32_t>(Out.Names.size());
    name.Length = static_cast<std::uint32_t>(last - first);
    Out.Names.append(first, last);
    return name;
  }

  // One member of a bracket expression at `p` (not at its end): a byte, [.c.], [=e=],
  // [:class:] or a backslash escape; moves `p` past it.
  bool ReadMember(const char*& p, BracketItem& item, const char* open) {
    item.Kind = ItemKind::Single;
    const char c = *p;
    if (c == '[' && p + 1 != Last &&
        (p[1] == '.' || p[1] == '=' || (p[1] == ':' && Has(SyntaxBits::CharacterClasses)))) {
      const char delimiter = p[1];
      const char* const name = p + 2;
      const char* close = name;
      while (close != Last && !(*close == delimiter && close + 1 != Last && close[1] == ']'))
        ++close;
      if (close == Last) return Fail(Error::Bracket, open);
      p = close + 2;
      if (delimiter == '.') {
        item.Low.Named = true;
        item.Low.Text = AddName(name, close);
      } else {
        item.Kind = delimiter == '=' ? ItemKind::Equivalence : ItemKind::Class;
        item.ClassOrEquivalence = AddName(name, close);
      }
      return true;
    }
    if (c != '\\' || !Has(SyntaxBits::EscapeInCharacterSets)) {
      SetElement(item.Low, Character(p));
      return true;
    }
    const char* const backslash = p;
    if (p + 1 == Last) return Fail(Error::Bracket, open);
    const unsigned char e = static_cast<unsigned char>(p[1]);
    if (e >= 0x80) {
      ++p;
      SetElement(item.Low, Character(p));
      return true;
    }
    p += 2;
    if (e != 0 && std::strchr("wsdWSD", e) != nullptr) {
      item.Kind = ItemKind::Class;
      item.Negated = e == 'W' || e == 'S' || e == 'D';
      const char lower = static_cast<char>(item.Negated ? e - 'A' + 'a' : e);
      item.ClassOrEquivalence = AddName(&lower, &lower + 1);
      return true;
    }
    unsigned value = e;
    if (ControlEscape(e) != 0) {
      value = ControlEscape(e);
    } else if (e == 'x') {
      if (!ReadHex(p, value)) return Fail(Error::Escape, backslash);
    } else if (IsAlnum(e)) {
      return Fail(Error::Escape, backslash);
    }
    SetElement(item.Low, value);
    return true;
  }

  void SetElement(Element& element, std::uint32_t character) const {
    element.Byte = static_cast<unsigned char>(character);
    element.Code = character;
  }

  const char* const First;
  const char* const Last;
  const unsigned Word;
  const bool Utf8;
  const char* At;  // the next token
  Tree Out;
  std::vector<NodeId> Items;     // the items of the open branches, innermost last
  std::vector<NodeId> Branches;  // the finished branches of the open groups, innermost last
  std::vector<Frame> Frames;     // the pattern, then each open group
  std::vector<bool> Closed;      // Closed[n - 1]: group n is complete
};

}  // namespace

Tree Parse(const char* first, const char* last, unsigned optionWord, bool utf8) {
  Tree tree = Parser(first, last, optionWord, utf8).Run();
  tree.CodePoints = utf8 && !tree.Failed();
  return tree;
}

}  // namespace Syntax
}  // namespace GrepEngine
