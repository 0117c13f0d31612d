// The planned routes (literal scans, the DFA with its skip, groups filled on reading) against
// the reference engine, match by match, on generated patterns, option words, match words and
// texts: every grep, search, anchored match and merge must give the reference engine's result
// wherever that engine does not give up.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <iterator>
#include <locale>
#include <string>
#include <vector>

#include "DifferentialCases.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "ReferenceRoute.h"
#include "Utf8Cases.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

using namespace GrepEngine;

struct Seen {
  std::vector<std::string> Matches;  // one line per match: spans, groups, prefix, line
  bool Abandoned = false;
};

std::string Describe(const MatchResults& match, bool groups) {
  std::string line =
      std::to_string(match.Sub(0).Position) + "+" + std::to_string(match.Sub(0).Length());
  if (groups) {
    for (unsigned i = 1; i < match.Size(); ++i) {
      const SubMatch sub = match.Sub(i);
      line += sub.Matched ? " " + std::to_string(sub.Position) + "+" + std::to_string(sub.Length())
                          : " -";
    }
    const SubMatch prefix = match.Prefix(), suffix = match.Suffix();
    line += " p" + (prefix.Matched ? std::to_string(prefix.Position) : std::string("-"));
    line += " s" + (suffix.Matched ? std::to_string(suffix.Position) : std::string("-"));
    line += " l" + std::to_string(match.Line()) + "@" + std::to_string(match.LineStart());
  }
  return line;
}

template <class Grep>
Seen Collect(Grep grep, bool groups) {
  Seen seen;
  const GrepOutcome outcome = grep([&](const MatchResults& match) {
    seen.Matches.push_back(Describe(match, groups));
    return seen.Matches.size() < 200;
  });
  seen.Abandoned = outcome.Abandoned;
  return seen;
}

std::string Where(const std::string& pattern, unsigned option, unsigned match,
                  const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      shown += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      shown += hex;
    }
  }
  return "pattern \"" + pattern + "\" option " + std::to_string(option) + " match " +
         std::to_string(match) + " text \"" + shown + "\"";
}

// The reference engine's merge, as the toolkit always did it.
// The reference engine's merge: Boost's own replace where Boost's groups stand, else the
// reference grep with each match formatted (POSIX's groups are the resolver's on either route).
bool ReferenceMerge(const Pattern& pattern, const std::string& text, const std::string& format,
                    bool copy, unsigned matchWord, std::string& out) {
  namespace rc = boost::regex_constants;
  if (pattern.Internals().GroupResolver) {
    out.clear();
    const char* copied = text.data();
    std::string expansion;
    const GrepOutcome outcome = ReferenceGrepIn(
        pattern, text.data(), text.data() + text.size(), matchWord, [&](const MatchResults& match) {
          const SubMatch whole = match.Sub(0);
          if (copy) out.append(copied, whole.First);
          copied = whole.Last;
          FormatMatch(match, format, expansion, pattern.Locale());
          out += expansion;
          return true;
        });
    if (copy) out.append(copied, text.data() + text.size());
    return !outcome.Abandoned;
  }
  FlagBits flags = TranslateMatchFlags(matchWord);
  if (!copy) flags |= Bits(rc::format_no_copy);
  out.clear();
  try {
    boost::regex_replace(std::back_inserter(out), text.data(), text.data() + text.size(),
                         pattern.Internals().ExpressionFor(flags), format, AsMatchFlags(flags));
  } catch (const std::runtime_error&) {
    return false;
  }
  return true;
}

struct Tally {
  unsigned Compared = 0, FastRoutes = 0, Skipped = 0;
};

