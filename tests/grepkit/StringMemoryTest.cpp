// The component's merge without a handler over a large text: StringToMatch and the result,
// each once; the result reaches the caller's AnsiString without another copy.
#include <gtest/gtest.h>

#include <string>

#include "PeakMemory.h"
#include "grepkit/Regularexpressioncustom.h"

namespace {

using RE = RegexComponent::RegularExpressionCustom;

constexpr std::size_t TextSize = 64u << 20;

TEST(ComponentStringMemory, MergeWithoutHandlerHoldsStringToMatchAndTheResult) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  vcl35::AnsiString text;
  RE re(nullptr);
  re.SetExpression("a$");
  re.SetFormatString("A");
  re.MergeCopy = true;
  const TestSupport::PeakGrowth growth = TestSupport::PeakGrowthOf(
      [&] { text = vcl35::AnsiString(std::string(TextSize - 1, 'b') + 'a'); },
      [&] {
        re.SetStringToMatch(text);
        vcl35::AnsiString result;
        re.Merge(result);
        return result.Length() == TextSize && result.Data().back() == 'A';
      });
  EXPECT_TRUE(growth.WorkSucceeded);
  EXPECT_LT(static_cast<double>(growth.Bytes) / static_cast<double>(TextSize), 2.25);
}

TEST(ComponentStringMemory, SearchAndGrepWithoutHandlerHoldOnlyStringToMatch) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  for (const bool grep : {false, true}) {
    vcl35::AnsiString text;
    RE re(nullptr);
    re.SetExpression("a$");
    const TestSupport::PeakGrowth growth = TestSupport::PeakGrowthOf(
        [&] { text = vcl35::AnsiString(std::string(TextSize - 1, 'b') + 'a'); },
        [&] {
          re.SetStringToMatch(text);
          return grep ? re.Grep() == 1 : re.Search();
        });
    EXPECT_TRUE(growth.WorkSucceeded) << "grep " << grep;
    EXPECT_LT(static_cast<double>(growth.Bytes) / static_cast<double>(TextSize), 1.25)
        << "grep " << grep;
  }
}

}  // namespace
