// The value interface against the pattern class on generated patterns, option words, match
// words and texts: compile errors, the anchored match, the whole-text match, the search, the
// grep's every match (groups, line and line start as its events report them) and the merge.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ClassWords.h"
#include "DifferentialCases.h"
#include "grepcore/Regex.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;
using ClassWords::SetMatchWord;
using ClassWords::SetOptionWord;
using RegexClass::REMatchInfo;

// A match as the class's records give it (the whole match and the groups, then the line).
std::string Show(const REMatchInfo& info, std::size_t marks, unsigned line, std::uint64_t start) {
  std::string shown;
  for (std::size_t i = 0; i < marks && i < info.size(); ++i)
    shown += info[i].Position < 0
                 ? std::string("(-)")
                 : "(" + std::to_string(info[i].Position) + ":" + info[i].MatchString + ")";
  return shown + " line " + std::to_string(line) + "@" + std::to_string(start);
}

// The same from a Match.
std::string Show(const grepcore::Match& match) {
  std::string shown;
  for (std::size_t i = 0; i < match.Size(); ++i) {
    const grepcore::Group group = match.Group(i);
    shown += group.Matched()
                 ? "(" + std::to_string(group.Position()) + ":" + std::string(group.Text()) + ")"
                 : std::string("(-)");
  }
  return shown + " line " + std::to_string(match.Line()) + "@" + std::to_string(match.LineStart());
}

// What the class's events saw.
struct Events {
  std::vector<std::string> Seen;
  std::size_t Marks = 0;
  void OnMatch(RE*, const REMatchInfo& info, unsigned line, std::uint64_t start) {
    Seen.push_back(Show(info, Marks, line, start));
  }
  void OnGrep(RE*, const REMatchInfo& info, unsigned line, std::uint64_t start, bool&) {
    Seen.push_back(Show(info, Marks, line, start));
  }
};

std::vector<std::string> Single(const grepcore::Result<std::optional<grepcore::Match>>& found) {
  if (!found || !found->has_value()) return {};
  return {Show(**found)};
}

const char* const Formats[] = {"<$&>", "$1", "[$2|$1]", "x", "", "$`|$'", "\\n$0"};

TEST(ClassDifferentialTest, TheValueInterfaceAgreesWithThePatternClass) {
  TestCases::DifferentialGenerator generate(7177);
  int compared = 0;
  for (int n = 0; n < 4000; ++n) {
    const std::string patternText = generate.Pattern();
    const unsigned optionWord = generate.OptionWord();
    const unsigned matchWord = generate.MatchWord();
    const std::string text = generate.Text();
    const std::string format = Formats[generate.Below(sizeof Formats / sizeof *Formats)];
    const std::string where = "pattern " + patternText + " option word " +
                              std::to_string(optionWord) + " match word " +
                              std::to_string(matchWord) + " text \"" + text + "\" format " + format;

    RE re;
    re.SetLocale(std::locale::classic());
    SetOptionWord(re, optionWord);
    SetMatchWord(re, matchWord);
    ASSERT_EQ(re.GetFlagOptions(), optionWord);
    ASSERT_EQ(re.GetMatchFlags(), matchWord);
    re.SetExpression(patternText);
    re.SetStringToMatch(text);
    const auto pattern = grepcore::Pattern::Compile(
        patternText, grepcore::CompileOptions::FromWord(optionWord, std::locale::classic()));
    const bool classCompiled = re.ParseExpression() == 0;
    ASSERT_EQ(static_cast<bool>(pattern), classCompiled) << where;
    if (!pattern) {
      EXPECT_EQ(pattern.Error().Message, re.GetExpressionError()) << where;
      continue;
    }
    ++compared;
    const grepcore::MatchOptions options = grepcore::MatchOptions::FromWord(matchWord);

    Events events;
    events.Marks = re.NumberOfSubexpressions() + 1;
    re.SetOnMatchingClosure(RE::MatchEventClosure(&events, &Events::OnMatch));
    re.SetOnSearchingClosure(RE::MatchEventClosure(&events, &Events::OnMatch));
    re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&events, &Events::OnGrep));

    re.Match();
    const auto anchored = pattern->MatchAt(text, options);
    ASSERT_EQ(static_cast<bool>(anchored), !re.LastOperationAbandoned()) << where;
    EXPECT_EQ(Single(anchored), events.Seen) << "anchored, " << where;

    events.Seen.clear();
    re.Search();
    const auto searched = pattern->Search(text, options);
    ASSERT_EQ(static_cast<bool>(searched), !re.LastOperationAbandoned()) << where;
    EXPECT_EQ(Single(searched), events.Seen) << "searched, " << where;

    if (!options.Shortest) {  // the whole text under the shortest rule is the class's own
      const auto whole = pattern->FullMatch(text, options);
      EXPECT_EQ(whole.ValueOr(false), re.MatchAll()) << where;
    }
    if (text.empty()) continue;  // the class greps and merges nothing in an empty text

    events.Seen.clear();
    const unsigned count = re.Grep();
    std::vector<std::string> walked;
    grepcore::MatchRange range = pattern->Matches(text, options);
    for (const grepcore::Match& match : range) walked.push_back(Show(match));
    EXPECT_EQ(walked, events.Seen) << "grep, " << where;
    EXPECT_EQ(walked.size(), count) << where;
    EXPECT_EQ(static_cast<bool>(range.Outcome()), !re.LastOperationAbandoned()) << where;

    if (format.empty()) continue;  // the class merges nothing with an empty format
    re.SetFormatString(format);
    re.SetMergeCopy(true);
    std::string merged;
    re.Merge(merged);
    if (re.LastOperationAbandoned()) {
      EXPECT_FALSE(pattern->Replace(text, format, options)) << where;
      continue;
    }
    EXPECT_EQ(pattern->Replace(text, format, options).ValueOr("gave up"), merged) << where;
    const auto byCallable = pattern->Replace(
        text, [&](const grepcore::Match& match) { return match.Format(format); }, options);
    EXPECT_EQ(byCallable.ValueOr("gave up"), merged) << "callable, " << where;
  }
  EXPECT_GT(compared, 2500);
}

}  // namespace
