#pragma once
// Deterministic generated UTF-8 patterns and texts: characters of one to four bytes, ASCII
// among them, cases that fold across scripts, classes, word edges and repeats of whole
// characters; texts that mix them with bytes that are not UTF-8.

#include <cstdint>
#include <string>

#include "DifferentialCases.h"

namespace TestCases {

class Utf8Generator {
 public:
  explicit Utf8Generator(std::uint32_t seed) : Random(seed) {}

  std::uint32_t Below(std::uint32_t n) { return Random.Below(n); }

  std::string Pattern() {
    static const char* const atoms[] = {"a",
                                        "b",
                                        "é",
                                        "É",
                                        "ж",
                                        "Ж",
                                        "€",
                                        "😀",
                                        "ß",
                                        ".",
                                        "[aé]",
                                        "[^a]",
                                        "[^é ]",
                                        "[à-ê]",
                                        "[[:alpha:]]",
                                        "[[:upper:]]",
                                        "[[:lower:]]",
                                        "[[:punct:]]",
                                        "\\w",
                                        "\\W",
                                        "\\s",
                                        "(é|a)",
                                        "(ж+)",
                                        "(a|éb)",
                                        "\\b",
                                        "\\B",
                                        "\\<",
                                        "\\>",
                                        "^",
                                        "$",
                                        "(.)",
                                        "([^ ]*)",
                                        "k",
                                        "s",
                                        " ",
                                        "x*",
                                        "\xA9" /* not UTF-8 */,
                                        "[\xC3\x61]" /* a cut-off sequence, then a */,
                                        "\xE2\x82" /* cut off */};
    static const char* const repeats[] = {"*", "+", "?", "{2}", "{1,2}"};
    std::string pattern;
    const std::uint32_t pieces = 1 + Below(4);
    for (std::uint32_t i = 0; i < pieces; ++i) {
      if (i > 0 && Below(8) == 0) pattern += '|';
      pattern += atoms[Below(sizeof atoms / sizeof *atoms)];
      if (Below(4) == 0) pattern += repeats[Below(sizeof repeats / sizeof *repeats)];
    }
    if (Below(12) == 0) pattern += '|';  // an empty alternative: empty matches after a choice
    return pattern;
  }

  unsigned OptionWord() {
    namespace S = GrepEngine::SyntaxBits;
    static const unsigned words[] = {S::Normal, S::Extended, S::Normal | S::CaseInsensitive,
                                     S::Extended | S::CaseInsensitive};
    return words[Below(sizeof words / sizeof *words)];
  }

  unsigned MatchWord() { return Random.MatchWord(); }

  std::string Text() {
    static const char* const pieces[] = {"a",
                                         "b",
                                         "é",
                                         "É",
                                         "ж",
                                         "Ж",
                                         "€",
                                         "😀",
                                         "ß",
                                         "ẞ",
                                         "k",
                                         "K",
                                         "\xE2\x84\xAA" /* KELVIN SIGN */,
                                         " ",
                                         "\n",
                                         "x",
                                         "_",
                                         "1",
                                         "\xC3" /* cut off */,
                                         "\xA9" /* stray */,
                                         "\xFF",
                                         "\xE2\x82" /* cut off */};
    std::string text;
    const std::uint32_t length = Below(24);
    for (std::uint32_t i = 0; i < length; ++i)
      text += pieces[Below(sizeof pieces / sizeof *pieces)];
    return text;
  }

 private:
  DifferentialGenerator Random;
};

}  // namespace TestCases
