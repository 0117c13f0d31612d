// A Match: views with positions, groups worked out by the POSIX rules when read, its line, its
// format; and that it lives on after the operation, the range and the pattern that made it.
#include <gtest/gtest.h>

#include <locale>
#include <optional>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "grepcore/Regex.h"

namespace {

using CoreTest::Compile;
using CoreTest::Spans;

std::optional<grepcore::Match> First(std::string_view pattern, std::string_view text) {
  return *Compile(pattern).Search(text);
}

TEST(MatchTest, TheMatchIsAViewIntoTheText) {
  const std::string text = "say hello world";
  const auto match = First("h[a-z]+", text);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->Text(), "hello");
  EXPECT_EQ(match->Text().data(), text.data() + 4) << "a view, not a copy";
  EXPECT_EQ(match->Position(), 4u);
  EXPECT_EQ(match->End(), 9u);
  EXPECT_EQ(match->Length(), 5u);
  EXPECT_EQ(match->Subject().data(), text.data());
  EXPECT_EQ(match->Size(), 1u);
  EXPECT_FALSE(match->Group(1).Matched()) << "beyond the groups";
}

TEST(MatchTest, GroupsFollowThePosixRules) {
  struct Case {
    const char* pattern;
    const char* text;
    const char* spans;
  } cases[] = {
      {"a*(a*)", "aa", "(0,2)(2,2)"},
      {"(a|ab)(c|bcd)(d*)", "abcd", "(0,4)(0,2)(2,3)(3,4)"},
      {"(a|aa){2}", "aaa", "(0,3)(2,3)"},
      {"((z)+|a)*", "zabcde", "(0,2)(1,2)(?)"},  // the inner group took no part last
      {"(a)|b", "b", "(0,1)(?)"},
      {"(a*)(b|abc)", "abc", "(0,3)(0,0)(0,3)"},
      {"x(a|ab)(c|bcd)(d*)", "yxabcd", "(1,6)(2,4)(4,5)(5,6)"},
  };
  for (const Case& c : cases) {
    const auto match = First(c.pattern, c.text);
    ASSERT_TRUE(match) << c.pattern;
    EXPECT_EQ(Spans(*match), c.spans) << c.pattern << " / " << c.text;
  }
  const auto unmatched = First("(a)|b", "b");
  EXPECT_EQ(unmatched->Group(1).Position(), grepcore::Group::npos);
  EXPECT_EQ(unmatched->Group(1).Text(), "");
}

TEST(MatchTest, GroupsAreWorkedOutAfterTheRangeAndThePatternAreGone) {
  const std::string text = "k1=v1;k2=v2";
  std::vector<grepcore::Match> kept;
  {
    const grepcore::Pattern pattern = Compile("([a-z0-9]+)=([a-z0-9]+)");
    for (const grepcore::Match& match : pattern.Matches(text)) kept.push_back(match);
  }
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].Group(1).Text(), "k1");
  EXPECT_EQ(kept[1].Group(2).Text(), "v2");
  EXPECT_EQ(kept[1].Group(2).Position(), 9u);
  EXPECT_EQ(kept[1].Format("$2<$1"), "v2<k2");
  EXPECT_EQ(kept[1].Line(), 1u);
}

TEST(MatchTest, TheLineIsTheOneHoldingTheMatchsStart) {
  const std::string text = "one\ntwo x\n\nthree x\nx";
  std::vector<std::string> seen;
  for (const grepcore::Match& match : Compile("x").Matches(text))
    seen.push_back(std::to_string(match.Line()) + "@" + std::to_string(match.LineStart()) + ":" +
                   std::string(match.LineText()));
  EXPECT_EQ(seen, (std::vector<std::string>{"2@4:two x", "4@11:three x", "5@19:x"}));
  const auto spanning = First("e\nt", text);
  ASSERT_TRUE(spanning);
  EXPECT_EQ(spanning->Line(), 1u);
  EXPECT_EQ(spanning->LineText(), "one") << "without its LF";
}

