// Walking, counting and splitting a large text hold nothing of the text's size: every match is
// a view into the caller's text.
#include <gtest/gtest.h>

#include <string>

#include "CoreTestSupport.h"
#include "PeakMemory.h"
#include "grepcore/Regex.h"

namespace {

constexpr std::size_t TextSize = 64u << 20;

// Lines of words, one match of "ERROR [0-9]+" every hundred lines.
std::string LargeText() {
  std::string text;
  text.reserve(TextSize + 64);
  for (std::size_t line = 1; text.size() < TextSize; ++line)
    text += (line % 100 == 0 ? "ERROR " : "INFO ") + std::to_string(line) + " all is well\n";
  return text;
}

template <class Work>
double GrowthInTexts(Work work) {
  std::string text;
  const TestSupport::PeakGrowth growth =
      TestSupport::PeakGrowthOf([&] { text = LargeText(); }, [&] { return work(text); });
  EXPECT_TRUE(growth.WorkSucceeded);
  EXPECT_GE(growth.Bytes, 0);
  return static_cast<double>(growth.Bytes) / static_cast<double>(TextSize);
}

TEST(StringMemoryTest, AWalkOverALargeTextHoldsNothingOfItsSize) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under a sanitizer";
  const grepcore::Pattern pattern = CoreTest::Compile("ERROR ([0-9]+)");
  EXPECT_LT(GrowthInTexts([&](const std::string& text) {
              std::size_t matches = 0, lastLine = 0;
              grepcore::MatchRange range = pattern.Matches(text);
              for (const grepcore::Match& match : range) {
                ++matches;
                lastLine = match.Line();
                if (match.Group(1).Length() == 0) return false;
              }
              return range.Outcome() && matches > 0 && lastLine == matches * 100;
            }),
            0.05);
  EXPECT_LT(GrowthInTexts([&](const std::string& text) { return *pattern.Count(text) > 0; }), 0.05);
  // The pieces are views: their vector is the only growth.
  EXPECT_LT(GrowthInTexts([&](const std::string& text) { return pattern.Split(text)->size() > 1; }),
            0.05);
}

}  // namespace
