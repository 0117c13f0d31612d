// Replacing by format and by callable, the first match only, and splitting: the edges a caller
// meets (empty format, empty matches, matches at both ends, adjacent matches).
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "CoreTestSupport.h"
#include "grepcore/Regex.h"

namespace {

using CoreTest::Compile;
using Pieces = std::vector<std::string_view>;

TEST(ReplaceTest, AFormatReplacesEveryMatchAndAnEmptyOneDeletes) {
  const grepcore::Pattern pair = Compile("([a-z]+)=([0-9]+)");
  EXPECT_EQ(*pair.Replace("a=1, b=2", "$2=$1"), "1=a, 2=b");
  EXPECT_EQ(*pair.Replace("a=1, b=2", ""), ", ");
  EXPECT_EQ(*pair.Replace("none here", "$1"), "none here");
  EXPECT_EQ(*Compile("x*").Replace("abc", "-"), "-a-b-c-") << "every empty match";
  EXPECT_EQ(*Compile("a*").Replace("baaac", "<$&>"), "<>b<aaa>c<>");
  EXPECT_EQ(*pair.Replace("a=1b=2", "[$`]"), "[][]") << "$` runs from the previous match";
}

TEST(ReplaceTest, LinesThatEndAtALineFeedOnlyMendEveryCrLfLine) {
  // As sed 's/\r$//': the CR of each CR LF line is at its line's end.
  grepcore::MatchOptions lines;
  lines.LineFeedLines = true;
  const grepcore::Pattern crAtEnd = Compile("\\r$");
  EXPECT_EQ(*crAtEnd.Replace("a\r\nb\r\n", "", lines), "a\nb\n");
  EXPECT_EQ(*crAtEnd.Replace("a\r\nb\r\n", ""), "a\r\nb\r\n")
      << "the engine's own lines: no line end between a CR and its LF";
  EXPECT_EQ(*Compile("^").Count("a\rb\fc\nd", lines), 2u);
  EXPECT_EQ(*Compile("^").Count("a\rb\fc\nd"), 4u);
  lines.NotDotNewline = true;
  EXPECT_EQ(*Compile("a.b").Replace("a\rb a\fb a\nb", "X", lines), "X X a\nb");
}

TEST(ReplaceTest, ACallableGivesEachReplacement) {
  const grepcore::Pattern word = Compile("[a-z]+");
  const auto upper = word.Replace("hi there, you", [](const grepcore::Match& m) {
    std::string text(m.Text());
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  });
  EXPECT_EQ(*upper, "HI THERE, YOU");
  // A view will do, and the callable sees the groups and lines.
  const std::string text = "k=v\nx=y";
  const auto swapped = Compile("(.)=(.)").Replace(
      text, [](const grepcore::Match& m) { return m.Format("$2=$1") + std::to_string(m.Line()); });
  EXPECT_EQ(*swapped, "v=k1\ny=x2");
  EXPECT_EQ(*word.Replace("ab cd", [](const grepcore::Match&) { return std::string_view(); }), " ");
  int calls = 0;
  EXPECT_EQ(
      *Compile("x*").Replace("ab", [&](const grepcore::Match&) { return std::to_string(++calls); }),
      "1a2b3");
}

TEST(ReplaceTest, ExpandKeepsOnlyTheExpansions) {
  const grepcore::Pattern pair = Compile("([a-z]+)=([0-9]+)");
  EXPECT_EQ(*pair.Expand("a=1, b=2.", "$2$1;"), "1a;2b;");
  EXPECT_EQ(*pair.Expand("none here", "$1"), "") << "nothing matched: nothing kept";
  EXPECT_EQ(*Compile("x*").Expand("abc", "-"), "----") << "every empty match";
  // The same matches and expansions as Replace, only the text between them dropped.
  const std::string text = "k=1 q=22 z=333";
  std::string expected;
  for (const grepcore::Match& m : pair.Matches(text)) expected += m.Format("<$`|$2>");
  EXPECT_EQ(*pair.Expand(text, "<$`|$2>"), expected);
}

TEST(ReplaceTest, ReplaceFirstLeavesTheRest) {
  const grepcore::Pattern digits = Compile("[0-9]+");
  EXPECT_EQ(*digits.ReplaceFirst("a1 b22 c3", "<$&>"), "a<1> b22 c3");
  EXPECT_EQ(*digits.ReplaceFirst("none", "<$&>"), "none");
  EXPECT_EQ(*digits.ReplaceFirst("12", ""), "");
}

TEST(SplitTest, PiecesBetweenTheMatchesNoneDropped) {
  const grepcore::Pattern comma = Compile(" *, *");
  EXPECT_EQ(*comma.Split("a , b,c"), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(*comma.Split("a,b,"), (Pieces{"a", "b", ""})) << "a trailing empty piece";
  EXPECT_EQ(*comma.Split(",a"), (Pieces{"", "a"})) << "a leading empty piece";
  EXPECT_EQ(*comma.Split("a,,b"), (Pieces{"a", "", "b"})) << "adjacent matches";
  EXPECT_EQ(*comma.Split("abc"), (Pieces{"abc"}));
  EXPECT_EQ(*comma.Split(""), (Pieces{""}));
  EXPECT_EQ(*comma.Split(","), (Pieces{"", ""}));
  // Empty matches split where they lie, by the walk's rule.
  EXPECT_EQ(*Compile("x*").Split("abc"), (Pieces{"", "a", "b", "c", ""}));
  EXPECT_EQ(*Compile("x*").Split("axc"), (Pieces{"", "a", "c", ""}));
}

TEST(SplitTest, PiecesAreViewsThatJoinBackToTheText) {
  const std::string text = "one  two   three ";
  const auto pieces = *Compile(" +").Split(text);
  EXPECT_EQ(pieces.front().data(), text.data());
  std::string joined;
  std::size_t at = 0;
  for (std::string_view piece : pieces) {
    joined.append(text, at, static_cast<std::size_t>(piece.data() - text.data()) - at);
    joined += piece;
    at = static_cast<std::size_t>(piece.data() - text.data()) + piece.size();
  }
  EXPECT_EQ(joined, text);
}

}  // namespace
