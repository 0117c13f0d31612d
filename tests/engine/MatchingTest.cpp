#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "MatchFlagTranslation.h"
#include "ReferenceRoute.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using namespace GrepEngine;
namespace M = GrepEngine::MatchBits;

std::shared_ptr<const Pattern> Compile(const std::string& text,
                                       unsigned word = SyntaxBits::Normal) {
  return Pattern::Compile(text.data(), text.data() + text.size(), word, std::locale());
}

const char* End(const std::string& text) { return text.data() + text.size(); }

// What one match looked like, copied out of the results.
struct Seen {
  std::int64_t position;
  std::string text;
  bool operator==(const Seen& other) const {
    return position == other.position && text == other.text;
  }
};

std::ostream& operator<<(std::ostream& os, const Seen& seen) {
  return os << "{" << seen.position << ", \"" << seen.text << "\"}";
}

std::optional<Seen> Search(const std::string& pattern, const std::string& text,
                           unsigned word = M::None) {
  MatchResults results;
  if (!SearchIn(*Compile(pattern), text.data(), End(text), word, results)) return std::nullopt;
  return Seen{results.Sub(0).Position, results.Sub(0).Text()};
}

std::optional<Seen> Anchored(const std::string& pattern, const std::string& text,
                             unsigned word = M::None) {
  MatchResults results;
  if (!MatchAt(*Compile(pattern), text.data(), End(text), word, results)) return std::nullopt;
  return Seen{results.Sub(0).Position, results.Sub(0).Text()};
}

// Every match of a grep, in order.
std::vector<Seen> GrepAll(const std::string& pattern, const std::string& text,
                          unsigned word = M::None) {
  std::vector<Seen> seen;
  GrepIn(*Compile(pattern), text.data(), End(text), word, [&](const MatchResults& match) {
    seen.push_back({match.Sub(0).Position, match.Sub(0).Text()});
    return true;
  });
  return seen;
}

