// The string operations over a large text: besides the caller's text, the object holds its
// StringToMatch and, for a merge, the result; nothing else of the text's size, with a handler
// (which may assign the text meanwhile) as without one.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "PeakMemory.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;

constexpr std::size_t TextSize = 64u << 20;

std::string LargeLine() {
  std::string text(TextSize - 1, 'b');
  text += 'a';
  return text;
}

// The growth of the peak, in texts, while the operation runs over the large text set as
// StringToMatch; the caller's own text is made before the measure starts. The operation
// returns whether its result was right.
template <class Operation>
double GrowthInTexts(Operation operation) {
  std::string text;
  RE re;
  const TestSupport::PeakGrowth growth = TestSupport::PeakGrowthOf(
      [&] {
        text = LargeLine();
        re.SetExpression("a$");
        re.ParseExpression();
      },
      [&] {
        re.SetStringToMatch(text);
        return operation(re);
      });
  EXPECT_TRUE(growth.WorkSucceeded);
  EXPECT_GE(growth.Bytes, 0);
  return static_cast<double>(growth.Bytes) / static_cast<double>(TextSize);
}

TEST(StringMemory, MatchSearchAndGrepWithoutHandlerHoldOnlyStringToMatch) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  EXPECT_LT(GrowthInTexts([](RE& re) { return re.Search(); }), 1.25);
  EXPECT_LT(GrowthInTexts([](RE& re) { return !re.Match(); }), 1.25);
  EXPECT_LT(GrowthInTexts([](RE& re) { return !re.MatchAll(); }), 1.25);
  EXPECT_LT(GrowthInTexts([](RE& re) { return re.Grep() == 1; }), 1.25);
}

TEST(StringMemory, MergeWithoutHandlerHoldsStringToMatchAndTheResult) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  for (const bool copy : {true, false}) {
    const double growth = GrowthInTexts([copy](RE& re) {
      re.SetFormatString("A");
      re.SetMergeCopy(copy);
      std::string result;
      re.Merge(result);
      return copy ? result.size() == TextSize && result.back() == 'A' : result == "A";
    });
    EXPECT_LT(growth, copy ? 2.25 : 1.25) << "copy " << copy;
  }
}

void CountMatch(RE*, const RegexClass::REMatchViewInfo&, unsigned, std::uint64_t, bool&) {}

TEST(StringMemory, GrepAndMergeWithAHandlerWalkTheTextInPlace) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  EXPECT_LT(GrowthInTexts([](RE& re) {
              re.SetOnGreppingView(&CountMatch);
              return re.Grep() == 1;
            }),
            1.25);
  EXPECT_LT(GrowthInTexts([](RE& re) {
              re.SetFormatString("A");
              re.SetMergeCopy(true);
              re.SetOnMergingView(&CountMatch);
              std::string result;
              re.Merge(result);
              return result.size() == TextSize && result.back() == 'A';
            }),
            2.25);
}

TEST(StringMemory, TakingTheTextOverAddsNothing) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  std::string text;
  RE re;
  re.SetExpression("a$");
  const TestSupport::PeakGrowth growth = TestSupport::PeakGrowthOf(
      [&] { text = LargeLine(); },
      [&] {
        re.SetStringToMatch(std::move(text));
        return re.Search();
      });
  EXPECT_TRUE(growth.WorkSucceeded);
  EXPECT_LT(static_cast<double>(growth.Bytes) / static_cast<double>(TextSize), 0.25);
}

}  // namespace
