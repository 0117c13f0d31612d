// The one-pass groups: which patterns qualify, and on generated patterns and texts the same
// groups as the resolver, both on every extent of short texts and through the planned and the
// reference greps under several match words.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DifferentialCases.h"
#include "GeneratedCases.h"
#include "GroupFilling.h"
#include "MatchResultsImpl.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "ReferenceRoute.h"
#include "SyntaxTestSupport.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

namespace S = GrepEngine::SyntaxBits;
namespace M = GrepEngine::MatchBits;
using GrepEngine::Groups::GroupSpan;

bool Qualifies(const std::string& pattern, unsigned word = S::Extended,
               const std::locale& locale = std::locale::classic()) {
  auto compiled =
      GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), word, locale);
  EXPECT_FALSE(compiled->Failed()) << pattern;
  return compiled->Internals().OnePassGroups != nullptr;
}

TEST(OnePassGroupsTest, PatternsWithOneParseQualify) {
  for (const char* pattern :
       {"(struct|union) ([a-z_]+)", "([0-9]{4})-([0-9]{2})-([0-9]{2})", "([a-z]+)([0-9]{2,})",
        "(foo|bar)=([^;]*);", "(a)+", "((a)|b)+", "(a|b)*c", "(.)x", "x(a*)", "(a|)b",
        "((ab)|c){1,3}d", "(a?)b", "([^a]*)a(.*)", "^(a)", "(a)$", "\\b(value|buffer)\\b",
        "^([a-z]+)=(.*)$", "(^a|b$)c", "\\<(a)+\\>"})
    EXPECT_TRUE(Qualifies(pattern)) << pattern;
  EXPECT_TRUE(Qualifies("(a|B)+", S::Extended | S::CaseInsensitive));
  EXPECT_TRUE(Qualifies("\\([a-c]*\\)x", S::Basic));
}

TEST(OnePassGroupsTest, PatternsThePOSIXChoiceDecidesDoNot) {
  // Two parses of one text, or no byte-by-byte way to tell them apart.
  for (const char* pattern : {"(a|ab)(c|bcd)(d*)", "(a*)(a*)", "(a|a)", "([a-z]+)([a-z0-9]+)",
                              "(a+)+", "(a*)+", "(()|())", "(a|b)*(a)", "(.*)x", "(a|ab)c"})
    EXPECT_FALSE(Qualifies(pattern)) << pattern;
  // A test does not choose between paths.
  for (const char* pattern : {"(\\ba|a)", "(^|$)", "(a$|a)b*"})
    EXPECT_FALSE(Qualifies(pattern)) << pattern;
  // Empty-matching repeat bodies, back-references, no groups, large counts.
  for (const char* pattern : {"(a?)*", "(a|)+", "(^)+", "x{0,3}", "(a{1,200}){1,200}", "(a){300}"})
    EXPECT_FALSE(Qualifies(pattern)) << pattern;
  EXPECT_FALSE(Qualifies("\\(a\\)\\1", S::Basic));
  // A locale that collates decides what a range holds: the engine's groups stay.
  for (const char* name : {"en_US.ISO-8859-1", "en_US", "de_DE.ISO-8859-1", "fr_FR"}) {
    try {
      EXPECT_FALSE(
          Qualifies("([a-c]+)x", S::Extended & ~S::NoLocaleSpecificCollation, std::locale(name)))
          << name;
    } catch (const std::runtime_error&) {
      // no such locale here
    }
  }
  // A UTF-8 pattern's ranges run by code point, whatever the locale collates.
  try {
    EXPECT_TRUE(Qualifies("([a-c]+)x", S::Extended & ~S::NoLocaleSpecificCollation,
                          std::locale("C.UTF-8")));
  } catch (const std::runtime_error&) {
    // no such locale here
  }
}

TEST(OnePassGroupsTest, GroupsAreThePOSIXOnes) {
  auto groups = [](const std::string& pattern, const std::string& text) {
    auto compiled = SyntaxTest::Compile(pattern, S::Extended);
    EXPECT_NE(compiled->Internals().OnePassGroups, nullptr) << pattern;
    return SyntaxTest::Show(SyntaxTest::Search(*compiled, text));
  };
  EXPECT_EQ(groups("(struct|union) ([a-z_]+)", "a union of_x; "), "(2,12)(2,7)(8,12)");
  EXPECT_EQ(groups("([0-9]{4})-([0-9]{2})-([0-9]{2})", "on 2026-12-10."),
            "(3,13)(3,7)(8,10)(11,13)");
  // The last iteration only, and a group it did not take part in unset.
  EXPECT_EQ(groups("((a)|b)+", "xab"), "(1,3)(2,3)(?,?)");
  EXPECT_EQ(groups("((ab)|c){1,3}d", "abcd"), "(0,4)(2,3)(?,?)");
  EXPECT_EQ(groups("(a|b)*c", "c"), "(0,1)(?,?)");
  EXPECT_EQ(groups("x(a*)", "x"), "(0,1)(1,1)");
  EXPECT_EQ(groups("(a|)b", "b"), "(0,1)(0,0)");
}

