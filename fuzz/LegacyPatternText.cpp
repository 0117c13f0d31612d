// The pattern text the engine was given before patterns were parsed into a syntax tree: the
// former token rewriter, frozen here as the fuzz targets' reference for the old behaviour.
// Only the compile fuzz target uses it; nothing in the toolkit does.

#include "LegacyPatternText.h"

#include <cstring>
#include <vector>

#include "engine/OptionWords.h"

namespace Legacy {

namespace SyntaxBits = GrepEngine::SyntaxBits;

namespace {

enum class Kind {
  Literal,   // one ordinary character
  Verbatim,  // copied as it is: escapes both syntaxes share, bracket expressions
  Dot,
  Caret,
  Dollar,
  Star,
  Plus,
  Question,
  IntervalOpen,
  IntervalClose,
  GroupOpen,
  GroupClose,
  Alternation,
  BackReference
};

struct Token {
  Kind kind;
  std::string text;  // Literal: the character; Verbatim: the text; BackReference: the digit
};

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters the canonical syntax gives a meaning outside brackets.
bool SpecialInCanonical(char c) {
  return std::strchr(".[]{}()\\*+?|^$", c) != nullptr && c != '\0';
}

class Tokeniser {
 public:
  Tokeniser(const char* first, const char* last, unsigned word)
      : Position(first), End(last), Word(word) {}

  std::vector<Token> Run() {
    while (Position != End) Next();
    return std::move(Tokens);
  }

 private:
  bool Has(unsigned bit) const { return (Word & bit) != 0; }

  void Add(Kind kind, std::string text = std::string()) {
    Tokens.push_back({kind, std::move(text)});
  }
  void Literal(char c) { Add(Kind::Literal, std::string(1, c)); }

  // Bare + ? | are operators unless LimitedOperations or their backslashed form is the operator.
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

  void OpenGroup() {
    ++OpenGroups;
    Add(Kind::GroupOpen);
  }
  void CloseGroup() {
    if (OpenGroups > 0) --OpenGroups;
    Add(Kind::GroupClose);
  }
  void OpenInterval() {
    InInterval = true;
    Add(Kind::IntervalOpen);
  }
  void CloseInterval() {
    InInterval = false;
    Add(Kind::IntervalClose);
  }

  void Next() {
    const char c = *Position++;
    switch (c) {
      case '\\':
        Escape();
        return;
      case '[':
        Bracket();
        return;
      case '.':
        Add(Kind::Dot);
        return;
      case '^':
        Add(Kind::Caret);
        return;
      case '$':
        Add(Kind::Dollar);
        return;
      case '*':
        Add(Kind::Star);
        return;
      case '\n':
        if (Has(SyntaxBits::NewlineAsAlternationOperator))
          Add(Kind::Alternation);
        else
          Literal(c);
        return;
      case '+':
      case '?':
        if (BarePlusQuestionOperators())
          Add(c == '+' ? Kind::Plus : Kind::Question);
        else
          Literal(c);
        return;
      case '|':
        if (BareBarOperator())
          Add(Kind::Alternation);
        else
          Literal(c);
        return;
      case '{':
        if (BareBraceOperators())
          OpenInterval();
        else
          Literal(c);
        return;
      case '}':
        // A bare } is special only where it closes an interval.
        if (BareBraceOperators() && InInterval)
          CloseInterval();
        else
          Literal(c);
        return;
      case '(':
        if (!Has(SyntaxBits::ParenthesesNotOperators))
          OpenGroup();
        else
          Literal(c);
        return;
      case ')':
        // A bare ) is special only where it closes a group.
        if (!Has(SyntaxBits::ParenthesesNotOperators) && OpenGroups > 0)
          CloseGroup();
        else
          Literal(c);
        return;
      default:
        Literal(c);
        return;
    }
  }

  void Escape() {
    if (Position == End) {
      Add(Kind::Verbatim, "\\");  // a trailing backslash: Boost's error_escape
      return;
    }
    const char c = *Position++;
    switch (c) {
      case '+':
      case '?':
        if (Has(SyntaxBits::QuestionmarkPlusNotOperators))
          Add(c == '+' ? Kind::Plus : Kind::Question);
        else
          Literal(c);
        return;
      case '|':
        if (Has(SyntaxBits::VerticalbarNotOperator))
          Add(Kind::Alternation);
        else
          Literal(c);
        return;
      case '{':
      case '}':
        if (!EscapedBraceOperators())
          Literal(c);
        else if (c == '{')
          OpenInterval();
        else
          CloseInterval();  // unmatched: Boost reports it
        return;
      case '(':
      case ')':
        if (!Has(SyntaxBits::ParenthesesNotOperators))
          Literal(c);
        else if (c == '(')
          OpenGroup();
        else
          CloseGroup();  // unmatched: Boost reports it
        return;
      default:
        break;
    }
    if (c >= '1' && c <= '9') {
      // Without back-references an escaped digit is just the digit (Boost would read an octal
      // code).
      if (Has(SyntaxBits::BackReferences))
        Add(Kind::BackReference, std::string(1, c));
      else
        Literal(c);
      return;
    }
    if (c == '<' || c == '>' || c == '`' || c == '\'') {
      Add(Kind::Verbatim, std::string{'\\', c});  // word and buffer boundaries
      return;
    }
    if (!IsAlnum(c)) {
      Literal(c);  // an escaped punctuation character (or newline) stands for itself
      return;
    }
    // Letter escapes (\w \b \< ... \n \xHH) mean the same in the canonical syntax. \x{...} is
    // kept whole so that its braces are not read as the word's interval braces.
    std::string text{'\\', c};
    if (c == 'x' && Position != End && *Position == '{') {
      const char* close = Position;
      while (close != End && *close != '}') ++close;
      if (close != End) ++close;
      text.append(Position, close);
      Position = close;
    }
    Add(Kind::Verbatim, std::move(text));
  }

