// The basic syntax as grep reads it (Basic with \+ \? as the repeats and \| as the
// alternation), on every route the planner takes: each case's matches are GNU grep -G's
// (grep -o -b, C locale), on the planned route and on the reference engine alike, a line at
// a time as a search tool tests lines and over the whole text as its block search runs.

#include <gtest/gtest.h>

#include <locale>
#include <set>
#include <string>
#include <vector>

#include "ReferenceRoute.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

using namespace GrepEngine;

constexpr unsigned GrepBasic = SyntaxBits::Basic | SyntaxBits::QuestionmarkPlusNotOperators |
                               SyntaxBits::VerticalbarNotOperator;
// A search tool's lines.
constexpr unsigned LineWord = MatchBits::LineFeedLines | MatchBits::NotDotNewline;

const std::string Text =
    "aab ab b a+b\n"        // 0
    "x y z xyz\n"           // 13
    "foo_bar baz-qux 42\n"  // 23
    "abc ababc c\n"         // 42
    "+a ?b |c\n";           // 54

using List = std::vector<std::string>;

// "offset:text" for each match of [first, last), offsets from the start of Text.
template <class Grep>
List Seen(Grep grep) {
  List seen;
  grep([&](const MatchResults& match) {
    const SubMatch whole = match.Sub(0);
    seen.push_back(std::to_string(whole.First - Text.data()) + ":" +
                   std::string(whole.First, whole.Last));
    return true;
  });
  return seen;
}

// The matches line by line, each line its own text, on the planned route; the reference
// engine's must be the same.
List ByLines(const Pattern& pattern, const std::string& shown) {
  List planned, reference;
  for (std::size_t start = 0; start < Text.size();) {
    const std::size_t end = Text.find('\n', start);
    const char* first = Text.data() + start;
    const char* last = Text.data() + end;
    const List line =
        Seen([&](auto callback) { return GrepIn(pattern, first, last, LineWord, callback); });
    const List expected = Seen(
        [&](auto callback) { return ReferenceGrepIn(pattern, first, last, LineWord, callback); });
    EXPECT_EQ(line, expected) << shown << " on line at " << start;
    planned.insert(planned.end(), line.begin(), line.end());
    start = end + 1;
  }
  return planned;
}