TEST(OnePassGroupsTest, DotFollowsTheMatchWord) {
  auto compiled = SyntaxTest::Compile("(.)(x)", S::Extended);
  ASSERT_NE(compiled->Internals().OnePassGroups, nullptr);
  const std::string text = std::string("\nx\0x", 4) + "ax";
  std::vector<long> firsts;
  GrepEngine::GrepIn(*compiled, text.data(), text.data() + text.size(),
                     M::NotDotNewline | M::NotDotNullCharacter,
                     [&](const GrepEngine::MatchResults& m) {
                       firsts.push_back(static_cast<long>(m.Sub(1).Position));
                       return true;
                     });
  EXPECT_EQ(firsts, (std::vector<long>{4}));
}

// Patterns over a small alphabet that often have one parse: groups around classes, counted
// and open repeats, alternatives with distinct first bytes; some are ambiguous on purpose.
class OnePassMaker {
 public:
  explicit OnePassMaker(std::uint32_t seed) : Random(seed) {}

  std::string Pattern() {
    std::string pattern = Sequence(0);
    if (Random.Below(5) == 0) pattern += "|" + Sequence(0);
    if (pattern.find('(') == std::string::npos) pattern = "x(" + pattern + ")";
    return pattern;
  }

  std::string Text() {
    static const char alphabet[] = "aabbbc-x0\n.";
    std::string text;
    const std::uint32_t length = Random.Below(14);
    for (std::uint32_t i = 0; i < length; ++i)
      text += Random.Below(30) == 0 ? '\0' : alphabet[Random.Below(sizeof alphabet - 1)];
    return text;
  }

 private:
  std::string Sequence(int depth) {
    std::string out;
    const std::uint32_t length = 1 + Random.Below(depth == 0 ? 4 : 2);
    for (std::uint32_t i = 0; i < length; ++i) out += Piece(depth);
    return out;
  }

  std::string Piece(int depth) {
    static const char* const atoms[] = {"a",    "b", "c",     "-", "[ab]",
                                        "[^a]", ".", "[0-9]", "x", "[bc]"};
    static const char* const tests[] = {"^", "$", "\\b", "\\B", "\\<", "\\>", "\\`", "\\'"};
    static const char* const repeats[] = {"",  "",    "",      "*",    "+",
                                          "?", "{2}", "{1,3}", "{2,}", "{0,2}"};
    std::string atom;
    if (depth < 2 && Random.Below(2) == 0) {
      atom = "(" + Sequence(depth + 1);
      if (Random.Below(3) == 0) atom += "|" + Sequence(depth + 1);
      atom += ")";
    } else {
      atom = atoms[Random.Below(sizeof atoms / sizeof *atoms)];
    }
    if (Random.Below(6) == 0) return tests[Random.Below(sizeof tests / sizeof *tests)] + atom;
    return atom + repeats[Random.Below(sizeof repeats / sizeof *repeats)];
  }

  TestCases::Generator Random;
};

std::string Show(const std::vector<GroupSpan>& spans) {
  std::string out;
  for (const GroupSpan& s : spans)
    out += "(" + std::to_string(s.First) + "," + std::to_string(s.Last) + ")";
  return out;
}

// On every extent of short texts the pass follows exactly where the engine matches, with the
// resolver's groups.
TEST(OnePassGroupsTest, EveryExtentGivesTheResolversGroups) {
  const auto loose = GrepEngine::AsMatchFlags(GrepEngine::TranslateMatchFlags(0));
  const auto strict = GrepEngine::AsMatchFlags(
      GrepEngine::TranslateMatchFlags(M::NotDotNewline | M::NotDotNullCharacter));
  OnePassMaker maker(20261210u);
  int qualified = 0, followed = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string pattern = maker.Pattern();
    auto compiled = SyntaxTest::Compile(pattern, S::Extended);
    if (compiled->Failed()) continue;
    const GrepEngine::Pattern::Impl& impl = compiled->Internals();
    if (impl.OnePassGroups == nullptr) continue;
    ASSERT_NE(impl.GroupResolver, nullptr) << pattern;
    ++qualified;
    const unsigned groups = impl.OnePassGroups->GroupCount();
    for (int t = 0; t < 4; ++t) {
      const std::string text = maker.Text();
      for (const bool strictDot : {false, true}) {
        for (std::size_t from = 0; from <= text.size(); ++from) {
          for (std::size_t to = from; to <= text.size(); ++to) {
            const char* first = text.data() + from;
            const char* last = text.data() + to;
            // The extent as the engine sees it alone, with the byte before it for the tests.
            GrepEngine::Groups::TextContext context;
            context.Base = first;
            context.Last = last;
            context.PrevAvail = from > 0;
            context.NotDotNewline = strictDot;
            context.NotDotNull = strictDot;
            auto flags = strictDot ? strict : loose;
            if (from > 0) flags |= boost::regex_constants::match_prev_avail;
            std::vector<GroupSpan> resolved, passed(groups);
            const bool passes = impl.OnePassGroups->Follow(context, first, last, passed.data());
            const std::string where = "\"" + pattern + "\" on [" + std::to_string(from) + "," +
                                      std::to_string(to) + ") of \"" + text + "\"" +
                                      (strictDot ? " with a strict '.'" : "");
            // The resolver trusts that its extent is a match; the engine says whether it is.
            ASSERT_EQ(passes, boost::regex_match(first, last, impl.Expression, flags)) << where;
            if (!passes) continue;
            ASSERT_TRUE(impl.GroupResolver->Resolve(context, first, last, resolved)) << where;
            ++followed;
            ASSERT_EQ(Show(passed), Show(resolved)) << where;
          }
        }
      }
    }
  }
  EXPECT_GT(qualified, 500);
  EXPECT_GT(followed, 5000);
}