  // A bracket expression, rewritten for brackets with backslash escapes and character classes.
  void Bracket() {
    std::string out = "[";
    if (Position != End && *Position == '^') {
      out += '^';
      ++Position;
    }
    if (Position != End && *Position == ']') {  // a leading ] is a member
      out += "\\]";
      ++Position;
    }
    while (Position != End && *Position != ']') {
      const char c = *Position;
      if (c == '[' && Position + 1 != End &&
          (Position[1] == '=' || Position[1] == '.' ||
           (Position[1] == ':' && Has(SyntaxBits::CharacterClasses)))) {
        // [=e=], [.c.], [:class:] up to their own closing pair, taken whole.
        const char delimiter = Position[1];
        const char* scan = Position + 2;
        while (scan != End && !(*scan == delimiter && scan + 1 != End && scan[1] == ']')) ++scan;
        if (scan == End) {
          out.append(Position, End);  // unterminated: Boost reports it
          Position = End;
          break;
        }
        out.append(Position, scan + 2);
        Position = scan + 2;
        continue;
      }
      if (c == '[') {
        out += "\\[";  // an ordinary [ (also "[:" when classes are off)
      } else if (c == '\\') {
        if (Has(SyntaxBits::EscapeInCharacterSets)) {
          out += c;
          if (Position + 1 != End) out += *++Position;
        } else {
          out += "\\\\";
        }
      } else {
        out += c;
      }
      ++Position;
    }
    if (Position != End) {
      out += ']';
      ++Position;
    }
    Add(Kind::Verbatim, std::move(out));
  }

  const char* Position;
  const char* End;
  unsigned Word;
  std::vector<Token> Tokens;
  unsigned OpenGroups = 0;
  bool InInterval = false;
};

bool StartsAnExpression(const Token* previous) {
  return previous == nullptr || previous->kind == Kind::GroupOpen ||
         previous->kind == Kind::Alternation;
}

bool EndsAnExpression(const Token* next) {
  return next == nullptr || next->kind == Kind::GroupClose || next->kind == Kind::Alternation;
}

// POSIX's smallest RE_DUP_MAX is 255; the C library allows 0x7fff, and so do we. Larger bounds
// are a bad interval (Boost itself would silently clamp them).
constexpr unsigned long LargestBound = 0x7fff;

// Whether the interval starting after tokens[open] has a bound above LargestBound.
bool BoundTooLarge(const std::vector<Token>& tokens, std::size_t open) {
  unsigned long value = 0;
  for (std::size_t i = open + 1; i < tokens.size() && tokens[i].kind == Kind::Literal; ++i) {
    const char c = tokens[i].text[0];
    if (c < '0' || c > '9') {
      value = 0;
      continue;
    }
    value = value * 10 + static_cast<unsigned long>(c - '0');
    if (value > LargestBound) return true;
  }
  return false;
}

void AppendLiteral(std::string& out, char c) {
  if (SpecialInCanonical(c)) out += '\\';
  out += c;
}

}  // namespace

std::string PatternText(const char* first, const char* last, unsigned word) {
  const std::vector<Token> tokens = Tokeniser(first, last, word).Run();
  // The operator set of LimitedOperations is the basic one, and so are its context rules:
  // ^ anchors only at the start of an expression (pattern, group, alternative), $ only at its
  // end, and a repeat with nothing before it is an ordinary character. Otherwise ^ and $
  // anchor anywhere and a repeat with nothing to repeat is an error, as in ERE.
  const bool basicContext = (word & SyntaxBits::LimitedOperations) != 0;

  std::string out;
  out.reserve(static_cast<std::size_t>(last - first) * 2);
  bool previousWasAnchor = false;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    const Token* previous = i == 0 ? nullptr : &tokens[i - 1];
    const Token* next = i + 1 == tokens.size() ? nullptr : &tokens[i + 1];
    bool anchor = false;
    switch (token.kind) {
      case Kind::Literal:
        AppendLiteral(out, token.text[0]);
        break;
      case Kind::Verbatim:
        out += token.text;
        break;
      case Kind::Dot:
        out += '.';
        break;
      case Kind::Caret:
        anchor = !basicContext || StartsAnExpression(previous);
        if (anchor)
          out += '^';
        else
          out += "\\^";
        break;
      case Kind::Dollar:
        if (!basicContext || EndsAnExpression(next))
          out += '$';
        else
          out += "\\$";
        break;
      case Kind::Star:
      case Kind::Plus:
      case Kind::Question: {
        const char op = token.kind == Kind::Star ? '*' : token.kind == Kind::Plus ? '+' : '?';
        if (basicContext && (StartsAnExpression(previous) || previousWasAnchor)) {
          AppendLiteral(out, op);
        } else {
          out += op;
        }
        break;
      }
      case Kind::IntervalOpen:
        if (BoundTooLarge(tokens, i)) {
          out += "{1,0}";  // Boost's error_badbrace
          while (i + 1 < tokens.size() && tokens[i + 1].kind != Kind::IntervalClose) ++i;
          if (i + 1 < tokens.size()) ++i;
        } else {
          out += '{';
        }
        break;
      case Kind::IntervalClose:
        out += '}';
        break;
      case Kind::GroupOpen:
        out += '(';
        break;
      case Kind::GroupClose:
        out += ')';
        break;
      case Kind::Alternation:
        out += '|';
        break;
      case Kind::BackReference:
        out += '\\' + token.text;
        break;
    }
    previousWasAnchor = anchor;
  }
  return out;
}

}  // namespace Legacy
