#include "Prefilter.h"

#include <algorithm>
#include <cstring>

#include "LiteralSearch.h"
#include "engine/Matching.h"
#include "engine/Pattern.h"
#include "engine/OptionWords.h"

namespace GrepEngine {
namespace {

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One atom of a pattern in the default syntax: a literal byte, something else that consumes
// text (class, group, dot, escape), or a zero-width anchor.
enum class Atom { Literal, Other, Anchor };

// Reads the default syntax (ERE, escapes inside brackets, intervals, back-references) one atom
// at a time. Anything it is not sure about makes it give up, and the analyses then answer
// "not known".
class Reader {
 public:
  Reader(const char* first, const char* last) : At(first), End(last) {}

  bool Done() const { return At == End; }
  // The text of the atom Next() read last, without its repeats.
  std::string AtomText() const { return std::string(AtomStart, AtomEnd); }
  bool GaveUp() const { return Unsure; }
  // True once after the atom read was a top-level '|'.
  bool TakeBar() {
    const bool bar = AtBar;
    AtBar = false;
    return bar;
  }

  // The next atom; for a literal, its byte in `literal`.
  Atom Next(char& literal) {
    AtomStart = At;
    const char c = *At++;
    switch (c) {
      case '\\': return Escape(literal);
      case '[': SkipBracket(); return Atom::Other;
      case '(': SkipGroup(); return Atom::Other;
      case '.': return Atom::Other;
      case ')': return Atom::Other;  // unbalanced: leave it to the engine
      case '^':
      case '$': return Atom::Anchor;
      case '|':
        AtBar = true;
        return Atom::Other;
      case '*':
      case '+':
      case '?':
      case '{':
        // Alternation at this level, or a repeat with nothing to repeat.
        Unsure = true;
        return Atom::Other;
      default: literal = c; return Atom::Literal;
    }
  }

  // Reads the repeats after an atom: none, only '+' (at least once), or one that allows none.
  enum class Repeat { None, AtLeastOnce, MaybeNone };
  Repeat Repeats() {
    AtomEnd = At;
    MinimumCount = 1;
    Repeat repeat = Repeat::None;
    while (At != End && std::strchr("*+?{", *At) != nullptr) {
      const char c = *At++;
      if (c == '{') {
        unsigned low = 0;
        bool digits = false;
        while (At != End && IsDigit(*At) && low < 100) {
          low = low * 10 + static_cast<unsigned>(*At++ - '0');
          digits = true;
        }
        while (At != End && *At != '}') ++At;
        if (At == End) {
          Unsure = true;
          return Repeat::MaybeNone;
        }
        ++At;
        // {n,...} with n >= 1 repeats at least once; the run counts up to n copies.
        if (digits && low >= 1 && repeat != Repeat::MaybeNone) {
          if (MinimumCount == 1 && repeat == Repeat::None) MinimumCount = low;
          repeat = Repeat::AtLeastOnce;
          continue;
        }
      }
      if (c == '+') {
        if (repeat == Repeat::None) repeat = Repeat::AtLeastOnce;
      } else {
        repeat = Repeat::MaybeNone;
      }
    }
    return repeat;
  }

 private:
  Atom Escape(char& literal) {
    if (At == End) {
      Unsure = true;
      return Atom::Other;
    }
    const char c = *At++;
    if (!IsAlnum(c)) {
      if (std::strchr("<>`'", c) != nullptr) return Atom::Anchor;
      literal = c;
      return Atom::Literal;
    }
    if (std::strchr("bB", c) != nullptr) return Atom::Anchor;
    if (std::strchr("wWsSdDntrfv", c) != nullptr) return Atom::Other;
    if (c == 'x') {
      if (At != End && *At == '{') {
        while (At != End && *At != '}') ++At;
        if (At != End) ++At;
      } else {
        for (int i = 0; i < 2 && At != End && IsHex(*At); ++i) ++At;
      }
      return Atom::Other;
    }
    if (IsDigit(c)) {
      while (At != End && IsDigit(*At)) ++At;  // the engine may read more digits as the number
      return Atom::Other;
    }
    Unsure = true;  // an escape whose extent is not known here
    return Atom::Other;
  }

