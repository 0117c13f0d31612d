// The grep pulled one step at a time against GrepIn itself: the same matches, prefixes and
// groups on every route, on generated patterns, option words, match words and texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DifferentialCases.h"
#include "engine/GrepSteps.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using namespace GrepEngine;
namespace M = GrepEngine::MatchBits;

// What a reader of one grep match sees: every sub-match and the prefix's start.
std::string Describe(const MatchResults& match) {
  std::string seen;
  for (unsigned i = 0; i < match.Size(); ++i) {
    const SubMatch sub = match.Sub(i);
    seen += sub.Matched
                ? "(" + std::to_string(sub.Position) + "," +
                      std::to_string(sub.Position + static_cast<std::int64_t>(sub.Length())) + ")"
                : "(?)";
  }
  const SubMatch prefix = match.Prefix();
  seen += " p" + (prefix.Matched ? std::to_string(prefix.Position) : std::string("-"));
  return seen;
}

struct Walk {
  std::vector<std::string> Matches;
  bool Abandoned = false;
};

Walk ByGrepIn(const Pattern& pattern, const std::string& text, unsigned word) {
  Walk walk;
  const GrepOutcome outcome =
      GrepIn(pattern, text.data(), text.data() + text.size(), word, [&](const MatchResults& match) {
        walk.Matches.push_back(Describe(match));
        return true;
      });
  walk.Abandoned = outcome.Abandoned;
  return walk;
}

Walk BySteps(const Pattern& pattern, const std::string& text, unsigned word) {
  Walk walk;
  const char* first = text.data();
  const char* last = first + text.size();
  GrepSteps steps(pattern, first, last, word);
  StepMatch step;
  MatchResults described;
  for (bool found = steps.First(first, step); found; found = steps.After(step, step)) {
    DescribeStep(pattern, first, last, step, described);
    walk.Matches.push_back(Describe(described));
  }
  walk.Abandoned = steps.AbandonCode() != 0;
  return walk;
}

std::shared_ptr<const Pattern> Compile(const std::string& text, unsigned word) {
  return Pattern::Compile(text.data(), text.data() + text.size(), word, std::locale::classic());
}

TEST(GrepStepsTest, StepsFindExactlyGrepInsMatchesOnGeneratedCases) {
  TestCases::DifferentialGenerator generate(20261209);
  int compared = 0;
  for (int n = 0; n < 6000; ++n) {
    const std::string patternText = generate.Pattern();
    const unsigned optionWord = generate.OptionWord();
    const unsigned matchWord = generate.MatchWord();
    const std::string text = generate.Text();
    const auto pattern = Compile(patternText, optionWord);
    if (pattern->Failed()) continue;
    ++compared;
    const Walk pushed = ByGrepIn(*pattern, text, matchWord);
    const Walk pulled = BySteps(*pattern, text, matchWord);
    ASSERT_EQ(pulled.Matches, pushed.Matches)
        << "pattern " << patternText << " option word " << std::hex << optionWord << " match word "
        << matchWord << " text \"" << text << "\"";
    ASSERT_EQ(pulled.Abandoned, pushed.Abandoned) << patternText;
  }
  EXPECT_GT(compared, 3000);
}

TEST(GrepStepsTest, EmptyMatchesMoveOnAsTheGrepsDo) {
  const std::string text = "baaac";
  const auto star = Compile("a*", SyntaxBits::Normal);
  // No empty match where a match ended: none at 4 after "aaa".
  EXPECT_EQ(BySteps(*star, text, M::None).Matches,
            (std::vector<std::string>{"(0,0) p-", "(1,4) p0", "(5,5) p4"}));
  // The shortest rule refuses one only after an empty match.
  EXPECT_EQ(BySteps(*star, text, M::Shortest).Matches, ByGrepIn(*star, text, M::Shortest).Matches);
}

TEST(GrepStepsTest, AFirstStepInsideTheTextSeesTheBytesBeforeIt) {
  const std::string text = "ab a\nb";
  const char* first = text.data();
  const char* last = first + text.size();
  StepMatch step;
  const auto wordStart = Compile("\\<[ab]", SyntaxBits::Normal);
  GrepSteps words(*wordStart, first, last, M::None);
  ASSERT_TRUE(words.First(first + 1, step));
  EXPECT_EQ(step.First - first, 3) << "the b at 1 follows a word character";
  const auto lineStart = Compile("^b", SyntaxBits::Normal);
  GrepSteps lines(*lineStart, first, last, M::None);
  ASSERT_TRUE(lines.First(first + 1, step));
  EXPECT_EQ(step.First - first, 5);
}

TEST(GrepStepsTest, GivingUpIsTold) {
  const std::string text = "b" + std::string(2000, 'a');
  const auto hard = Compile("(a*)*b\\1", SyntaxBits::Normal);
  GrepSteps steps(*hard, text.data(), text.data() + text.size(), M::None);
  StepMatch step;
  ASSERT_TRUE(steps.First(text.data(), step));
  EXPECT_EQ(steps.AbandonCode(), 0u);
  EXPECT_FALSE(steps.After(step, step));
  EXPECT_NE(steps.AbandonCode(), 0u);
  // A pattern that failed to compile steps to nothing.
  const auto bad = Compile("a(", SyntaxBits::Normal);
  GrepSteps none(*bad, text.data(), text.data() + text.size(), M::None);
  EXPECT_FALSE(none.First(text.data(), step));
  EXPECT_EQ(none.AbandonCode(), 0u);
}

}  // namespace
