#pragma once
// Generated cases for comparing the planned routes with the reference engine: patterns that
// reach every route (literals, literal sets, the DFA with and without a skip, anchors, word
// edges, bounded repeats, empty matches), option words, match words and texts with the bytes
// that tell engines apart (CR, FF, NUL, upper case, Latin-1 letters, word characters).

#include <cstdint>
#include <string>
#include <vector>

#include "GeneratedCases.h"
#include "engine/OptionWords.h"

namespace TestCases {

class DifferentialGenerator {
 public:
  explicit DifferentialGenerator(std::uint32_t seed) : Random(seed) {}

  std::uint32_t Below(std::uint32_t n) { return Random.Below(n); }

  std::string Pattern() {
    switch (Below(6)) {
      case 0:
        return Random.Pattern();
      case 1:
        return Random.Alternation();
      case 2:
        return Random.Classes();
      case 3:
        return Random.Literal() + "|" + Random.Literal();
      default:
        return Own();
    }
  }

  unsigned OptionWord() {
    namespace S = GrepEngine::SyntaxBits;
    static const unsigned words[] = {S::Normal, S::Extended, S::Normal | S::CaseInsensitive,
                                     S::Extended | S::CaseInsensitive, S::Basic,
                                     S::Normal & ~S::NoLocaleSpecificCollation};
    return words[Below(sizeof words / sizeof *words)];
  }

  unsigned MatchWord() {
    namespace M = GrepEngine::MatchBits;
    static const unsigned bits[] = {M::NotBeginningOfLine,   M::NotEndOfLine,   M::NotBeginningOfBuffer,
                                    M::NotEndOfBuffer,       M::NotBeginningOfWord, M::NotEndOfWord,
                                    M::NotDotNewline,        M::NotDotNullCharacter, M::NotNullString,
                                    M::Continuous,           M::Shortest};
    unsigned word = 0;
    const std::uint32_t count = Below(3);
    for (std::uint32_t i = 0; i < count; ++i) word |= bits[Below(sizeof bits / sizeof *bits)];
    return word;
  }

  std::string Text() {
    if (Below(2) == 0) return Random.Text();
    static const char alphabet[] = "aaabbbcABx_ 0\n\n\r\f\t.\xe9\xc9";
    std::string text;
    const std::uint32_t length = Below(60);
    for (std::uint32_t i = 0; i < length; ++i) {
      if (Below(40) == 0)
        text += '\0';
      else
        text += alphabet[Below(sizeof alphabet - 1)];
    }
    return text;
  }

 private:
  std::string Own() {
    static const char* const atoms[] = {"a",      "b",     "[ab]",   "[[:upper:]]", "[^\n]",  ".",
                                        "\\w",    "\\W",   "\\s",    "\\d",         "A",      "\xe9",
                                        "(a|ab)", "(b|)",  "()",     "(a*)",        "(a|b)+", "^",
                                        "$",      "\\b",   "\\`",    "\\'",         "\\<",    "[.a.]",
                                        "[[=b=]]", "\r",   "[a-c]",  "(^a|b$)",     "\\x00",  "[^a-z]"};
    static const char* const repeats[] = {"*", "+", "?", "{2,3}", "{0,1}", "{1,}", "{3}", "*", "+"};
    std::string pattern;
    const std::uint32_t pieces = 1 + Below(4);
    for (std::uint32_t i = 0; i < pieces; ++i) {
      if (i > 0 && Below(6) == 0) pattern += '|';
      pattern += atoms[Below(sizeof atoms / sizeof *atoms)];
      if (Below(3) == 0) pattern += repeats[Below(sizeof repeats / sizeof *repeats)];
    }
    if (Below(8) == 0) pattern = "(" + pattern + ")*";
    return pattern;
  }

  Generator Random;
};

}  // namespace TestCases