  void SkipBracket() {
    if (At != End && *At == '^') ++At;
    if (At != End && *At == ']') ++At;  // a leading ] is a member
    while (At != End && *At != ']') {
      if (*At == '[' && At + 1 != End && std::strchr(":=.", At[1]) != nullptr) {
        const char delimiter = At[1];
        At += 2;
        while (At != End && !(*At == delimiter && At + 1 != End && At[1] == ']')) ++At;
        if (At == End) break;
        At += 2;
        continue;
      }
      if (*At == '\\' && At + 1 != End) ++At;
      ++At;
    }
    if (At == End) {
      Unsure = true;
      return;
    }
    ++At;
  }

  void SkipGroup() {
    unsigned depth = 1;
    while (At != End && depth > 0) {
      const char c = *At++;
      if (c == '\\') {
        if (At != End) ++At;
      } else if (c == '[') {
        SkipBracket();
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        --depth;
      }
    }
    if (depth > 0) Unsure = true;
  }

  const char* At;
  const char* End;
  const char* AtomStart = nullptr;
  const char* AtomEnd = nullptr;
  bool Unsure = false;
  bool AtBar = false;

 public:
  // After Repeats(): how many copies of the atom every match holds in a row (1 unless an
  // interval asks for more).
  unsigned MinimumCount = 1;
};

// Whether the analyses can read `word`'s syntax; `whole` is set when the text is taken as it is.
bool Analysable(unsigned word, bool& whole) {
  whole = false;
  if (word & SyntaxBits::CaseInsensitive) return false;
  if (word & SyntaxBits::Literals) {
    whole = true;
    return true;
  }
  return word == SyntaxBits::Normal;
}

}  // namespace

std::string PlainLiteral(const char* first, const char* last, unsigned optionWord) {
  bool whole = false;
  if (!Analysable(optionWord, whole)) return std::string();
  if (whole) return std::string(first, last);
  std::string literal;
  Reader reader(first, last);
  while (!reader.Done()) {
    char c = 0;
    if (reader.Next(c) != Atom::Literal || reader.GaveUp()) return std::string();
    if (reader.Repeats() != Reader::Repeat::None) return std::string();
    literal += c;
  }
  return literal;
}

std::vector<std::string> RequiredLiterals(const char* first, const char* last, unsigned optionWord) {
  bool whole = false;
  if (!Analysable(optionWord, whole)) return {};
  if (whole) {
    if (first == last) return {};
    return {std::string(first, last)};
  }
  std::vector<std::string> literals;
  std::string best, run;
  const auto endRun = [&] {
    if (run.size() > best.size()) best = run;
    run.clear();
  };
  // Ends one alternative: it must have a literal of its own, or nothing is known.
  const auto endAlternative = [&] {
    endRun();
    if (best.empty()) return false;
    literals.push_back(best);
    best.clear();
    return true;
  };
  Reader reader(first, last);
  while (!reader.Done()) {
    char c = 0;
    const Atom atom = reader.Next(c);
    if (reader.TakeBar()) {
      if (!endAlternative()) return {};
      continue;
    }
    const Reader::Repeat repeat = reader.Repeats();
    if (reader.GaveUp()) return {};
    if (atom == Atom::Anchor && repeat != Reader::Repeat::None) return {};
    if (atom != Atom::Literal || repeat == Reader::Repeat::MaybeNone) {
      endRun();
      continue;
    }
    run += c;
    if (repeat == Reader::Repeat::AtLeastOnce) endRun();  // "ab+c": "ab", then more b's
  }
  if (!endAlternative()) return {};
  return literals;
}

std::string RequiredLiteral(const char* first, const char* last, unsigned optionWord) {
  std::vector<std::string> literals = RequiredLiterals(first, last, optionWord);
  return literals.size() == 1 ? std::move(literals.front()) : std::string();
}

namespace {

// Named classes that hold no LF.
bool ClassWithoutNewline(const std::string& name) {
  static const char* const names[] = {"alpha", "digit", "alnum", "upper", "lower",
                                      "punct", "xdigit", "graph", "print", "word"};
  for (const char* known : names)
    if (name == known) return true;
  return false;
}

// Whether the bracket expression after '[' at `at` can hold no LF; moves `at` past it.
bool BracketWithoutNewline(const char*& at, const char* end) {
  if (at != end && *at == '^') return false;  // a negated set holds the LF
  bool firstMember = true;
  while (at != end && (*at != ']' || firstMember)) {
    firstMember = false;
    const unsigned char c = static_cast<unsigned char>(*at);
    if (c == '\\' || c == '\n') return false;
    if (c == '[' && at + 1 != end && std::strchr(":=.", at[1]) != nullptr) {
      if (at[1] != ':') return false;
      const char* name = at + 2;
      const char* close = name;
      while (close + 1 < end && !(close[0] == ':' && close[1] == ']')) ++close;
      if (close + 1 >= end || !ClassWithoutNewline(std::string(name, close))) return false;
      at = close + 2;
      continue;
    }
    if (at + 2 < end && at[1] == '-' && at[2] != ']') {
      const unsigned char high = static_cast<unsigned char>(at[2]);
      if (high == '\\' || (c <= '\n' && '\n' <= high)) return false;
      at += 3;
      continue;
    }
    ++at;
  }
  if (at == end) return false;
  ++at;
  return true;
}

}  // namespace

bool StaysOnOneLine(const char* first, const char* last, unsigned optionWord) {
  bool whole = false;
  if (!Analysable(optionWord, whole)) return false;
  if (whole) return std::memchr(first, '\n', static_cast<std::size_t>(last - first)) == nullptr;
  for (const char* at = first; at != last;) {
    const char c = *at++;
    if (c == '\n' || c == '.') return false;
    if (c == '[') {
      if (!BracketWithoutNewline(at, last)) return false;
      continue;
    }
    if (c != '\\') continue;
    if (at == last) return false;
    const char escaped = *at++;
    // Escapes that may stand for a LF: the LF itself, spaces, non-words, non-digits, codes.
    if (std::strchr("\nnsWDxc", escaped) != nullptr) return false;
    if (IsAlnum(escaped) && std::strchr("wSdbBtrfv123456789", escaped) == nullptr) return false;
  }
  return true;
}

namespace {

// The bytes a single-byte atom accepts, asked of the engine byte by byte; false when the atom
// can match something other than exactly one byte (or does not compile alone).
bool SetOfAtom(const std::string& atom, unsigned word, const std::locale& locale, ByteSet& set) {
  if (atom.find("[.") != std::string::npos || atom.find("[=") != std::string::npos) return false;
  const auto compiled = Pattern::Compile(atom.data(), atom.data() + atom.size(), word, locale);
  if (compiled->Failed() || compiled->MarkCount() != 1) return false;
  MatchResults match;
  const char empty = 0;
  if (MatchAt(*compiled, &empty, &empty, 0, match)) return false;  // it matches nothing at all
  set.reset();
  for (unsigned b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    if (!MatchAt(*compiled, &byte, &byte + 1, 0, match)) continue;
    if (match.Sub(0).Length() != 1) return false;
    set.set(b);
  }
  return set.any();
}

// How much a run narrows the text: the chance that random bytes hold it at one position.
double Selectivity(const std::vector<ByteSet>& run) {
  double chance = 1.0;
  for (const ByteSet& set : run) chance *= static_cast<double>(set.count()) / 256.0;
  return chance;
}

}  // namespace

std::vector<ByteSet> RequiredByteRun(const char* first, const char* last, unsigned optionWord,
                                     const std::locale& locale) {
  bool whole = false;
  if (!Analysable(optionWord, whole) || whole) return {};
  std::vector<ByteSet> best, run;
  const auto endRun = [&] {
    if (!run.empty() && (best.empty() || Selectivity(run) < Selectivity(best))) best = run;
    run.clear();
  };
  Reader reader(first, last);
  while (!reader.Done()) {
    char c = 0;
    const Atom atom = reader.Next(c);
    if (reader.TakeBar()) return {};  // alternatives: no one run is required
    const Reader::Repeat repeat = reader.Repeats();
    if (reader.GaveUp()) return {};
    if (atom == Atom::Anchor && repeat != Reader::Repeat::None) return {};
    ByteSet set;
    const bool single =
        atom == Atom::Literal ? (set.set(static_cast<unsigned char>(c)), true)
        : atom == Atom::Other ? SetOfAtom(reader.AtomText(), optionWord, locale, set)
                              : false;
    if (!single || repeat == Reader::Repeat::MaybeNone) {
      endRun();
      continue;
    }
    const unsigned copies = repeat == Reader::Repeat::None ? 1u : std::min(reader.MinimumCount, 8u);
    for (unsigned i = 0; i < copies; ++i) run.push_back(set);
    if (repeat == Reader::Repeat::AtLeastOnce) endRun();
  }
  endRun();
  return best;
}

bool Prefilter::MayMatch(const char* first, const char* last) const {
  if (Required.empty()) return true;
  for (const std::string& literal : Required)
    if (FindLiteral(first, last, literal) != nullptr) return true;
  return false;
}

}  // namespace GrepEngine
