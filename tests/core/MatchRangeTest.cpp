// The lazy range over every match: the grep's empty-match rule, continuous and shortest walks,
// a give-up in the middle, and the count and ForEach that stand on the same walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "grepcore/Regex.h"

namespace {

using CoreTest::AllSpans;
using CoreTest::Compile;
using grepcore::MatchOptions;
using Spans = std::vector<std::string>;

TEST(MatchRangeTest, NoMatchIsEmptyWhereThePreviousOneEnded) {
  EXPECT_EQ(AllSpans(Compile("a*"), "baaac"), (Spans{"(0,0)", "(1,4)", "(5,5)"}));
  EXPECT_EQ(AllSpans(Compile("x*"), "abc"), (Spans{"(0,0)", "(1,1)", "(2,2)", "(3,3)"}));
  EXPECT_EQ(AllSpans(Compile("x*"), ""), (Spans{"(0,0)"}));
  EXPECT_EQ(AllSpans(Compile("b|"), "abc"), (Spans{"(0,0)", "(1,2)", "(3,3)"}));
  // The shortest rule takes the first match at a place; only after an empty one is an empty
  // match refused where it ended.
  EXPECT_EQ(AllSpans(Compile("a*"), "aa", CoreTest::Shortest()),
            (Spans{"(0,0)", "(0,1)", "(1,1)", "(1,2)", "(2,2)"}));
  MatchOptions notEmpty;
  notEmpty.NotEmpty = true;
  EXPECT_EQ(AllSpans(Compile("a*"), "baaac", notEmpty), (Spans{"(1,4)"}));
}

TEST(MatchRangeTest, AContinuousWalkStopsAtTheFirstGap) {
  MatchOptions continuous;
  continuous.Continuous = true;
  EXPECT_EQ(AllSpans(Compile("a"), "aaba", continuous), (Spans{"(0,1)", "(1,2)"}));
  EXPECT_EQ(AllSpans(Compile("a"), "baa", continuous), Spans{});
}

TEST(MatchRangeTest, MatchesAreViewsAndTheRangeIsAnInputRange) {
  const std::string text = "ab ab ab";
  grepcore::MatchRange range = Compile("ab").Matches(text);
  EXPECT_EQ(std::distance(range.begin(), range.end()), 3);
  EXPECT_TRUE(range.begin() == range.end()) << "walked once";
  grepcore::MatchRange again = Compile("ab").Matches(text);
  auto it = again.begin();
  ASSERT_NE(it, again.end());
  EXPECT_EQ(it->Text().data(), text.data());
  const grepcore::Match kept = *it;  // a copy outlives the step
  ++it;
  EXPECT_EQ(it->Position(), 3u);
  EXPECT_EQ(kept.Position(), 0u);
  grepcore::MatchRange moved = std::move(again);
  EXPECT_EQ(std::distance(moved.begin(), moved.end()), 2) << "a moved range goes on";
  EXPECT_TRUE(moved.Outcome());
}

TEST(MatchRangeTest, AGiveUpEndsTheWalkAndIsToldApartFromItsEnd) {
  const std::string text = "b" + std::string(2000, 'a');
  grepcore::MatchRange range = Compile("(a*)*b\\1").Matches(text);
  std::size_t walked = 0;
  for (const grepcore::Match& match : range) {
    EXPECT_EQ(match.Position(), 0u);
    ++walked;
  }
  EXPECT_EQ(walked, 1u) << "the match before the engine gave up";
  ASSERT_FALSE(range.Outcome());
  EXPECT_EQ(range.Outcome().Error().Kind, grepcore::ErrorKind::EngineGaveUp);
  EXPECT_NE(range.Outcome().Error().Message.find("complexity"), std::string::npos);
  const grepcore::Pattern hard = Compile("(a*)*b\\1");
  EXPECT_EQ(hard.Count(text).Error().Kind, grepcore::ErrorKind::EngineGaveUp);
  EXPECT_FALSE(hard.ForEach(text, [](const grepcore::Match&) {}));
  EXPECT_FALSE(hard.Split(text));
  EXPECT_FALSE(hard.Replace(text, "x"));
  EXPECT_FALSE(hard.Replace(text, [](const grepcore::Match&) { return "x"; }));
  EXPECT_FALSE(hard.ReplaceFirst(std::string(2000, 'a'), "x"));
}

TEST(MatchRangeTest, CountAndForEachWalkTheSameMatches) {
  const std::string text = "a1 b22 c333 d";
  const grepcore::Pattern digits = Compile("[0-9]*");
  const Spans all = AllSpans(digits, text);
  EXPECT_EQ(*digits.Count(text), all.size());
  std::vector<std::size_t> positions;
  EXPECT_EQ(
      *digits.ForEach(text, [&](const grepcore::Match& m) { positions.push_back(m.Position()); }),
      all.size());
  EXPECT_EQ(positions.size(), all.size());
  // A callable that returns false stops the walk; the match it stopped at is counted.
  std::size_t calls = 0;
  EXPECT_EQ(*digits.ForEach(text,
                            [&](const grepcore::Match& m) {
                              ++calls;
                              return m.Length() < 2;
                            }),
            calls);
  EXPECT_LT(calls, all.size());
  EXPECT_EQ(*Compile("z").Count(text), 0u);
}

}  // namespace
