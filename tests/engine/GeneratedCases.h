#pragma once
// Deterministic generated patterns (default syntax) and texts for comparing two ways of
// searching: literals, escapes, classes, groups, repeats, anchors and alternation over a small
// alphabet, so that matches are frequent.

#include <cstdint>
#include <string>

namespace TestCases {

class Generator {
 public:
  explicit Generator(std::uint32_t seed) : State(seed ? seed : 1) {}

  std::uint32_t Below(std::uint32_t n) {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State % n;
  }

  std::string Pattern() {
    static const char* const atoms[] = {"a",   "b",    "c",     "ab",   "abc",  "ba",   "\\.",
                                        ".",   "[ab]", "[^a]",  "(a|b)", "(ab)", "x",   "\n",
                                        "\\w", "^",    "$",     "\\<",  "\\b",  "\\x61", "\\|",
                                        "]",   "}",    "(a)(b)?", "[[:alpha:]]", "a\\+", "\\("};
    static const char* const repeats[] = {"*", "+", "?", "{1,2}", "{0}", "{2}"};
    std::string pattern;
    const std::uint32_t pieces = 1 + Below(5);
    for (std::uint32_t i = 0; i < pieces; ++i) {
      if (i > 0 && Below(8) == 0) pattern += '|';
      pattern += atoms[Below(sizeof atoms / sizeof *atoms)];
      if (Below(4) == 0) pattern += repeats[Below(sizeof repeats / sizeof *repeats)];
    }
    return pattern;
  }

  // An alternation of short pieces that mostly stay on one line: the windowed search's case.
  std::string Alternation() {
    static const char* const pieces[] = {"ab", "b+c", "[ab]x", "\\<a", "c$", "^b", "a\\b",
                                         "x[[:alpha:]]*", "(a|c)b", "bb?a", "\\w+c"};
    std::string pattern;
    const std::uint32_t count = 1 + Below(3);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (i > 0) pattern += '|';
      pattern += pieces[Below(sizeof pieces / sizeof *pieces)];
    }
    return pattern;
  }

  // Class atoms and repeats without literals: the byte-run prefilter's case.
  std::string Classes() {
    static const char* const atoms[] = {"[ab]", "[[:digit:]]", "\\w", "[^a]", "[a-c]", "\\d",
                                        "[[:alpha:]]", "[0-1x]", "\\W", "."};
    static const char* const repeats[] = {"", "", "+", "*", "?", "{2}", "{2,}", "{0,1}"};
    std::string pattern;
    const std::uint32_t count = 1 + Below(3);
    for (std::uint32_t i = 0; i < count; ++i) {
      pattern += atoms[Below(sizeof atoms / sizeof *atoms)];
      pattern += repeats[Below(sizeof repeats / sizeof *repeats)];
    }
    return pattern;
  }

  // A plain literal of letters and escaped punctuation.
  std::string Literal() {
    static const char* const parts[] = {"a", "b", "ab", "c", "\\.", "x", "\n", "\\*", " "};
    std::string pattern;
    const std::uint32_t pieces = 1 + Below(4);
    for (std::uint32_t i = 0; i < pieces; ++i) pattern += parts[Below(sizeof parts / sizeof *parts)];
    return pattern;
  }

  std::string Text() {
    static const char alphabet[] = "aaabbbcx.\n *|(]}0123";
    std::string text;
    const std::uint32_t length = Below(120);
    for (std::uint32_t i = 0; i < length; ++i) text += alphabet[Below(sizeof alphabet - 1)];
    return text;
  }

 private:
  std::uint32_t State;
};

}  // namespace TestCases
