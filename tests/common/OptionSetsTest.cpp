// The option algebra, as the pattern object of either library sees it.
#include "common/OptionSets.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

namespace E = Common::ExpressionOrdinal;
namespace M = Common::MatchOrdinal;
using Common::OrdinalSet;

OrdinalSet Of(std::initializer_list<unsigned> ordinals) {
  OrdinalSet set = 0;
  for (unsigned ordinal : ordinals) set |= Common::Bit(ordinal);
  return set;
}

enum class Op { Add, Delete };
struct Step {
  Op op;
  unsigned ordinal;
};

OrdinalSet ApplyExpression(OrdinalSet set, const std::vector<Step>& steps) {
  for (const Step& step : steps)
    set = step.op == Op::Add ? Common::AddExpressionOption(set, step.ordinal)
                             : Common::DeleteExpressionOption(set, step.ordinal);
  return set;
}

struct ExpressionCase {
  const char* name;
  OrdinalSet start;
  std::vector<Step> steps;
  OrdinalSet expected;
  unsigned flagWord;
};

const OrdinalSet NormalSet = Of({E::EscapeInCharacterSets, E::CharacterClasses, E::Intervals,
                                 E::BackReferences, E::NoLocaleSpecificCollation, E::Normal});
const OrdinalSet BasicSet = Of({E::CharacterClasses, E::Intervals, E::BackReferences,
                                E::LimitedOperations, E::BracesNotOperators,
                                E::ParenthesesNotOperators, E::Basic});
const OrdinalSet ExtendedSet = Of({E::CharacterClasses, E::Intervals, E::BackReferences, E::Extended});

TEST(ExpressionOptionAlgebra, GroupsAndSingleOptions) {
  const ExpressionCase cases[] = {
      {"default", NormalSet, {}, NormalSet, 0x4107},
      {"extended replaces normal", NormalSet, {{Op::Add, E::Extended}}, ExtendedSet, 0x106},
      {"basic replaces normal", NormalSet, {{Op::Add, E::Basic}}, BasicSet, 0x1CE},
      {"normal replaces basic", BasicSet, {{Op::Add, E::Normal}}, NormalSet, 0x4107},
      {"extended replaces basic", BasicSet, {{Op::Add, E::Extended}}, ExtendedSet, 0x106},
      {"basic replaces extended", ExtendedSet, {{Op::Add, E::Basic}}, BasicSet, 0x1CE},
      {"normal replaces extended", ExtendedSet, {{Op::Add, E::Normal}}, NormalSet, 0x4107},
      {"case switch keeps the group", NormalSet, {{Op::Add, E::CaseInsensitive}},
       NormalSet | Of({E::CaseInsensitive}), 0x6107},
      {"deleting a part drops the group name", NormalSet, {{Op::Delete, E::NoLocaleSpecificCollation}},
       Of({E::EscapeInCharacterSets, E::CharacterClasses, E::Intervals, E::BackReferences}), 0x107},
      {"deleting never adds a group", NormalSet, {{Op::Delete, E::EscapeInCharacterSets}},
       Of({E::CharacterClasses, E::Intervals, E::BackReferences, E::NoLocaleSpecificCollation}), 0x4106},
      {"third core part names extended", 0,
       {{Op::Add, E::CharacterClasses}, {Op::Add, E::Intervals}, {Op::Add, E::BackReferences}},
       ExtendedSet, 0x106},
      {"normal parts turn extended into normal", 0,
       {{Op::Add, E::CharacterClasses}, {Op::Add, E::Intervals}, {Op::Add, E::BackReferences},
        {Op::Add, E::EscapeInCharacterSets}, {Op::Add, E::NoLocaleSpecificCollation}},
       NormalSet, 0x4107},
      {"basic parts turn extended into basic", ExtendedSet,
       {{Op::Add, E::LimitedOperations}, {Op::Add, E::BracesNotOperators},
        {Op::Add, E::ParenthesesNotOperators}},
       BasicSet, 0x1CE},
      {"removing a basic part drops basic", BasicSet, {{Op::Delete, E::BracesNotOperators}},
       Of({E::CharacterClasses, E::Intervals, E::BackReferences, E::LimitedOperations,
           E::ParenthesesNotOperators}),
       0x18E},
      {"deleting a group takes its parts", BasicSet | Of({E::CaseInsensitive}), {{Op::Delete, E::Basic}},
       Of({E::CaseInsensitive}), 0x2000},
      {"a group change never removes ungrouped options",
       NormalSet | Of({E::Literals, E::NewlineAsAlternationOperator, E::VerticalbarNotOperator,
                       E::QuestionmarkPlusNotOperators}),
       {{Op::Add, E::Basic}},
       BasicSet | Of({E::Literals, E::NewlineAsAlternationOperator, E::VerticalbarNotOperator,
                      E::QuestionmarkPlusNotOperators}),
       0x13FE},
      // Adding Normal over a set that holds Basic's own parts without its name keeps them.
      {"group name beside another group's parts",
       Of({E::LimitedOperations, E::BracesNotOperators, E::ParenthesesNotOperators}),
       {{Op::Add, E::Normal}},
       NormalSet | Of({E::LimitedOperations, E::BracesNotOperators, E::ParenthesesNotOperators}),
       0x41CF},
      {"adding a present option changes nothing", NormalSet, {{Op::Add, E::Intervals}}, NormalSet, 0x4107},
      {"deleting an absent option changes nothing", NormalSet, {{Op::Delete, E::Literals}}, NormalSet,
       0x4107},
      {"out-of-range ordinal is ignored", NormalSet, {{Op::Add, 99}, {Op::Delete, 99}}, NormalSet, 0x4107},
  };
  for (const ExpressionCase& c : cases) {
    const OrdinalSet result = ApplyExpression(c.start, c.steps);
    EXPECT_EQ(result, c.expected) << c.name;
    EXPECT_EQ(Common::ExpressionFlagWord(result), c.flagWord) << c.name;
  }
  EXPECT_EQ(Common::DefaultExpressionOptions(), NormalSet);
}

