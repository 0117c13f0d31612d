// The component core: defaults, the option-set assignment rules, texts, copy, comparison and
// Assign.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "Handlers.h"
#include "TemporaryDirectory.h"
#include "grepkit/Regularexpression.h"
#include "grepkit/Regularexpressioncustom.h"

namespace {

using RE = RegexComponent::RegularExpressionCustom;
using Opt = RE::OptionSet;
using Mat = RE::MatchSet;
using vcl35::AnsiString;

const Opt DefaultOptions{RE::EscapeInCharacterSets, RE::CharacterClasses,          RE::Intervals,
                         RE::BackReferences,        RE::NoLocaleSpecificCollation, RE::Normal};

TEST(ComponentDefaults, NewComponentHoldsTheDefaultSetsAndEmptyTexts) {
  RE re(nullptr);
  EXPECT_EQ(re.GetExpressionOptions(), DefaultOptions);
  EXPECT_EQ(re.GetMatchOptions(), Mat{RE::MatchDefault});
  EXPECT_EQ(re.GetFlagOptions(), 0x4107u);
  EXPECT_EQ(re.GetMatchFlags(), 0u);
  EXPECT_TRUE(re.GetExpression().IsEmpty());
  EXPECT_TRUE(re.GetStringToMatch().IsEmpty());
  EXPECT_TRUE(re.GetFilesToMatch().IsEmpty());
  EXPECT_TRUE(re.GetFormatString().IsEmpty());
  EXPECT_TRUE(re.GetSaveExtension().IsEmpty());
  EXPECT_FALSE(re.DirectoryRecursion);
  EXPECT_FALSE(re.MergeCopy);
  EXPECT_FALSE(re.OnMatching || re.OnSearching || re.OnGrepping || re.OnMerging ||
               re.OnGreppingFiles || re.OnFindFiles || re.OnChangingFiles);
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
}

struct OptionCase {
  const char* Name;
  Opt From;
  Opt Assigned;
  Opt Expected;
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.Name; }

class SetOptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(SetOptionsTest, AppliesTheGroupRules) {
  const OptionCase& c = GetParam();
  RE re(nullptr);
  re.SetOptions(Opt());  // from a known empty start
  re.SetOptions(c.From);
  ASSERT_EQ(re.GetExpressionOptions(), c.From) << "the starting set must be stable";
  re.SetOptions(c.Assigned);
  EXPECT_EQ(re.GetExpressionOptions().ToBits(), c.Expected.ToBits()) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SetOptionsTest,
    ::testing::Values(
        OptionCase{
            "default plus Basic", DefaultOptions, DefaultOptions + Opt{RE::Basic},
            Opt{RE::CharacterClasses, RE::Intervals, RE::LimitedOperations, RE::BracesNotOperators,
                RE::ParenthesesNotOperators, RE::BackReferences, RE::Basic}},
        OptionCase{"default without the escape", DefaultOptions,
                   DefaultOptions - Opt{RE::EscapeInCharacterSets},
                   Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences,
                       RE::NoLocaleSpecificCollation, RE::Extended}},
        OptionCase{"empty set", DefaultOptions, Opt(), Opt()},
        OptionCase{"default plus case", DefaultOptions, DefaultOptions + Opt{RE::CaseInsensitive},
                   DefaultOptions + Opt{RE::CaseInsensitive}},
        OptionCase{"default plus Extended", DefaultOptions, DefaultOptions + Opt{RE::Extended},
                   Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended}},
        OptionCase{
            "Extended plus Normal",
            Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended},
            Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended, RE::Normal},
            DefaultOptions},
        OptionCase{"Normal dropped", DefaultOptions,
                   DefaultOptions - Opt{RE::Normal} + Opt{RE::Literals}, Opt{RE::Literals}},
        OptionCase{
            "Extended dropped",
            Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended},
            Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::CaseInsensitive},
            Opt{RE::CaseInsensitive}},
        OptionCase{
            "Basic dropped",
            Opt{RE::CharacterClasses, RE::Intervals, RE::LimitedOperations, RE::BracesNotOperators,
                RE::ParenthesesNotOperators, RE::BackReferences, RE::Basic},
            Opt{RE::CharacterClasses, RE::Intervals, RE::LimitedOperations, RE::BracesNotOperators,
                RE::ParenthesesNotOperators, RE::BackReferences, RE::Literals},
            Opt{RE::Literals}},
        OptionCase{
            "parts of Basic name it", Opt(),
            Opt{RE::CharacterClasses, RE::Intervals, RE::LimitedOperations, RE::BracesNotOperators,
                RE::ParenthesesNotOperators, RE::BackReferences},
            Opt{RE::CharacterClasses, RE::Intervals, RE::LimitedOperations, RE::BracesNotOperators,
                RE::ParenthesesNotOperators, RE::BackReferences, RE::Basic}},
        OptionCase{
            "parts of Normal win over Basic's", Opt(),
            DefaultOptions - Opt{RE::Normal} +
                Opt{RE::LimitedOperations, RE::BracesNotOperators, RE::ParenthesesNotOperators},
            DefaultOptions +
                Opt{RE::LimitedOperations, RE::BracesNotOperators, RE::ParenthesesNotOperators}},
        OptionCase{"a broken Extended goes",
                   Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended},
                   Opt{RE::CharacterClasses, RE::BackReferences, RE::Extended},
                   Opt{RE::CharacterClasses, RE::BackReferences}},
        OptionCase{"shared core alone is Extended", Opt(),
                   Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences},
                   Opt{RE::CharacterClasses, RE::Intervals, RE::BackReferences, RE::Extended}}),
    [](const ::testing::TestParamInfo<OptionCase>& param) {
      std::string name;
      for (const char* c = param.param.Name; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      return name;
    });