TEST(MatchingTest, AnchoredMatchStartsAtTheFirstByteSearchAnywhere) {
  struct Case {
    const char* pattern;
    const char* text;
    std::optional<Seen> anchored;
    std::optional<Seen> searched;
  } cases[] = {
      {"abc", "abcdef", Seen{0, "abc"}, Seen{0, "abc"}},
      {"abc", "xabc", std::nullopt, Seen{1, "abc"}},
      {"a+", "aab", Seen{0, "aa"}, Seen{0, "aa"}},  // need not reach the end
      {"x*", "abc", Seen{0, ""}, Seen{0, ""}},      // an empty match is a match
      {"b", "", std::nullopt, std::nullopt},
      {"a*", "", Seen{0, ""}, Seen{0, ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Anchored(c.pattern, c.text), c.anchored) << c.pattern << " on " << c.text;
    EXPECT_EQ(Search(c.pattern, c.text), c.searched) << c.pattern << " on " << c.text;
  }
}

TEST(MatchingTest, LeftmostLongestUnlessShortestIsAsked) {
  struct Case {
    const char* pattern;
    const char* text;
    unsigned word;
    Seen expected;
  } cases[] = {
      {"a|ab", "ab", M::None, {0, "ab"}},
      {"a|ab", "xab", M::None, {1, "ab"}},
      {"(a|ab)(c|bcd)", "abcd", M::None, {0, "abcd"}},  // first-found would stop at "abc"
      {"a|ab", "ab", M::Shortest, {0, "a"}},
      {"a|ab", "xab", M::Shortest, {1, "a"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(c.pattern, c.text, c.word), c.expected) << c.pattern << " " << c.word;
    if (c.expected.position == 0) {
      EXPECT_EQ(Anchored(c.pattern, c.text, c.word), c.expected) << c.pattern << " " << c.word;
    }
  }
  // POSIX sub-expression rules: the overall match is longest, then the groups in order.
  MatchResults results;
  const std::string text = "abcd";
  ASSERT_TRUE(SearchIn(*Compile("(a|ab)(c|bcd)"), text.data(), End(text), M::None, results));
  EXPECT_EQ(results.Sub(1).Text(), "a");
  EXPECT_EQ(results.Sub(2).Text(), "bcd");
}

TEST(MatchingTest, SubMatchesPrefixAndSuffix) {
  MatchResults results;
  const std::string ac = "ac";
  ASSERT_TRUE(SearchIn(*Compile("a(b)?c"), ac.data(), End(ac), M::None, results));
  EXPECT_TRUE(results.Matched());
  EXPECT_EQ(results.Size(), 2u);
  const SubMatch group = results.Sub(1);
  EXPECT_FALSE(group.Matched);
  EXPECT_EQ(group.Position, -1);
  EXPECT_EQ(group.Text(), "");
  EXPECT_FALSE(results.Sub(7).Matched);  // beyond the marks
  EXPECT_FALSE(results.Prefix().Matched);
  EXPECT_EQ(results.Prefix().Position, -1);
  EXPECT_FALSE(results.Suffix().Matched);
  EXPECT_EQ(results.Suffix().Position, -1);

  const std::string abcd = "xabcdy";
  ASSERT_TRUE(SearchIn(*Compile("b(c)(d)"), abcd.data(), End(abcd), M::None, results));
  EXPECT_EQ(results.Size(), 3u);
  EXPECT_EQ(results.Sub(0).Position, 2);
  EXPECT_EQ(results.Sub(0).Length(), 3u);
  EXPECT_EQ(results.Sub(1).Position, 3);
  EXPECT_EQ(results.Sub(2).Text(), "d");
  EXPECT_EQ(results.Prefix().Position, 0);
  EXPECT_EQ(results.Prefix().Text(), "xa");
  EXPECT_EQ(results.Suffix().Position, 5);
  EXPECT_EQ(results.Suffix().Text(), "y");

  // A failed search leaves nothing of the earlier match behind.
  EXPECT_FALSE(SearchIn(*Compile("q"), abcd.data(), End(abcd), M::None, results));
  EXPECT_FALSE(results.Matched());
  EXPECT_EQ(results.Size(), 0u);
  EXPECT_FALSE(results.Sub(0).Matched);
  EXPECT_FALSE(results.Prefix().Matched);
  EXPECT_FALSE(results.Abandoned());
}

TEST(MatchingTest, LineAndLineStartOfTheMatch) {
  struct Case {
    const char* pattern;
    std::string text;
    std::int64_t position;
    unsigned line;
    std::uint64_t lineStart;
  } cases[] = {
      {"b", "aaa\nxxb", 6, 2, 4},    {"a", "abc", 0, 1, 0},
      {"x", "a\nx", 2, 2, 2},     // the first byte of a line
      {"\n", "ab\ncd", 2, 1, 0},  // the LF itself still belongs to its line
      {"z", "\n\n\n\nz\n", 4, 5, 4},
  };
  for (const Case& c : cases) {
    MatchResults results;
    ASSERT_TRUE(SearchIn(*Compile(c.pattern), c.text.data(), End(c.text), M::None, results));
    EXPECT_EQ(results.Sub(0).Position, c.position) << c.pattern;
    EXPECT_EQ(results.Line(), c.line) << c.pattern;
    EXPECT_EQ(results.LineStart(), c.lineStart) << c.pattern;
  }
  // The anchored match always reports the first line.
  const std::string text = "a\nb\nc";
  MatchResults results;
  ASSERT_TRUE(MatchAt(*Compile("a\nb\nc"), text.data(), End(text), M::None, results));
  EXPECT_EQ(results.Line(), 1u);
  EXPECT_EQ(results.LineStart(), 0u);
}

TEST(MatchingTest, GrepCountsAndStopsWhenTheCallbackSaysSo) {
  const std::string banana = "banana";
  auto a = Compile("a");
  EXPECT_EQ(GrepAll("a", banana), (std::vector<Seen>{{1, "a"}, {3, "a"}, {5, "a"}}));

  for (unsigned stopAt : {1u, 2u, 3u}) {
    unsigned calls = 0;
    const GrepOutcome outcome = GrepIn(*a, banana.data(), End(banana), M::None,
                                       [&](const MatchResults&) { return ++calls < stopAt; });
    EXPECT_EQ(outcome.Count, stopAt);
    EXPECT_EQ(calls, stopAt);
    EXPECT_FALSE(outcome.Abandoned);
  }

  // The plain function and context form.
  struct Tally {
    static bool Count(void* context, const MatchResults& match) {
      static_cast<Tally*>(context)->positions.push_back(match.Sub(0).Position);
      return true;
    }
    std::vector<std::int64_t> positions;
  } tally;
  const GrepOutcome outcome =
      GrepIn(*a, banana.data(), End(banana), M::None, GrepCallback(&Tally::Count, &tally));
  EXPECT_EQ(outcome.Count, 3u);
  EXPECT_EQ(tally.positions, (std::vector<std::int64_t>{1, 3, 5}));

  EXPECT_EQ(
      GrepIn(*a, banana.data(), banana.data(), M::None, [](const MatchResults&) { return true; })
          .Count,
      0u);
}

TEST(MatchingTest, GrepPrefixRunsFromThePreviousMatch) {
  const std::string text = "xaybaz";
  std::vector<std::string> prefixes, suffixes;
  GrepIn(*Compile("a"), text.data(), End(text), M::None, [&](const MatchResults& match) {
    prefixes.push_back(match.Prefix().Text());
    suffixes.push_back(match.Suffix().Text());
    return true;
  });
  EXPECT_EQ(prefixes, (std::vector<std::string>{"x", "yb"}));
  EXPECT_EQ(suffixes, (std::vector<std::string>{"ybaz", "z"}));
}

TEST(MatchingTest, GrepStepsOverEmptyMatches) {
  struct Case {
    const char* pattern;
    const char* text;
    unsigned word;
    std::vector<Seen> expected;
  } cases[] = {
      {"x*", "abc", M::None, {{0, ""}, {1, ""}, {2, ""}, {3, ""}}},
      // No empty match right where a longer one ended.
      {"a*", "baac", M::None, {{0, ""}, {1, "aa"}, {4, ""}}},
      {"a*", "baac", M::NotNullString, {{1, "aa"}}},
      {"x*", "", M::None, {{0, ""}}},
      // Each match where the previous one ended.
      {"a", "aaba", M::None, {{0, "a"}, {1, "a"}, {3, "a"}}},
      {"a", "aaba", M::Continuous, {{0, "a"}, {1, "a"}}},
      {"a", "baa", M::Continuous, {}},
      {"x*", "abc", M::Continuous, {{0, ""}}},
      {"a*", "aab", M::Continuous, {{0, "aa"}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GrepAll(c.pattern, c.text, c.word), c.expected) << c.pattern << " on " << c.text;
}

TEST(MatchingTest, GrepFindsWhatMergeReplaces) {
  // The text around and between the grep's matches, rebuilt with each match marked, must be
  // what the merge writes for the same marking.
  struct Case {
    const char* pattern;
    const char* text;
    unsigned word;
  } cases[] = {
      {"a*", "baac", M::None},         {"x*", "abc", M::None},
      {"a|ab", "abab", M::Shortest},   {"a*", "baa", M::Shortest},
      {"\\<", "ab cd", M::None},       {"^", "a\nb\n", M::None},
      {"[0-9]+", "a12b345c", M::None}, {"b*", "abba", M::NotNullString},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    auto pattern = Compile(c.pattern);
    std::string rebuilt;
    const char* end = text.data();
    GrepIn(*pattern, text.data(), End(text), c.word, [&](const MatchResults& match) {
      rebuilt += match.Prefix().Text() + "[" + match.Sub(0).Text() + "]";
      end = match.Sub(0).Last;
      return true;
    });
    rebuilt.append(end, End(text));
    std::string merged;
    ASSERT_TRUE(MergeInto(*pattern, text.data(), End(text), "[$&]", true, c.word, merged));
    EXPECT_EQ(rebuilt, merged) << c.pattern << " on " << c.text;
  }
}

TEST(MatchingTest, MatchWordsRestrictWhatMatches) {
  using std::nullopt;
  struct Case {
    const char* pattern;
    std::string text;
    unsigned word;
    std::optional<Seen> expected;
  } cases[] = {
      {"^a", "abc", M::None, Seen{0, "a"}},
      {"^a", "abc", M::NotBeginningOfLine, nullopt},
      {"^a", "x\na", M::NotBeginningOfLine, Seen{2, "a"}},  // later lines still begin
      {"c$", "abc", M::NotEndOfLine, nullopt},
      {"c$", "abc\n", M::NotEndOfLine, Seen{2, "c"}},
      {"\\`a", "abc", M::None, Seen{0, "a"}},
      {"\\`a", "abc", M::NotBeginningOfBuffer, nullopt},
      {"\\`a", "abc", M::NotBeginningOfLine, Seen{0, "a"}},
      {"c\\'", "abc", M::None, Seen{2, "c"}},
      {"c\\'", "abc", M::NotEndOfBuffer, nullopt},
      {"\\<a", "abc", M::None, Seen{0, "a"}},
      {"\\<a", "abc", M::NotBeginningOfWord, nullopt},
      {"\\<a", "abc a", M::NotBeginningOfWord, Seen{4, "a"}},
      {"c\\>", "abc", M::None, Seen{2, "c"}},
      {"c\\>", "abc", M::NotEndOfWord, nullopt},
      {"a.b", "a\nb", M::None, Seen{0, "a\nb"}},
      {"a.b", "a\nb", M::NotDotNewline, nullopt},
      {"a.b", std::string("a\0b", 3), M::None, Seen{0, std::string("a\0b", 3)}},
      {"a.b", std::string("a\0b", 3), M::NotDotNullCharacter, nullopt},
      {"x*", "abc", M::NotNullString, nullopt},
      {"a*", "baa", M::NotNullString, Seen{1, "aa"}},
      {"b", "abc", M::Continuous, nullopt},  // a search held to the first byte
      // The engine's own flags are not the caller's to set: the byte before the range is
      // never looked at, and a search always starts afresh.
      {"^a", "abc", 0x100, Seen{0, "a"}},
      {"b", "abc", 0x200, Seen{1, "b"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Search(c.pattern, c.text, c.word), c.expected)
        << c.pattern << " word " << std::hex << c.word;
}

TEST(MatchingTest, TheEngineNeverSeesItsOwnFlagsFromTheCaller) {
  namespace rc = boost::regex_constants;
  const FlagBits all = TranslateMatchFlags(0xFFFFFFFFu);
  EXPECT_FALSE(all & Bits(rc::match_prev_avail));
  EXPECT_FALSE(all & Bits(rc::match_init));
  EXPECT_TRUE(TranslateMatchFlags(M::None) & Bits(rc::match_posix));
  EXPECT_FALSE(TranslateMatchFlags(M::Shortest) & Bits(rc::match_posix));
  EXPECT_TRUE(TranslateMatchFlags(M::Shortest) & Bits(rc::match_any));
}

TEST(MatchingTest, TextsWithNulBytesAreSearchedToTheirEnd) {
  const std::string text("a\0b\0\nc\0", 7);
  MatchResults results;
  ASSERT_TRUE(SearchIn(*Compile("c"), text.data(), End(text), M::None, results));
  EXPECT_EQ(results.Sub(0).Position, 5);
  EXPECT_EQ(results.Line(), 2u);
  EXPECT_EQ(results.LineStart(), 5u);
  EXPECT_EQ(results.Prefix().Text(), std::string("a\0b\0\n", 5));
  EXPECT_EQ(results.Suffix().Text(), std::string("\0", 1));

  EXPECT_EQ(GrepAll("[abc]", text).size(), 3u);
  ASSERT_TRUE(MatchAt(*Compile("a.b"), text.data(), End(text), M::None, results));
  EXPECT_EQ(results.Sub(0).Length(), 3u);

  std::string merged;
  ASSERT_TRUE(MergeInto(*Compile("[abc]"), text.data(), End(text), "X", true, M::None, merged));
  EXPECT_EQ(merged, std::string("X\0X\0\nX\0", 7));
}

TEST(MatchingTest, GrepLinesAgreeWithANaiveCount) {
  std::string text;
  std::uint32_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245u + 12345u;
    const unsigned pick = (state >> 16) % 10;
    text += pick < 3 ? '\n' : pick < 5 ? 'a' : pick < 6 ? 'b' : 'x';
  }
  for (const char* pattern : {"a", "ab*", "b\na", "x\n\n", "^x", "a$"}) {
    unsigned count = 0;
    bool agreed = true;
    GrepIn(*Compile(pattern), text.data(), End(text), M::None, [&](const MatchResults& match) {
      ++count;
      const char* origin = text.data();
      const char* start = match.Sub(0).First;
      const auto line = 1 + std::count(origin, start, '\n');
      std::uint64_t lineStart = 0;
      for (const char* p = start; p != origin; --p)
        if (p[-1] == '\n') {
          lineStart = static_cast<std::uint64_t>(p - origin);
          break;
        }
      agreed = match.Line() == static_cast<unsigned>(line) && match.LineStart() == lineStart;
      return agreed;
    });
    EXPECT_TRUE(agreed) << pattern << " at match " << count;
    EXPECT_GT(count, 10u) << pattern;
  }
}

TEST(MatchingTest, MergeWithAndWithoutCopy) {
  struct Case {
    const char* pattern;
    const char* text;
    const char* format;
    bool copy;
    const char* expected;
  } cases[] = {
      {"a", "banana", "X", true, "bXnXnX"},
      {"a", "banana", "X", false, "XXX"},
      {"(a)(n)", "banana", "[$2$1]", true, "b[na][na]a"},
      {"a(n)?", "banana", "<$&|$1>", false, "<an|n><an|n><a|>"},
      {"n", "banana", "($`)", true, "ba(ba)a(a)a"},  // $` since the previous match
      // ... by either of its names, on every route
      {"n", "banana", "($PREMATCH)", true, "ba(ba)a(a)a"},
      {"n", "banana", "(${^PREMATCH})", true, "ba(ba)a(a)a"},
      {"x*", "ab", "[$PREMATCH]", true, "[]a[a]b[b]"},
      {"n", "banana", "($POSTMATCH)", false, "(ana)(a)"},
      {"q", "banana", "X", true, "banana"},
      {"q", "banana", "X", false, ""},
      {"a", "banana", "", true, "bnn"},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    std::string out = "stale";
    EXPECT_TRUE(
        MergeInto(*Compile(c.pattern), text.data(), End(text), c.format, c.copy, M::None, out));
    EXPECT_EQ(out, c.expected) << c.pattern << " -> " << c.format;
  }
}

TEST(MatchingTest, FormatOfOneMatch) {
  const std::string text = "abcd";
  MatchResults results;
  ASSERT_TRUE(SearchIn(*Compile("b(c)"), text.data(), End(text), M::None, results));
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"$&", "bc"},         {"$0", "bc"},       {"$1", "c"}, {"${1}x", "cx"},
      {"$`|$'", "a|d"},     {"$$1", "$1"},      {"$2", ""},  {"x\\ty", "x\ty"},
      {"\\U$&\\E!", "BC!"}, {"plain", "plain"}, {"", ""},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_TRUE(FormatMatch(results, c.format, out)) << c.format;
    EXPECT_EQ(out, c.expected) << c.format;
  }

  MatchResults nothing;
  std::string out = "stale";
  EXPECT_FALSE(FormatMatch(nothing, "$&", out));
  EXPECT_EQ(out, "");

  // Inside a grep, each match formats with its own prefix.
  const std::string banana = "banana";
  std::vector<std::string> formatted;
  GrepIn(*Compile("a"), banana.data(), End(banana), M::None, [&](const MatchResults& match) {
    std::string one;
    FormatMatch(match, "$`$&", one);
    formatted.push_back(one);
    return true;
  });
  EXPECT_EQ(formatted, (std::vector<std::string>{"ba", "na", "na"}));
}

TEST(MatchingTest, AFailedPatternMatchesNothing) {
  auto bad = Compile("a(");
  ASSERT_TRUE(bad->Failed());
  const std::string text = "a(";
  MatchResults results;
  EXPECT_FALSE(MatchAt(*bad, text.data(), End(text), M::None, results));
  EXPECT_FALSE(SearchIn(*bad, text.data(), End(text), M::None, results));
  EXPECT_FALSE(results.Abandoned());
  const GrepOutcome outcome =
      GrepIn(*bad, text.data(), End(text), M::None, [](const MatchResults&) { return true; });
  EXPECT_EQ(outcome.Count, 0u);
  EXPECT_FALSE(outcome.Abandoned);
  std::string out = "stale";
  EXPECT_TRUE(MergeInto(*bad, text.data(), End(text), "X", true, M::None, out));
  EXPECT_EQ(out, "");
}

TEST(MatchingTest, AnExpressionTheEngineGivesUpOnIsAValue) {
  const std::string run(1000, 'a');
  // The back-references keep these with the backtracking engine.
  for (const char* text : {"(a*)*b\\1", "((a|aa)*)*b\\1"}) {
    auto pattern = Compile(text);
    ASSERT_FALSE(pattern->Failed());
    MatchResults results;
    EXPECT_FALSE(SearchIn(*pattern, run.data(), End(run), M::None, results)) << text;
    EXPECT_TRUE(results.Abandoned()) << text;
    EXPECT_FALSE(results.Matched());
    // Why: one of the engine's two limits, with its own message.
    const unsigned why = results.AbandonCode();
    EXPECT_TRUE(why == boost::regex_constants::error_complexity ||
                why == boost::regex_constants::error_stack)
        << text << ": " << why;
    EXPECT_FALSE(ErrorTextOf(why, std::locale()).empty());
    EXPECT_FALSE(MatchAt(*pattern, run.data(), End(run), M::None, results)) << text;
    EXPECT_TRUE(results.Abandoned()) << text;

    // The matches before the engine gave up are counted.
    const std::string withHit = "b" + run;
    unsigned calls = 0;
    const GrepOutcome outcome =
        GrepIn(*pattern, withHit.data(), End(withHit), M::None, [&](const MatchResults&) {
          ++calls;
          return true;
        });
    EXPECT_TRUE(outcome.Abandoned) << text;
    EXPECT_EQ(outcome.AbandonCode, why) << text;
    EXPECT_EQ(outcome.Count, 1u) << text;
    EXPECT_EQ(calls, 1u);

    std::string out = "stale";
    unsigned mergeWhy = 0;
    EXPECT_FALSE(
        MergeInto(*pattern, withHit.data(), End(withHit), "X", true, M::None, out, &mergeWhy));
    EXPECT_EQ(out, "");  // never a partial result
    EXPECT_EQ(mergeWhy, why) << text;

    // The same results object serves again afterwards.
    const std::string easy = "aab";
    EXPECT_TRUE(SearchIn(*pattern, easy.data(), End(easy), M::None, results)) << text;
    EXPECT_FALSE(results.Abandoned());
    EXPECT_EQ(results.AbandonCode(), 0u);
  }
}

// A back-reference to a group that took no part fails to match (it is not the empty text),
// in every operation and under every match word.
TEST(MatchingTest, ABackReferenceToAGroupThatTookNoPartNeverMatches) {
  for (const unsigned word : {unsigned{M::None}, unsigned{M::Shortest}}) {
    const std::string where = word == M::None ? "longest" : "shortest";
    EXPECT_EQ(Search("0|()0|\\1|0", "aa", word), std::nullopt) << where;
    EXPECT_EQ(Anchored("0|()0|\\1|0", "aa", word), std::nullopt) << where;
    EXPECT_TRUE(GrepAll("0|()0|\\1|0", "aa", word).empty()) << where;
    EXPECT_TRUE(GrepAll("(a)|b\\1", "bb", word).empty()) << where;
    EXPECT_EQ(Search("(x)?\\1y", "ay", word), std::nullopt) << where;
    EXPECT_EQ(Search("(b)?a\\1", "aab", word), std::nullopt) << where;
    EXPECT_EQ(Search("(a)|b\\1", "bb", word), std::nullopt) << where;
    EXPECT_EQ(Search("(x)?\\1y", "axxy", word), (Seen{1, "xxy"})) << where;
    // A group that matched the empty text did take part.
    EXPECT_EQ(Search("(x*)\\1y", "ay", word), (Seen{1, "y"})) << where;
    std::string merged = "stale";
    const std::string text = "aa";
    EXPECT_TRUE(
        MergeInto(*Compile("0|()0|\\1|0"), text.data(), End(text), "X", true, word, merged));
    EXPECT_EQ(merged, "aa") << where;
  }
  EXPECT_EQ(Search("\\(x\\)*\\1y", "ay", M::None), std::nullopt);
  MatchResults basic;
  const std::string text = "ay";
  EXPECT_FALSE(SearchIn(*Compile("\\(x\\)*\\1y", SyntaxBits::Basic), text.data(), End(text),
                        M::None, basic));
}

// [[:<:]] and [[:>:]] go wherever \< and \> go, and match where they match.
TEST(MatchingTest, WordEdgeBracketsMatchWhereTheEscapesDo) {
  const std::string text = "an apple, a banana; ann_a and\nan";
  const struct {
    const char* brackets;
    const char* escapes;
  } pairs[] = {
      {"[[:<:]]an", "\\<an"}, {"an[[:>:]]", "an\\>"}, {"[[:<:]]a[a-z]*[[:>:]]", "\\<a[a-z]*\\>"},
      {"[[:<:]]", "\\<"},     {"[[:>:]]|a", "\\>|a"}, {"(a|b)[[:>:]]", "(a|b)\\>"},
  };
  for (const auto& pair : pairs) {
    for (const unsigned word : {unsigned{M::None}, unsigned{M::Shortest},
                                unsigned{M::NotBeginningOfWord}, unsigned{M::NotEndOfWord}}) {
      const std::string where = std::string(pair.brackets) + " under " + std::to_string(word);
      EXPECT_EQ(GrepAll(pair.brackets, text, word), GrepAll(pair.escapes, text, word)) << where;
      EXPECT_EQ(PlannedRoute(*Compile(pair.brackets), word, text.data(), End(text)),
                PlannedRoute(*Compile(pair.escapes), word, text.data(), End(text)))
          << where;
    }
  }
  EXPECT_EQ(GrepAll("[[:<:]]an[[:>:]]", text),
            (std::vector<Seen>{{0, "an"}, {static_cast<std::int64_t>(text.size()) - 2, "an"}}));
  const auto basic = Compile("[[:<:]]a\\{2\\}", SyntaxBits::Basic);
  const std::string aa = "baa aa";
  MatchResults results;
  ASSERT_TRUE(SearchIn(*basic, aa.data(), End(aa), M::None, results));
  EXPECT_EQ(results.Sub(0).Position, 4);
}

TEST(MatchingTest, PatternsThatDefeatBacktrackingAreAnsweredByTheDfa) {
  const std::string run(100000, 'a');
  const std::string text = "b" + run + "cb";
  for (const char* pattern : {"(a*)*b", "((a|aa)*)*b", "(a|a?)+b", "(.*)*x"}) {
    auto compiled = Compile(pattern);
    MatchResults results;
    EXPECT_FALSE(SearchIn(*compiled, run.data(), End(run), M::None, results)) << pattern;
    EXPECT_FALSE(results.Abandoned()) << pattern;
  }
  auto compiled = Compile("(a*)*b");
  std::vector<std::string> seen;
  const GrepOutcome outcome =
      GrepIn(*compiled, text.data(), End(text), M::None, [&](const MatchResults& match) {
        seen.push_back(std::to_string(match.Sub(0).Position) + ":" + match.Sub(1).Text());
        return true;
      });
  EXPECT_FALSE(outcome.Abandoned);
  EXPECT_EQ(seen, (std::vector<std::string>{"0:", "100002:"}));
  std::string merged;
  EXPECT_TRUE(MergeInto(*compiled, text.data(), End(text), "X", false, M::None, merged));
  EXPECT_EQ(merged, "XX");

  const std::string xs = std::string(10000, 'x') + "y";
  auto nested = Compile("(x+x+)+y");
  MatchResults whole;
  ASSERT_TRUE(SearchIn(*nested, xs.data(), End(xs), M::None, whole));
  EXPECT_EQ(whole.Sub(0).Length(), xs.size());
}

TEST(MatchingTest, ACallbacksExceptionPassesThroughUnchanged) {
  const std::string text = "banana";
  auto pattern = Compile("a");
  struct Own {
    int code;
  };
  unsigned calls = 0;
  try {
    GrepIn(*pattern, text.data(), End(text), M::None, [&](const MatchResults&) -> bool {
      if (++calls == 2) throw Own{42};
      return true;
    });
    FAIL() << "no exception";
  } catch (const Own& own) {
    EXPECT_EQ(own.code, 42);
  }
  EXPECT_EQ(calls, 2u);
  // One the engine's own errors derive from must not be mistaken for the engine giving up.
  EXPECT_THROW(GrepIn(*pattern, text.data(), End(text), M::None,
                      [](const MatchResults&) -> bool { throw std::runtime_error("mine"); }),
               std::runtime_error);
}

}  // namespace