TEST(ExpressionOptionAlgebra, GroupFlagValuesAreTheUnionOfTheirParts) {
  EXPECT_EQ(Common::ExpressionFlagWord(BasicSet & ~Common::Bit(E::Basic)), 0x1CEu);
  EXPECT_EQ(Common::ExpressionFlagWord(ExtendedSet & ~Common::Bit(E::Extended)), 0x106u);
  EXPECT_EQ(Common::ExpressionFlagWord(NormalSet & ~Common::Bit(E::Normal)), 0x4107u);
  unsigned all = 0;
  for (unsigned ordinal = 0; ordinal < E::Count; ++ordinal) all |= Common::ExpressionFlagValue(ordinal);
  EXPECT_EQ(all & 0xC00u, 0u) << "0x400 and 0x800 are the engine's own flags";
  EXPECT_EQ(Common::ExpressionFlagWord(0), 0u);
}

struct MatchCase {
  const char* name;
  OrdinalSet start;
  std::vector<Step> steps;
  OrdinalSet expected;
  unsigned flagWord;
};

const OrdinalSet AllRestricting =
    Of({M::MatchNotBeginningOfLine, M::MatchNotEndOfLine, M::MatchNotBeginningOfBuffer,
        M::MatchNotEndOfBuffer, M::MatchNotBeginningOfWord, M::MatchNotEndOfWord,
        M::MatchNotDotNewline, M::MatchNotDotNullCharacter});

