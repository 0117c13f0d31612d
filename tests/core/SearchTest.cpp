// The single-match operations: whole text, anywhere, anchored, searched from an offset; and
// the three answers each can give: a match, no match, an error.
#include <gtest/gtest.h>

#include <string>

#include "CoreTestSupport.h"
#include "grepcore/Regex.h"

namespace {

using CoreTest::Compile;
using grepcore::ErrorKind;
using grepcore::MatchOptions;

TEST(SearchTest, WholeAnywhereAndAnchored) {
  struct Case {
    const char* pattern;
    const char* text;
    bool full, contains;
    std::ptrdiff_t anchoredEnd, searchAt;  // -1: no match
  } cases[] = {
      {"abc", "abcdef", false, true, 3, 0},
      {"abc", "xabc", false, true, -1, 1},
      {"abc", "abc", true, true, 3, 0},
      {"a|ab", "ab", true, true, 2, 0},  // leftmost-longest: the anchored match is whole
      {"x*", "", true, true, 0, 0},      // an empty text matches an empty match
      {"x", "", false, false, -1, -1},
      {"b+", "abbb", false, true, -1, 1},
  };
  for (const Case& c : cases) {
    const grepcore::Pattern pattern = Compile(c.pattern);
    EXPECT_EQ(*pattern.FullMatch(c.text), c.full) << c.pattern << " / " << c.text;
    EXPECT_EQ(*pattern.Contains(c.text), c.contains) << c.pattern << " / " << c.text;
    const auto anchored = pattern.MatchAt(c.text);
    ASSERT_TRUE(anchored);
    EXPECT_EQ(anchored->has_value() ? static_cast<std::ptrdiff_t>((*anchored)->End()) : -1,
              c.anchoredEnd)
        << c.pattern << " / " << c.text;
    const auto searched = pattern.Search(c.text);
    ASSERT_TRUE(searched);
    EXPECT_EQ(searched->has_value() ? static_cast<std::ptrdiff_t>((*searched)->Position()) : -1,
              c.searchAt)
        << c.pattern << " / " << c.text;
  }
}

TEST(SearchTest, TheWholeTextMatchesWhenAnyMatchReachesItsEnd) {
  // The shortest rule would stop at "a"; the whole text is still a match.
  const grepcore::Pattern pattern = Compile("a+");
  EXPECT_TRUE(*pattern.FullMatch("aaa", CoreTest::Shortest()));
  EXPECT_EQ((*pattern.MatchAt("aaa", CoreTest::Shortest()))->Length(), 1u);
  MatchOptions notEnd;
  notEnd.NotEndOfLine = true;
  EXPECT_FALSE(*Compile("a$").FullMatch("a", notEnd));
}

TEST(SearchTest, NoMatchIsAValueAndAGiveUpIsAnError) {
  const grepcore::Pattern hard = Compile("(a*)*b\\1");
  const std::string many(2000, 'a');
  const auto nothing = hard.Search("cc");
  ASSERT_TRUE(nothing) << "no match is no error";
  EXPECT_FALSE(nothing->has_value());
  for (const grepcore::Error& error : {hard.Search(many).Error(), hard.MatchAt(many).Error(),
                                       hard.Contains(many).Error(), hard.FullMatch(many).Error()}) {
    EXPECT_EQ(error.Kind, ErrorKind::EngineGaveUp);
    EXPECT_NE(error.Code, 0u);
    EXPECT_NE(error.Message.find("complexity"), std::string::npos) << error.Message;
  }
  const auto bad = grepcore::Pattern::Compile("a(");
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.Error().Kind, ErrorKind::BadPattern);
}

TEST(SearchTest, ASearchFromAnOffsetSeesTheBytesBeforeIt) {
  const std::string text = "ab a\nb";
  auto at = [&](const char* pattern, std::size_t from) -> std::ptrdiff_t {
    const auto found = Compile(pattern).Search(text, from);
    EXPECT_TRUE(found);
    return found && found->has_value() ? static_cast<std::ptrdiff_t>((*found)->Position()) : -1;
  };
  EXPECT_EQ(at("\\<[ab]", 1), 3) << "the b at 1 ends a word, it does not start one";
  EXPECT_EQ(at("^b", 1), 5) << "1 is no line start";
  EXPECT_EQ(at("^a", 0), 0);
  EXPECT_EQ(at("b$", 0), 5);
  EXPECT_EQ(at("a", 6), -1) << "the text's end is a place to search from";
  EXPECT_EQ(at("$", 6), 6);
  const auto beyond = Compile("a").Search(text, 7);
  ASSERT_FALSE(beyond);
  EXPECT_EQ(beyond.Error().Kind, ErrorKind::BadArgument);
}

TEST(SearchTest, TheEmptyViewIsAText) {
  const std::string_view none;
  EXPECT_TRUE(*Compile("x*").FullMatch(none));
  EXPECT_FALSE(*Compile("x").Contains(none));
  EXPECT_EQ(*Compile("x*").Count(none), 1u);
  EXPECT_EQ(*Compile("x").Replace(none, "y"), "");
  EXPECT_EQ(Compile(",").Split(none)->size(), 1u);
}

}  // namespace