// Where every sub-match, the prefix, the suffix and the base are, as offsets.
std::string Layout(const boost::match_results<const char*>& results, const char* origin) {
  if (results.empty()) return "empty";
  const auto one = [origin](const boost::sub_match<const char*>& sub) {
    return "(" + std::to_string(sub.first - origin) + "," + std::to_string(sub.second - origin) +
           (sub.matched ? ")" : " unmatched)");
  };
  std::string out = "prefix " + one(results.prefix()) + " suffix " + one(results.suffix()) +
                    " base " + std::to_string(results.base() - origin) + ":";
  for (std::size_t n = 0; n < results.size(); ++n) out += " " + one(results[static_cast<int>(n)]);
  return out;
}

// Each match of the planned grep (groups filled later) and of the reference grep (Boost's
// groups already there): the planned route's results are those of Boost and the resolver,
// whole match, prefix, suffix and base included. The number of matches compared.
int CompareRoutes(const GrepEngine::Pattern& compiled, const std::string& pattern,
                  const std::string& text, unsigned word) {
  int compared = 0;
  const auto check = [&](const GrepEngine::MatchResults& m) {
    GrepEngine::MatchResults::Impl planned = m.Internals();
    GrepEngine::MatchResults::Impl reference = m.Internals();
    GrepEngine::FillGroups(planned, GrepEngine::GroupRoute::Planned);
    GrepEngine::FillGroups(reference, GrepEngine::GroupRoute::EngineAndResolver);
    const std::string where = "\"" + pattern + "\" at " + std::to_string(m.Sub(0).Position) +
                              " word " + std::to_string(word) + " in \"" + text + "\"";
    EXPECT_EQ(Layout(planned.Results, text.data()), Layout(reference.Results, text.data()))
        << where;
    EXPECT_TRUE(planned.Results == reference.Results) << where;
    ++compared;
    return !testing::Test::HasFailure();
  };
  GrepEngine::GrepIn(compiled, text.data(), text.data() + text.size(), word, check);
  if (!testing::Test::HasFailure())
    GrepEngine::ReferenceGrepIn(compiled, text.data(), text.data() + text.size(), word, check);
  return compared;
}

TEST(OnePassGroupsTest, GrepsGiveTheEnginesAndResolversResults) {
  OnePassMaker maker(777u);
  const unsigned words[] = {0,
                            M::NotDotNewline,
                            M::NotDotNullCharacter | M::NotBeginningOfLine,
                            M::NotNullString,
                            M::Continuous,
                            M::Shortest,
                            M::NotDotNewline | M::LineFeedLines,
                            M::LineFeedLines,
                            M::NotBeginningOfWord | M::NotEndOfWord,
                            M::NotEndOfLine,
                            M::NotBeginningOfBuffer | M::NotEndOfBuffer};
  int compared = 0;
  for (int i = 0; i < 8000; ++i) {
    const std::string pattern = maker.Pattern();
    const unsigned option = i % 3 == 0 ? S::Extended | S::CaseInsensitive : S::Extended;
    auto compiled = SyntaxTest::Compile(pattern, option);
    if (compiled->Failed() || compiled->Internals().OnePassGroups == nullptr) continue;
    const std::string text = maker.Text() + "\r\n" + maker.Text() + "AB" + maker.Text();
    const unsigned word = words[static_cast<unsigned>(i) % (sizeof words / sizeof *words)];
    compared += CompareRoutes(*compiled, pattern, text, word);
    if (testing::Test::HasFailure()) return;
  }
  EXPECT_GT(compared, 2000);
}

// The planned routes' own generated cases: every option word, classes, Latin-1 letters, CR, FF
// and NUL in the texts.
TEST(OnePassGroupsTest, DifferentialCasesGiveTheEnginesAndResolversResults) {
  TestCases::DifferentialGenerator generator(31337u);
  int compared = 0, qualified = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string pattern = generator.Pattern();
    const unsigned option = generator.OptionWord();
    const unsigned word = generator.MatchWord();
    auto compiled = SyntaxTest::Compile(pattern, option);
    if (compiled->Failed() || compiled->Internals().OnePassGroups == nullptr) continue;
    ++qualified;
    for (int t = 0; t < 3; ++t) {
      compared += CompareRoutes(*compiled, pattern, generator.Text(), word);
      if (testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(qualified, 300);
  EXPECT_GT(compared, 2000);
}

}  // namespace