void CompareOne(const Pattern& compiled, const std::string& pattern, unsigned option,
                unsigned matchWord, const std::string& text, bool groups, Tally& tally) {
  const char* first = text.data();
  const char* last = first + text.size();
  const std::string where = Where(pattern, option, matchWord, text);
  const Seen reference = Collect(
      [&](auto callback) { return ReferenceGrepIn(compiled, first, last, matchWord, callback); },
      groups);
  if (reference.Abandoned) {
    ++tally.Skipped;
    return;
  }
  ++tally.Compared;
  if (PlannedRoute(compiled, matchWord, first, last) != Route::Reference) ++tally.FastRoutes;
  const Seen planned = Collect(
      [&](auto callback) { return GrepIn(compiled, first, last, matchWord, callback); }, groups);
  ASSERT_EQ(planned.Matches, reference.Matches) << where;

  MatchResults one;
  const bool found = SearchIn(compiled, first, last, matchWord, one);
  ASSERT_EQ(found, !reference.Matches.empty()) << where;
  if (found) {
    EXPECT_EQ(Describe(one, groups), reference.Matches[0]) << "search: " << where;
  }

  if (groups) {
    static const char* const formats[] = {"<$&>", "[$1|$2]", "($`)", "x"};
    const std::string format = formats[text.size() % 4];
    const bool copy = text.size() % 3 != 0;
    std::string expected, merged;
    if (ReferenceMerge(compiled, text, format, copy, matchWord, expected)) {
      EXPECT_TRUE(MergeInto(compiled, first, last, format, copy, matchWord, merged)) << where;
      EXPECT_EQ(merged, expected) << "merge \"" << format << "\": " << where;
    }
  }
}