TEST(MatchTest, LinesAreCountedOnlyWhenAskedAndStillRightWhenAskedRarely) {
  std::string text;
  for (int line = 1; line <= 500; ++line) text += "line " + std::to_string(line) + " x\n";
  grepcore::MatchRange range = Compile("x").Matches(text);
  std::size_t n = 0;
  for (const grepcore::Match& match : range) {
    ++n;
    if (n % 97 == 0 || n == 3) {
      EXPECT_EQ(match.Line(), n);
    }
  }
  EXPECT_EQ(n, 500u);
}

TEST(MatchTest, PrefixRunsFromWhereTheSearchBeganAndSuffixToTheEnd) {
  const grepcore::Pattern digits = Compile("[0-9]+");
  const std::string text = "ab12cd345ef";
  std::vector<std::string> seen;
  for (const grepcore::Match& m : digits.Matches(text))
    seen.push_back(std::string(m.Prefix().Text()) + "@" + std::to_string(m.Prefix().Position()) +
                   "|" + std::string(m.Suffix().Text()) + "@" +
                   std::to_string(m.Suffix().Position()));
  EXPECT_EQ(seen, (std::vector<std::string>{"ab@0|cd345ef@4", "cd@4|ef@9"}))
      << "in a walk the prefix starts at the previous match's end";
  const auto from = digits.Search(text, 5);
  ASSERT_TRUE(from && *from);
  EXPECT_EQ((*from)->Prefix().Text(), "d") << "a search's prefix starts at its `from`";
  EXPECT_EQ((*from)->Prefix().Position(), 5u);
  const auto anchored = Compile("ab").MatchAt(text);
  ASSERT_TRUE(anchored && *anchored);
  EXPECT_TRUE((*anchored)->Prefix().Text().empty());
  EXPECT_EQ((*anchored)->Prefix().Position(), 0u);
  const auto last = Compile("ef").Search(text);
  EXPECT_TRUE((**last).Suffix().Text().empty());
  EXPECT_EQ((**last).Suffix().Position(), text.size());
}

TEST(MatchTest, FormatTakesTheLocaleItIsGiven) {
  const std::string text = "a=b";
  const auto match = Compile("(a)=(b)").Search(text);
  ASSERT_TRUE(match && *match);
  EXPECT_EQ((*match)->Format("$2=$1", std::locale::classic()), (*match)->Format("$2=$1"));
  EXPECT_EQ((*match)->Format("", std::locale::classic()), "");
}

// The prefix runs from where the search began: the text's start, `from`, or the previous
// match's end in a range (also after an empty match); the suffix to the text's end.
TEST(MatchTest, PrefixAndSuffixAreWhatTheFormatsDollarsStandFor) {
  const std::string text = "ab=1 cd=2";
  const grepcore::Pattern pattern = Compile("[a-z]+=");
  std::vector<std::string> seen;
  for (const grepcore::Match& match : pattern.Matches(text)) {
    seen.push_back(std::string(match.Prefix().Text()) + "|" + std::string(match.Suffix().Text()));
    EXPECT_EQ(match.Format("$`|$'"), seen.back());
    EXPECT_EQ(match.Suffix().Position(), match.End());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"|1 cd=2", "1 |2"}));
  const auto later = *pattern.Search(text, 2);
  ASSERT_TRUE(later);
  EXPECT_EQ(later->Prefix().Text(), "=1 ");
  EXPECT_EQ(later->Prefix().Position(), 2u);
  std::vector<std::size_t> starts;
  for (const grepcore::Match& match : Compile("x*").Matches("ab"))
    starts.push_back(match.Prefix().Position());
  EXPECT_EQ(starts, (std::vector<std::size_t>{0, 0, 1}));
}

TEST(MatchTest, TheFormatIsTheEnginesSyntax) {
  const std::string text = "ab=cd;";
  const auto match = First("([a-z]+)=([a-z]+)", text);
  ASSERT_TRUE(match);
  EXPECT_EQ(match->Format("$2=$1"), "cd=ab");
  EXPECT_EQ(match->Format("[$&]"), "[ab=cd]");
  EXPECT_EQ(match->Format("$$1"), "$1");
  EXPECT_EQ(match->Format("$'"), ";");
  EXPECT_EQ(match->Format(""), "");
  EXPECT_EQ(match->Format("plain"), "plain");
}

}  // namespace
