// The planner's choice as a pure function of the tree, the option word, the match word and the
// locale; and the RE2 text the DFA is built from.

#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "DfaBuilder.h"
#include "Planner.h"
#include "engine/OptionWords.h"
#include "syntax/Parser.h"
#include "syntax/PrefilterFacts.h"

namespace {

using namespace GrepEngine;
namespace S = SyntaxBits;
namespace M = MatchBits;

MatchPlan Plan(const std::string& pattern, unsigned option = S::Normal, unsigned match = 0,
               const std::locale& locale = std::locale::classic()) {
  const Syntax::Tree tree = Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), option);
  return ChoosePlan(tree, option, match, locale);
}

Route RouteOf(const std::string& pattern, unsigned option = S::Normal, unsigned match = 0) {
  return Plan(pattern, option, match).Kind;
}

TEST(PlannerTest, LiteralsAndLiteralSetsTakeTheScans) {
  EXPECT_EQ(RouteOf("namespace"), Route::Literal);
  EXPECT_EQ(RouteOf("a\\.b"), Route::Literal);
  EXPECT_EQ(RouteOf("struct|union|enum"), Route::LiteralSet);
  // Case folding, an empty alternative or too many literals: the DFA decides.
  EXPECT_EQ(RouteOf("namespace", S::Normal | S::CaseInsensitive), Route::Dfa);
  EXPECT_EQ(RouteOf("a|"), Route::Dfa);
  EXPECT_EQ(RouteOf("a|b|c|d|e|f|g|h|i"), Route::Dfa);
  // A literal's matches do not depend on the match word's anchors or '.'.
  EXPECT_EQ(RouteOf("ab", S::Normal, M::NotBeginningOfLine | M::NotDotNewline | M::Continuous),
            Route::Literal);
}

TEST(PlannerTest, TheDfaTakesWhatItCanSayExactly) {
  EXPECT_EQ(RouteOf("[A-Z][a-z]+_[a-z0-9]+"), Route::Dfa);
  EXPECT_EQ(RouteOf("(a*)*b"), Route::Dfa);
  EXPECT_EQ(RouteOf("a{1000}"), Route::Dfa);
  EXPECT_EQ(RouteOf("\\bword\\b"), Route::Dfa);
  // The other word edges too; the DFA text decides whether RE2 can say them (below).
  EXPECT_EQ(RouteOf("\\<a"), Route::Dfa);
  EXPECT_EQ(RouteOf("a\\>"), Route::Dfa);
  EXPECT_EQ(RouteOf("a\\B"), Route::Dfa);
  EXPECT_EQ(RouteOf("\\`a|b\\'"), Route::Dfa);
  EXPECT_FALSE(Plan("a.b").NeedsPlainLineBreaks);
  EXPECT_TRUE(Plan("^a").NeedsPlainLineBreaks) << "^ sees CR and FF as line breaks";
  EXPECT_TRUE(Plan("a$").NeedsPlainLineBreaks);
}

TEST(PlannerTest, WhatTheDfaCannotSayStaysWithTheReferenceEngine) {
  EXPECT_EQ(RouteOf("(a)\\1"), Route::Reference);
  EXPECT_EQ(RouteOf("a{1001}"), Route::Reference);
  EXPECT_EQ(RouteOf("a{2,1001}"), Route::Reference);
  EXPECT_EQ(RouteOf("a(", S::Normal), Route::Reference) << "not a valid pattern";
}

TEST(PlannerTest, MatchWordBitsTheDfaCannotEmulateSendTheirAnchorsBack) {
  EXPECT_EQ(RouteOf("^a", S::Normal, M::NotBeginningOfLine), Route::Reference);
  EXPECT_EQ(RouteOf("a$", S::Normal, M::NotEndOfLine), Route::Reference);
  EXPECT_EQ(RouteOf("\\`a", S::Normal, M::NotBeginningOfBuffer), Route::Reference);
  EXPECT_EQ(RouteOf("a\\'", S::Normal, M::NotEndOfBuffer), Route::Reference);
  EXPECT_EQ(RouteOf("\\ba", S::Normal, M::NotBeginningOfWord), Route::Reference);
  EXPECT_EQ(RouteOf("a\\b", S::Normal, M::NotEndOfWord), Route::Reference);
  EXPECT_EQ(RouteOf("[ab]+", S::Normal, M::Shortest), Route::Reference);
  // Bits about assertions the pattern does not hold change nothing; the others are emulated.
  EXPECT_EQ(RouteOf("a+", S::Normal, M::NotBeginningOfLine | M::NotEndOfWord), Route::Dfa);
  EXPECT_EQ(RouteOf("a*", S::Normal, M::NotNullString | M::Continuous | M::NotDotNewline), Route::Dfa);
}