void RunGenerated(std::uint32_t seed, unsigned patterns, Tally& tally) {
  TestCases::DifferentialGenerator generate(seed);
  for (unsigned p = 0; p < patterns; ++p) {
    const std::string pattern = generate.Pattern();
    const unsigned option = generate.OptionWord();
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    if (compiled->Failed()) continue;
    for (unsigned t = 0; t < 6; ++t) {
      const std::string text = generate.Text();
      const unsigned matchWord = t == 0 ? 0u : generate.MatchWord();
      CompareOne(*compiled, pattern, option, matchWord, text, t < 3, tally);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(DfaDifferentialTest, GeneratedCasesAgreeWithTheReferenceEngine) {
  Tally tally;
  RunGenerated(20261208, 3000, tally);
  // The comparison means something only if the fast routes were taken.
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
  EXPECT_LT(tally.Skipped, tally.Compared / 50);
}

// UTF-8 patterns lowered to bytes: every route runs the same lowered tree, with word edges
// that look at characters.
TEST(DfaDifferentialTest, Utf8CasesAgreeOnEveryRoute) {
  std::locale utf8;
  try {
    utf8 = std::locale("C.UTF-8");
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "no C.UTF-8 locale here";
  }
  TestCases::Utf8Generator generate(20261210);
  Tally tally;
  unsigned failed = 0;
  for (unsigned p = 0; p < 400; ++p) {
    const std::string pattern = generate.Pattern();
    const unsigned option = generate.OptionWord();
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option, utf8);
    if (compiled->Failed()) {  // a repeated assertion
      ++failed;
      continue;
    }
    for (unsigned t = 0; t < 6; ++t) {
      const std::string text = generate.Text();
      const unsigned matchWord = t == 0 ? 0u : generate.MatchWord();
      CompareOne(*compiled, pattern, option, matchWord, text, t < 3, tally);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_LT(failed, 60u);
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
  EXPECT_LT(tally.Skipped, tally.Compared / 50);
}

TEST(DfaDifferentialTest, KnownHardShapesAgree) {
  struct Case {
    const char* pattern;
    unsigned option;
    unsigned match;
    std::string text;
  };
  namespace S = SyntaxBits;
  namespace M = MatchBits;
  const Case cases[] = {
      {"(a|ab)(c|bcd)(d*)", S::Extended, 0, "abcd"},
      {"(a*)*", S::Extended, 0, "b"},
      {"(a*)+b", S::Extended, M::NotNullString, "aab b"},
      {"x*", S::Extended, M::NotNullString, "ab xx"},
      {"^", S::Extended, 0, "a\nb\r\nc\fd"},
      {"$", S::Extended, 0, "a\nb\r\nc\fd\n"},
      {"\\bab\\b", S::Normal, 0,
       "ab abc _ab ab_ \xe9"
       "ab"},
      {"\\`a|b\\'", S::Normal, 0, "aab\nab"},
      {"a{2,3}", S::Extended, M::Continuous, "aaaaaaab"},
      {"[[:upper:]]+", S::Normal | S::CaseInsensitive, 0, "abC dEf"},
      {"\xe9+", S::Normal | S::CaseInsensitive, 0, "\xe9\xc9\xe9"},
      {".+", S::Normal, M::NotDotNewline, "ab\ncd\r\nef\fgh"},
      {".+", S::Normal, M::NotDotNullCharacter, std::string("ab\0cd", 5)},
      {"struct|union|enum", S::Normal, 0, "enumunion structs"},
      {"ab|abcd|b", S::Normal, 0, "abcd ab b"},
      {"\xe9"
       "a|\xe9"
       "b",
       S::Normal, 0,
       "a\xe9"
       "b\xe9"
       "a"},  // Latin-1 bytes in a shared start
      {"(a*)*b", S::Normal, 0, "b" + std::string(2000, 'a') + "cb"},  // beyond the backtracker
  };
  Tally tally;
  for (const Case& c : cases) {
    const std::string pattern = c.pattern;
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), c.option,
                                     std::locale::classic());
    ASSERT_FALSE(compiled->Failed()) << c.pattern;
    CompareOne(*compiled, pattern, c.option, c.match, c.text, true, tally);
  }
  EXPECT_EQ(tally.Skipped, 1u) << "only the reference engine gives up, on the run of a's";
}

// \<, \> and \B reach the DFA where a piece beside them always takes a word byte; elsewhere,
// and beside pieces that may be empty or take other bytes, they stay with the reference engine.
TEST(DfaDifferentialTest, WordEdgesBesideWordPiecesAgree) {
  static const char* const edges[] = {"\\<", "\\>", "\\B", "\\b"};
  static const char* const pieces[] = {"a",  "[ab]+", "(ab|b)", "-",  "[a-]", ".",
                                       "b*", "(a|)",  "_",      "a+", "\\w",  "[[:alpha:]]"};
  TestCases::DifferentialGenerator generate(20261211);
  Tally tally;
  for (unsigned p = 0; p < 1500; ++p) {
    std::string pattern;
    const unsigned length = 2 + generate.Below(4);
    for (unsigned i = 0; i < length; ++i)
      pattern += generate.Below(3) == 0 ? edges[generate.Below(4)] : pieces[generate.Below(12)];
    const unsigned option = generate.Below(2) == 0 ? SyntaxBits::Normal : SyntaxBits::Extended;
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    if (compiled->Failed()) continue;
    for (unsigned t = 0; t < 4; ++t) {
      std::string text;
      static const char alphabet[] = "ab-_ \n";
      const unsigned size = generate.Below(12);
      for (unsigned i = 0; i < size; ++i) text += alphabet[generate.Below(6)];
      const unsigned matchWord = t == 3 ? generate.MatchWord() : 0u;
      CompareOne(*compiled, pattern, option, matchWord, text, t < 2, tally);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  EXPECT_GT(tally.FastRoutes, tally.Compared / 4);
}

// Patterns of a head and up to two tails, each grepped over short texts of `alphabet` and
// compared with the reference engine; returns how many of them `taken` says took the route
// under test.
template <std::size_t Heads, std::size_t Tails, class Taken>
unsigned CompareHeadsAndTails(const char* const (&heads)[Heads], const char* const (&tails)[Tails],
                              const std::string& alphabet, std::uint32_t seed, Taken taken,
                              Tally& tally) {
  TestCases::DifferentialGenerator generate(seed);
  unsigned took = 0;
  for (unsigned p = 0; p < 800; ++p) {
    std::string pattern = heads[generate.Below(Heads)];
    const unsigned pieces = generate.Below(3);
    for (unsigned i = 0; i < pieces; ++i) pattern += tails[generate.Below(Tails)];
    const unsigned option = SyntaxBits::Extended;
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    EXPECT_FALSE(compiled->Failed()) << pattern;
    if (compiled->Failed()) continue;
    if (taken(compiled->Internals())) ++took;
    for (unsigned t = 0; t < 5; ++t) {
      std::string text;
      const unsigned size = generate.Below(16);
      for (unsigned i = 0; i < size; ++i)
        text += alphabet[generate.Below(static_cast<std::uint32_t>(alphabet.size()))];
      const unsigned matchWord = t >= 3 ? generate.MatchWord() : 0u;
      CompareOne(*compiled, pattern, option, matchWord, text, t < 3, tally);
      if (::testing::Test::HasFatalFailure()) return took;
    }
  }
  return took;
}

// Patterns with one parse whose matches start with a few literals are found by scanning for
// the literals and following the one pass from each occurrence; CR and FF stay theirs, as the
// pass's tests decide line ends as the reference engine does.
TEST(DfaDifferentialTest, LeadingLiteralsWithOnePassAgree) {
  static const char* const heads[] = {"ab", "(ab|ba)", "\\b(ab|b)", "^a", "(a|b)c", "\\<ab"};
  static const char* const tails[] = {"",      "([a-c]+)", "(c|d)?", "\\b", "$",   "[^a]*",
                                      "(x)+b", ".",        "b*$",    "\\>", "(.)c"};
  Tally tally;
  const unsigned took = CompareHeadsAndTails(
      heads, tails, "abcdx\n\r _", 20261212,
      [](const Pattern::Impl& impl) { return !impl.LeadingLiterals.empty(); }, tally);
  EXPECT_GT(took, 400u) << "most of these patterns take the leading literals";
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
}

// Likewise where the matches start with byte sets that are not mostly text: the places where
// the sets fit are scanned for instead.
TEST(DfaDifferentialTest, LeadingByteSetsWithOnePassAgree) {
  static const char* const heads[] = {"[A-Z][a-z]+", "[0-9]", "_[a-c]",
                                      "\\b[A-C]",    "X+",    "[A-Z]\\>"};
  static const char* const tails[] = {"",     "_([a-c0-9]+)", "(c|d)?", "\\b", "$",
                                      "[^a]", "(x)+b",        "[0-9]*", "\\>"};
  Tally tally;
  const unsigned took = CompareHeadsAndTails(
      heads, tails, "ABXab1_c\n x", 20261213,
      [](const Pattern::Impl& impl) { return impl.LeadingRun != nullptr; }, tally);
  EXPECT_GT(took, 400u) << "most of these patterns take the leading byte sets";
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
}

// ---- lines that end at a LF only (MatchBits::LineFeedLines) ----

// The text with some bytes turned into those that other line rules call separators.
std::string WithOtherSeparators(std::string text, TestCases::DifferentialGenerator& generate) {
  static const char others[] = "\r\f\v\x85";
  for (char& c : text)
    if (generate.Below(6) == 0) c = others[generate.Below(4)];
  return text;
}

Seen ReferenceSeen(const Pattern& compiled, const std::string& text, unsigned matchWord) {
  return Collect(
      [&](auto callback) {
        return ReferenceGrepIn(compiled, text.data(), text.data() + text.size(), matchWord,
                               callback);
      },
      true);
}

TEST(DfaDifferentialTest, LinesEndingAtALineFeedAgreeOnEveryRoute) {
  Tally tally;
  TestCases::DifferentialGenerator generate(20261210);
  for (unsigned p = 0; p < 2500; ++p) {
    const std::string pattern = generate.Pattern();
    const unsigned option = generate.OptionWord();
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    if (compiled->Failed()) continue;
    for (unsigned t = 0; t < 5; ++t) {
      const std::string text = WithOtherSeparators(generate.Text(), generate);
      const unsigned matchWord = (t == 0 ? 0u : generate.MatchWord()) | MatchBits::LineFeedLines;
      CompareOne(*compiled, pattern, option, matchWord, text, t < 3, tally);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  // CR and FF no longer send ^ and $ to the reference engine.
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
  EXPECT_LT(tally.Skipped, tally.Compared / 50);
}

TEST(DfaDifferentialTest, LinesEndingAtALineFeedChangeNothingInATextWithoutCrOrFf) {
  TestCases::DifferentialGenerator generate(20261211);
  unsigned compared = 0;
  for (unsigned p = 0; p < 2000; ++p) {
    const std::string pattern = generate.Pattern();
    const unsigned option = generate.OptionWord();
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    if (compiled->Failed()) continue;
    for (unsigned t = 0; t < 4; ++t) {
      std::string text = generate.Text();
      for (char& c : text)
        if (c == '\r' || c == '\f') c = '\v';
      const unsigned matchWord = t == 0 ? 0u : generate.MatchWord();
      const Seen plain = ReferenceSeen(*compiled, text, matchWord);
      const Seen lineFeed = ReferenceSeen(*compiled, text, matchWord | MatchBits::LineFeedLines);
      if (plain.Abandoned || lineFeed.Abandoned) continue;
      ++compared;
      ASSERT_EQ(lineFeed.Matches, plain.Matches) << Where(pattern, option, matchWord, text);
    }
  }
  EXPECT_GT(compared, 5000u);
}

// Whole matches as "position+length", on the planned route and the reference engine's.
std::vector<std::string> Spans(const std::string& pattern, unsigned option, unsigned matchWord,
                               const std::string& text) {
  auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                   std::locale::classic());
  EXPECT_FALSE(compiled->Failed()) << pattern;
  const char* first = text.data();
  const char* last = first + text.size();
  const Seen planned = Collect(
      [&](auto callback) { return GrepIn(*compiled, first, last, matchWord, callback); }, false);
  const Seen reference = Collect(
      [&](auto callback) { return ReferenceGrepIn(*compiled, first, last, matchWord, callback); },
      false);
  EXPECT_EQ(planned.Matches, reference.Matches) << Where(pattern, option, matchWord, text);
  return planned.Matches;
}

TEST(DfaDifferentialTest, LinesEndingAtALineFeedSeeNoLineEndBesideCrOrFf) {
  namespace S = SyntaxBits;
  namespace M = MatchBits;
  using List = std::vector<std::string>;
  const unsigned lf = M::LineFeedLines;
  const std::string text = "a\r\nb\rc\fd\n";  // a CR LF line, a CR and a FF inside a line
  EXPECT_EQ(Spans("^", S::Extended, lf, text), (List{"0+0", "3+0", "9+0"}));
  EXPECT_EQ(Spans("$", S::Extended, lf, text), (List{"2+0", "8+0", "9+0"}));
  EXPECT_EQ(Spans("^[a-d]", S::Extended, lf, text), (List{"0+1", "3+1"}));
  EXPECT_EQ(Spans("[a-d]$", S::Extended, lf, text), (List{"7+1"}));
  // The engine's own rule, for comparison: CR and FF end lines, and a CR LF is one line end.
  EXPECT_EQ(Spans("^[a-d]", S::Extended, 0, text), (List{"0+1", "3+1", "5+1", "7+1"}));
  // The CR of a CR LF line is the last byte of its line.
  EXPECT_EQ(Spans("\\r$", S::Extended, lf, "a\r\nb\r\n"), (List{"1+1", "4+1"}));
  EXPECT_EQ(Spans("\\r$", S::Extended, 0, "a\r\nb\r\n"), List{}) << "Boost's rule";
  // '.' then keeps off a LF only; VT and 0x85 are ordinary bytes under either rule.
  EXPECT_EQ(Spans(".+", S::Normal, lf | M::NotDotNewline, "ab\ncd\r\nef\fg\v\x85"),
            (List{"0+2", "3+3", "7+6"}));
  EXPECT_EQ(Spans("a.b", S::Normal, lf | M::NotDotNewline | M::NotDotNullCharacter,
                  std::string("a\rb a\nb a\0b", 11)),
            (List{"0+3"}));
  // Word edges send the pattern to the reference engine, which follows the same rule.
  EXPECT_EQ(Spans("\\<b$", S::Normal, lf, "a\rb\nb\r\n"), (List{"2+1"}));
  EXPECT_EQ(Spans("\\<b$", S::Normal, 0, "a\rb\nb\r\n"), (List{"2+1", "4+1"}));
  // The text's own ends still answer to the match word.
  EXPECT_EQ(Spans("^a|b$", S::Extended, lf | M::NotBeginningOfLine | M::NotEndOfLine, "a\rb\na\rb"),
            (List{"2+1", "4+1"}));
}

TEST(DfaDifferentialTest, LinesEndingAtALineFeedGiveThePosixGroups) {
  namespace S = SyntaxBits;
  namespace M = MatchBits;
  const std::string text = "xa\rab\r\nab\r";
  const std::string pattern = "(^|\r)(a|ab)(b?)(\r?$)";
  auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), S::Extended,
                                   std::locale::classic());
  ASSERT_FALSE(compiled->Failed());
  std::vector<std::string> seen;
  GrepIn(*compiled, text.data(), text.data() + text.size(), M::LineFeedLines,
         [&](const MatchResults& match) {
           seen.push_back(Describe(match, true));
           return true;
         });
  // "\rab\r" before the LF: a CR, then the longest "ab" for group 2, and the CR before the LF.
  // Then "ab\r" at the text's end, from a line start after the LF.
  EXPECT_EQ(seen, (std::vector<std::string>{"2+4 2+1 3+2 5+0 5+1 p0 s6 l1@0",
                                            "7+3 7+0 7+2 9+0 9+1 p6 s- l2@7"}));
}

}  // namespace