TEST(SetOptionsParsedState, AnEqualSetKeepsTheCompiledStateAnyOtherClearsIt) {
  RE re(nullptr);
  re.SetExpression("(a)(b)");
  ASSERT_EQ(re.ParseExpression(), 0);
  const RE& view = re;
  EXPECT_EQ(view.NumberOfSubexpressions(), 2u);
  re.SetOptions(DefaultOptions);
  EXPECT_EQ(view.NumberOfSubexpressions(), 2u) << "an equal set must not clear the compiled state";
  // Dropping EscapeInCharacterSets turns Normal into Extended; adding it back restores Normal.
  re.SetOptions(DefaultOptions - Opt{RE::Normal});
  re.SetOptions(DefaultOptions);
  EXPECT_EQ(re.GetExpressionOptions(), DefaultOptions);
  EXPECT_EQ(view.NumberOfSubexpressions(), 0u) << "any other assignment clears it";
  ASSERT_EQ(re.ParseExpression(), 0);
  re.SetMatches(Mat{RE::MatchNotEndOfLine});
  re.SetExpressionLocale(std::locale::classic());
  re.SetStringToMatch("x");
  EXPECT_EQ(view.NumberOfSubexpressions(), 2u) << "match options, locale and texts leave it alone";
  re.SetExpression("(a)(b)");
  EXPECT_EQ(view.NumberOfSubexpressions(), 0u)
      << "setting the expression, even to itself, clears it";
}

struct MatchCase {
  Mat From;
  Mat Assigned;
  Mat Expected;
};

class SetMatchesTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(SetMatchesTest, KeepsMatchDefaultExactlyWhenNothingRestricts) {
  RE re(nullptr);
  re.SetMatches(GetParam().From);
  ASSERT_EQ(re.GetMatchOptions(), GetParam().From);
  re.SetMatches(GetParam().Assigned);
  EXPECT_EQ(re.GetMatchOptions().ToBits(), GetParam().Expected.ToBits());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SetMatchesTest,
    ::testing::Values(MatchCase{Mat{RE::MatchDefault}, Mat(), Mat{RE::MatchDefault}},
                      MatchCase{Mat{RE::MatchDefault}, Mat{RE::MatchShortest},
                                Mat{RE::MatchDefault, RE::MatchShortest}},
                      MatchCase{Mat{RE::MatchDefault}, Mat{RE::MatchDefault, RE::MatchNotEndOfLine},
                                Mat{RE::MatchNotEndOfLine}},
                      MatchCase{Mat{RE::MatchNotEndOfLine},
                                Mat{RE::MatchDefault, RE::MatchNotEndOfLine},
                                Mat{RE::MatchDefault}},
                      MatchCase{Mat{RE::MatchNotEndOfLine},
                                Mat{RE::MatchDefault, RE::MatchNotDotNewline, RE::MatchContinuous,
                                    RE::MatchNotNullString},
                                Mat{RE::MatchDefault, RE::MatchContinuous, RE::MatchNotNullString}},
                      MatchCase{Mat{RE::MatchNotEndOfLine}, Mat{RE::MatchNotDotNullCharacter},
                                Mat{RE::MatchNotDotNullCharacter}}));

TEST(ComponentTexts, AnEmbeddedNulEndsTheText) {
  RE re(nullptr);
  const std::string bytes("ab\0cd", 5);
  re.SetStringToMatch(AnsiString(bytes));
  EXPECT_EQ(re.GetStringToMatch().Length(), 2u);
  re.SetExpression(AnsiString(std::string("c\0", 2)));
  EXPECT_EQ(re.GetExpression().ToString(), "c");
  EXPECT_FALSE(re.Search()) << "the text ends before cd";
  re.SetFormatString(AnsiString(std::string("$&\0tail", 7)));
  EXPECT_EQ(re.GetFormatString().Length(), 2u);
  re.SetFilesToMatch(AnsiString(std::string("*.txt\0x", 7)));
  EXPECT_EQ(re.GetFilesToMatch().ToString(), "*.txt");
  re.SetSaveExtension(AnsiString(std::string("bak\0x", 5)));
  EXPECT_EQ(re.GetSaveExtension().ToString(), "bak");
}