TEST(BasicSyntaxRoutes, GrepsBasicOperatorsOnEveryRoute) {
  struct Case {
    const char* pattern;
    List expected;
    bool staysInLine;  // no match can take a LF, so the whole text gives the same
  };
  const Case cases[] = {
      {"a\\+b", {"0:aab", "4:ab", "42:ab", "46:ab", "48:ab"}, true},
      {"\\(ab\\)\\?c", {"42:abc", "48:abc", "52:c", "61:c"}, true},
      {"ab\\?c", {"42:abc", "48:abc"}, true},
      {"x\\|y\\|z", {"13:x", "15:y", "17:z", "19:x", "20:y", "21:z", "33:z", "37:x"}, true},
      {"\\w\\+",
       {"0:aab", "4:ab", "7:b", "9:a", "11:b", "13:x", "15:y", "17:z", "19:xyz", "23:foo_bar",
        "31:baz", "35:qux", "39:42", "42:abc", "46:ababc", "52:c", "55:a", "58:b", "61:c"},
       true},
      {"\\S\\+",
       {"0:aab", "4:ab", "7:b", "9:a+b", "13:x", "15:y", "17:z", "19:xyz", "23:foo_bar",
        "31:baz-qux", "39:42", "42:abc", "46:ababc", "52:c", "54:+a", "57:?b", "60:|c"},
       true},
      {"\\W\\+",
       {"3: ", "6: ", "8: ", "10:+", "14: ", "16: ", "18: ", "30: ", "34:-",
        "38: ", "45: ", "51: ", "54:+", "56: ?", "59: |"},
       false},
      {"\\s\\+",
       {"3: ", "6: ", "8: ", "14: ", "16: ", "18: ", "30: ", "38: ", "45: ", "51: ", "56: ",
        "59: "},
       false},
      {"\\<b", {"7:b", "11:b", "31:b", "58:b"}, true},
      {"b\\>", {"2:b", "5:b", "7:b", "11:b", "58:b"}, true},
      {"\\bba", {"31:ba"}, true},
      {"\\<\\w\\+\\>",
       {"0:aab", "4:ab", "7:b", "9:a", "11:b", "13:x", "15:y", "17:z", "19:xyz", "23:foo_bar",
        "31:baz", "35:qux", "39:42", "42:abc", "46:ababc", "52:c", "55:a", "58:b", "61:c"},
       true},
      // The bare characters stay ordinary; a leading \+ has nothing to repeat.
      {"a+b", {"9:a+b"}, true},
      {"a?b", {}, true},
      {"|c", {"60:|c"}, true},
      {"\\+a", {"54:+a"}, true},
      {"^\\+a", {"54:+a"}, true},
      {"x\\|^a", {"0:a", "13:x", "19:x", "37:x", "42:a"}, true},
      {"\\(a\\|b\\)\\+",
       {"0:aab", "4:ab", "7:b", "9:a", "11:b", "27:ba", "31:ba", "42:ab", "46:abab", "55:a",
        "58:b"},
       true},
      {"a\\{2\\}", {"0:aa"}, true},
      {"\\(ab\\)\\1\\?", {"1:ab", "4:ab", "42:ab", "46:abab"}, true},
  };
  std::set<Route> routes;
  for (const Case& c : cases) {
    const std::string pattern = c.pattern;
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), GrepBasic,
                                     std::locale::classic());
    ASSERT_FALSE(compiled->Failed()) << pattern;
    EXPECT_EQ(ByLines(*compiled, pattern), c.expected) << pattern;
    const char* first = Text.data();
    const char* last = first + Text.size();
    routes.insert(PlannedRoute(*compiled, LineWord, first, last));
    if (!c.staysInLine) continue;
    EXPECT_EQ(
        Seen([&](auto callback) { return GrepIn(*compiled, first, last, LineWord, callback); }),
        c.expected)
        << pattern << " over the whole text";
  }
  EXPECT_EQ(routes,
            (std::set<Route>{Route::Literal, Route::LiteralSet, Route::Dfa, Route::Reference}))
      << "every route is taken";
}

TEST(BasicSyntaxRoutes, GroupsOfTheBasicOperatorsAreThePosixOnes) {
  const auto groups = [](const std::string& pattern, const std::string& text) {
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), GrepBasic,
                                     std::locale::classic());
    List seen;
    GrepIn(*compiled, text.data(), text.data() + text.size(), LineWord,
           [&](const MatchResults& match) {
             std::string line;
             for (unsigned i = 0; i < match.Size(); ++i) {
               const SubMatch sub = match.Sub(i);
               line += (i == 0 ? "" : " ") + (sub.Matched ? std::to_string(sub.Position) + "+" +
                                                                std::to_string(sub.Length())
                                                          : std::string("-"));
             }
             seen.push_back(line);
             return true;
           });
    return seen;
  };
  // The last iteration of a repeated group, an optional group that took no part, and the
  // longest whole match before the longest first group.
  EXPECT_EQ(groups("\\(ab\\)\\?c", "abc c"), (List{"0+3 0+2", "4+1 -"}));
  EXPECT_EQ(groups("\\(a\\|b\\)\\+", "aab"), (List{"0+3 2+1"}));
  EXPECT_EQ(groups("\\(a\\|ab\\)\\(c\\|bcd\\)", "abcd"), (List{"0+4 0+1 1+3"}));
  EXPECT_EQ(groups("\\(\\w\\+\\) \\1", "ab ab"), (List{"0+5 0+2"}));
}

}  // namespace