TEST(MatchOptionAlgebra, DefaultMarkerFollowsTheRestrictingOptions) {
  const OrdinalSet def = Of({M::MatchDefault});
  const MatchCase cases[] = {
      {"default", def, {}, def, 0x0},
      {"a restriction replaces the marker", def, {{Op::Add, M::MatchNotEndOfLine}},
       Of({M::MatchNotEndOfLine}), 0x2},
      {"deleting the last restriction brings the marker back", def,
       {{Op::Add, M::MatchNotEndOfLine}, {Op::Delete, M::MatchNotEndOfLine}}, def, 0x0},
      {"shortest is independent of the marker", def, {{Op::Add, M::MatchShortest}},
       Of({M::MatchDefault, M::MatchShortest}), 0x400},
      {"the marker removes restrictions only",
       Of({M::MatchNotBeginningOfLine, M::MatchContinuous}), {{Op::Add, M::MatchDefault}},
       Of({M::MatchDefault, M::MatchContinuous}), 0x1000},
      {"deleting the marker leaves an empty set", def, {{Op::Delete, M::MatchDefault}}, 0, 0x0},
      {"deleting an independent option restores the marker", Of({M::MatchContinuous}),
       {{Op::Delete, M::MatchContinuous}}, def, 0x0},
      {"all restrictions", 0,
       {{Op::Add, 1}, {Op::Add, 2}, {Op::Add, 3}, {Op::Add, 4}, {Op::Add, 5}, {Op::Add, 6},
        {Op::Add, 7}, {Op::Add, 8}},
       AllRestricting, 0xFF},
      {"the marker clears all eight", AllRestricting | Of({M::MatchNotNullString}),
       {{Op::Add, M::MatchDefault}}, Of({M::MatchDefault, M::MatchNotNullString}), 0x800},
      {"a restriction beside the marker", Of({M::MatchDefault, M::MatchShortest}),
       {{Op::Add, M::MatchNotDotNewline}}, Of({M::MatchShortest, M::MatchNotDotNewline}), 0x440},
  };
  for (const MatchCase& c : cases) {
    OrdinalSet set = c.start;
    for (const Step& step : c.steps)
      set = step.op == Op::Add ? Common::AddMatchOption(set, step.ordinal)
                               : Common::DeleteMatchOption(set, step.ordinal);
    EXPECT_EQ(set, c.expected) << c.name;
    EXPECT_EQ(Common::MatchFlagWord(set), c.flagWord) << c.name;
  }
}

TEST(MatchOptionAlgebra, FlagValuesNeverUseTheEnginesInternalBits) {
  unsigned all = 0;
  for (unsigned ordinal = 0; ordinal < M::Count; ++ordinal) all |= Common::MatchFlagValue(ordinal);
  EXPECT_EQ(all, 0x1CFFu);
}

}  // namespace

namespace {

// A whole set assigned at once: adding or removing just a group name does exactly what adding
// or deleting that option does, over every set of options.
TEST(AssignExpressionOptions, AGroupNameThatComesOrGoesActsAsAddOrDelete) {
  const unsigned groups[] = {E::Basic, E::Extended, E::Normal};
  for (OrdinalSet current = 0; current < Common::Bit(E::Count); ++current) {
    for (unsigned group : groups) {
      const OrdinalSet bit = Common::Bit(group);
      // Only sets without another group name than the one that changes, so the first case
      // that applies is this group's.
      const OrdinalSet otherGroups = (Common::Bit(E::Basic) | Common::Bit(E::Extended) | Common::Bit(E::Normal)) & ~bit;
      if ((current & otherGroups) != 0) continue;
      if ((current & bit) == 0)
        ASSERT_EQ(Common::AssignExpressionOptions(current, current | bit), Common::AddExpressionOption(current, group))
            << current;
      else
        ASSERT_EQ(Common::AssignExpressionOptions(current, current & ~bit),
                  Common::DeleteExpressionOption(current, group))
            << current;
    }
  }
}

TEST(AssignExpressionOptions, AnEqualSetIsKeptAsItIs) {
  // Not a consistent set, but assigning it again changes nothing.
  const OrdinalSet odd = Of({E::Normal, E::Literals});
  EXPECT_EQ(Common::AssignExpressionOptions(odd, odd), odd);
  EXPECT_EQ(Common::AssignExpressionOptions(0, Common::Bit(20)), 0u) << "bits beyond the options are dropped";
}

TEST(AssignMatchOptions, MatchDefaultIsPresentExactlyWhenNothingRestricts) {
  const OrdinalSet restricting = Of({M::MatchNotBeginningOfLine, M::MatchNotEndOfLine, M::MatchNotBeginningOfBuffer,
                                     M::MatchNotEndOfBuffer, M::MatchNotBeginningOfWord, M::MatchNotEndOfWord,
                                     M::MatchNotDotNewline, M::MatchNotDotNullCharacter});
  for (OrdinalSet current : {Of({M::MatchDefault}), Of({M::MatchNotEndOfLine}), Of({M::MatchShortest})}) {
    for (OrdinalSet assigned = 0; assigned < Common::Bit(M::Count); ++assigned) {
      const OrdinalSet result = Common::AssignMatchOptions(current, assigned);
      ASSERT_EQ((result & Common::Bit(M::MatchDefault)) != 0, (result & restricting) == 0) << assigned;
      ASSERT_EQ(result & ~(restricting | Common::Bit(M::MatchDefault)),
                assigned & ~(restricting | Common::Bit(M::MatchDefault)))
          << "the other options are stored as assigned";
    }
  }
}

}  // namespace