TEST(ComponentTexts, ABadPatternIsAValue) {
  RE re(nullptr);
  re.SetExpression("a(b");
  re.SetStringToMatch("ab");
  EXPECT_NE(re.ParseExpression(), 0);
  EXPECT_FALSE(re.GetExpressionError().IsEmpty());
  EXPECT_FALSE(re.Search());
  EXPECT_EQ(re.Grep(), 0u);
}

TEST(ComponentCopy, EqualityIgnoresEventsAndWorkingState) {
  GrepkitTest::Recorder recorder;
  RE a(nullptr);
  RE b(nullptr);
  a.SetExpression("x");
  b.SetExpression("x");
  a.OnSearching = recorder.OnMatch();
  a.SetExpressionLocale(std::locale::classic());
  a.ParseExpression();
  EXPECT_TRUE(a == b);
  b.MergeCopy = true;
  EXPECT_FALSE(a == b);
  b.MergeCopy = false;
  b.SetStringToMatch("X");
  EXPECT_FALSE(a == b);
  b.SetStringToMatch("");
  b.SetMatches(Mat{RE::MatchShortest});
  EXPECT_FALSE(a == b);
}

TEST(ComponentCopy, ACopyJoinsTheOwnerAndTakesSettingsPatternAndHandlers) {
  GrepkitTest::Recorder recorder;
  vcl35::TComponent form(nullptr);
  auto* source = new RE(&form);
  source->SetExpression("(b)");
  source->SetStringToMatch("abc");
  source->DirectoryRecursion = true;
  source->OnSearching = recorder.OnMatch();
  ASSERT_EQ(source->ParseExpression(), 0);
  source->SetFilesToMatch("/nonexistent/*.txt");
  auto* copy = new RE(*source);
  EXPECT_EQ(copy->Owner(), &form);
  EXPECT_EQ(form.ComponentCount(), 2);
  EXPECT_TRUE(*copy == *source);
  const RE& view = *copy;
  EXPECT_EQ(view.NumberOfSubexpressions(), 1u) << "the compiled expression is copied";
  EXPECT_EQ(copy->GetChangeFilesErrors(), nullptr);
  EXPECT_TRUE(copy->GetMatchingInformation().empty());
  ASSERT_TRUE(copy->Search());
  ASSERT_EQ(recorder.Calls.size(), 1u);
  EXPECT_EQ(recorder.Calls[0].Sender, copy) << "the handler is the source's, the sender the copy";
}

TEST(ComponentCopy, ACopyStartsWithoutTheSourcesProblems) {
  TestSupport::TemporaryDirectory dir;
  dir.Write("a.txt", "x");
  std::filesystem::create_directory(dir / "a.bak");  // the saved copy cannot be written
  RE source(nullptr);
  source.SetExpression("x");
  source.SetFormatString("y");
  source.SetFilesToMatch((dir / "*.txt").c_str());
  source.SetSaveExtension("bak");
  EXPECT_EQ(source.ChangeFiles(), 0u);
  ASSERT_NE(source.GetChangeFilesErrors(), nullptr);
  const RE copy(source);
  EXPECT_EQ(copy.GetChangeFilesErrors(), nullptr);
  RE assigned(nullptr);
  assigned = source;
  EXPECT_EQ(assigned.GetChangeFilesErrors(), nullptr);
}

TEST(ComponentCopy, AssignmentCopiesTheSettingsButNotTheOwner) {
  vcl35::TComponent form(nullptr);
  RE target(nullptr);
  auto* source = new RE(&form);
  source->SetExpression("y");
  source->MergeCopy = true;
  target = *source;
  EXPECT_EQ(target.Owner(), nullptr);
  EXPECT_TRUE(target == *source);
  RE& alias = target;
  target = alias;  // no-op
  EXPECT_TRUE(target == *source);
}

TEST(ComponentAssign, FromAComponentOfTheCoreCopiesItsSettings) {
  RegexComponent::RegularExpression source(nullptr);
  source.SetExpression("z+");
  source.SetOptions(Opt{RE::Literals});
  RE target(nullptr);
  target.Assign(&source);
  EXPECT_TRUE(target == source);
  target.Assign(&target);  // from itself: nothing happens
  EXPECT_EQ(target.GetExpression().ToString(), "z+");
}

TEST(ComponentAssign, FromAnotherClassIsTheFrameworksError) {
  RE target(nullptr);
  vcl35::TComponent other(nullptr);
  try {
    target.Assign(&other);
    FAIL() << "assigned";
  } catch (const vcl35::EAssignError& error) {
    EXPECT_STREQ(error.what(), "RegularExpressionCustom cannot take the value of a TComponent");
  }
}

}  // namespace