TEST(PlannerTest, OtherLocalesKeepOnlyWhatDoesNotDependOnThem) {
  std::locale other;
  try {
    other = std::locale("en_US.UTF-8");
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "no en_US.UTF-8 locale here";
  }
  const auto route = [&](const std::string& pattern, unsigned option) {
    return Plan(pattern, option, 0, other).Kind;
  };
  EXPECT_EQ(route("ab+c", S::Normal), Route::Dfa);
  EXPECT_EQ(route("[a-c]+", S::Normal), Route::Reference);
  EXPECT_EQ(route("\\w+", S::Normal), Route::Reference);
  EXPECT_EQ(route("ab+", S::Normal | S::CaseInsensitive), Route::Reference);
  EXPECT_EQ(route("\\ba", S::Normal), Route::Reference);
}

std::string DfaText(const std::string& pattern, unsigned option = S::Normal, unsigned match = 0) {
  const Syntax::Tree tree = Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), option);
  std::string text;
  if (!DfaTextOf(tree, option, std::locale::classic(), match, text)) return "refused";
  return text;
}

TEST(PlannerTest, TheDfaTextSpellsEveryAtomAsTheReferenceEngineReadsIt) {
  EXPECT_EQ(DfaText("a[bc]*"), "\\x61(?:[\\x62-\\x63])*");
  EXPECT_EQ(DfaText("a", S::Normal | S::CaseInsensitive), "[\\x41\\x61]");
  EXPECT_EQ(DfaText("(a|b)+"), "(?:(?:(?:\\x61|\\x62)))+");
  EXPECT_EQ(DfaText("^a$"), "(?m:^)\\x61(?m:$)");
  EXPECT_EQ(DfaText("\\d{2,3}"), "(?:[\\x30-\\x39]){2,3}");
  // '.' is all bytes, less the line breaks and NUL when the match word says so.
  EXPECT_EQ(DfaText("."), "[\\x00-\\xff]");
  EXPECT_EQ(DfaText(".", S::Normal, M::NotDotNewline | M::NotDotNullCharacter),
            "[\\x01-\\x09\\x0b\\x0e-\\xff]");
  EXPECT_EQ(DfaText("(a)\\1"), "refused");
}

TEST(PlannerTest, WordEdgesBesideAWordByteBecomeRe2sOwn) {
  EXPECT_EQ(DfaText("\\<a"), "\\b\\x61");
  EXPECT_EQ(DfaText("[ab]+\\>"), "(?:[\\x61-\\x62])+\\b");
  EXPECT_EQ(DfaText("\\<(a|b_)\\>"), "\\b(?:(?:\\x61|\\x62\\x5f))\\b");
  EXPECT_EQ(DfaText("-\\Ba"), "\\x2d\\B\\x61");
  EXPECT_EQ(DfaText("a\\B-"), "\\x61\\B\\x2d");
  // A side that may be empty, or may take a non-word byte, is not enough.
  EXPECT_EQ(DfaText("\\<-"), "refused");
  EXPECT_EQ(DfaText("a\\<b"), "\\x61\\b\\x62");
  EXPECT_EQ(DfaText("\\<a*"), "refused");
  EXPECT_EQ(DfaText("\\<[a-]"), "refused");
  EXPECT_EQ(DfaText("a\\>"), "\\x61\\b");
  EXPECT_EQ(DfaText("-\\>"), "refused");
  EXPECT_EQ(DfaText("\\B-"), "refused");
  EXPECT_EQ(DfaText("\\B"), "refused");
  // Match words that move word edges keep them with the reference engine.
  EXPECT_EQ(RouteOf("\\<a", S::Normal, M::NotBeginningOfWord), Route::Reference);
  EXPECT_EQ(RouteOf("a\\>", S::Normal, M::NotEndOfWord), Route::Reference);
}

std::vector<std::string> Leading(const std::string& pattern, unsigned option = S::Extended) {
  const Syntax::Tree tree = Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), option);
  return Syntax::LeadingLiterals(tree, option, MostSetLiterals);
}

TEST(PlannerTest, LeadingLiteralsStartEveryMatch) {
  using List = std::vector<std::string>;
  EXPECT_EQ(Leading("(struct|union) ([a-z_]+)"), (List{"struct ", "union "}));
  EXPECT_EQ(Leading("\\b(value|buffer)\\b"), (List{"buffer", "value"}));
  EXPECT_EQ(Leading("^ab+c"), (List{"ab"}));
  EXPECT_EQ(Leading("(a|)b"), (List{"ab", "b"}));
  EXPECT_EQ(Leading("x(ab){2}y"), (List{"xab"})) << "a repeat's first copy starts it";
  EXPECT_EQ(Leading("(a|b)(c|d)(e|f)(g|h)"),
            (List{"ace", "acf", "ade", "adf", "bce", "bcf", "bde", "bdf"}))
      << "a set past the bound keeps what it had";
  // Nothing every match starts with.
  EXPECT_EQ(Leading("a*b"), List{});
  EXPECT_EQ(Leading("(a|.)b"), List{});
  EXPECT_EQ(Leading("[ab]c"), List{});
  EXPECT_EQ(Leading("ab", S::Extended | S::CaseInsensitive), List{});
  EXPECT_EQ(Leading("(a|b|c|d|e|f|g|h|i)x"), List{});
}

}  // namespace
