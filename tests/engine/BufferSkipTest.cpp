// A sink that skips to the next line gets each line's first match and nothing in between, on
// every line route (literal, literal set, required literal, byte run), and the same lines a
// sink that takes every match sees.
#include <gtest/gtest.h>

#include <locale>
#include <memory>
#include <string>
#include <vector>

#include "BufferSearch.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

struct Found {
  std::vector<std::int64_t> Starts;  // each reported match's offset
  std::vector<unsigned> Lines;       // the line of each
};

Found Search(const std::string& pattern, const std::string& text, bool skipLines,
             std::size_t stopAfter = 0) {
  auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                               GrepEngine::SyntaxBits::Normal,
                                               std::locale::classic());
  const char* first = text.data();
  const char* last = first + text.size();
  const GrepEngine::SearchPlan plan = GrepEngine::PlanSearch(compiled, first, last, true);
  EXPECT_TRUE(GrepEngine::SearchableByLines(plan, 0)) << pattern;
  Found found;
  GrepEngine::SearchLines(plan, first, last, GrepEngine::TextPlace(), 0,
                          [&](const GrepEngine::FoundMatch& match) {
                            const GrepEngine::SubMatch whole = match.Sub(0);
                            found.Starts.push_back(whole.First - first);
                            found.Lines.push_back(match.Line());
                            if (stopAfter != 0 && found.Starts.size() == stopAfter) return false;
                            if (skipLines) {
                              const auto end = text.find('\n', whole.Last - first);
                              EXPECT_TRUE(match.SkipTo(end == std::string::npos
                                                           ? last
                                                           : first + end + 1));
                            }
                            return true;
                          });
  return found;
}

TEST(BufferSkip, EachLineGivesItsFirstMatchOnEveryLineRoute) {
  const std::string text = "ab ab ab\nno\nxx ab\nab\n\nab ab";
  const std::vector<std::int64_t> firstOfEachLine = {0, 15, 18, 22};
  for (const char* pattern : {"ab", "ab|zz", "a[bc]", "[ax][bc]"}) {
    const Found skipped = Search(pattern, text, true);
    EXPECT_EQ(skipped.Starts, firstOfEachLine) << pattern;
    EXPECT_EQ(skipped.Lines, (std::vector<unsigned>{1, 3, 4, 6})) << pattern;
    // Without skips every match comes, on the same lines.
    const Found all = Search(pattern, text, false);
    EXPECT_EQ(all.Starts.size(), 7u) << pattern;
    EXPECT_EQ(all.Lines.back(), 6u) << pattern;
  }
}

TEST(BufferSkip, ASkipToTheEndEndsTheSearchAndAStopStillStops) {
  const std::string text = "ab\nab";
  for (const char* pattern : {"ab", "ab|zz", "a[bc]", "[ax][bc]"}) {
    EXPECT_EQ(Search(pattern, text, true).Starts, (std::vector<std::int64_t>{0, 3})) << pattern;
    EXPECT_EQ(Search(pattern, text, true, 1).Starts, (std::vector<std::int64_t>{0})) << pattern;
  }
}

}  // namespace
