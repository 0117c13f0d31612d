// The line diff: its edit scripts are shortest and rebuild the new text, and its unified
// output is what patch reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "LineDiff.h"

namespace {

using RegexTool::DiffLines;
using RegexTool::DiffStep;
using RegexTool::Palette;
using RegexTool::PrintUnifiedDiff;
using RegexTool::SplitLines;
using Lines = std::vector<std::string>;

// The length of the longest common subsequence, by the textbook table.
std::size_t CommonLength(const Lines& a, const Lines& b) {
  std::vector<std::vector<std::size_t>> table(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j)
      table[i][j] = a[i - 1] == b[j - 1] ? table[i - 1][j - 1] + 1
                                         : std::max(table[i - 1][j], table[i][j - 1]);
  return table[a.size()][b.size()];
}

// Walks the script over both texts: each side must be consumed in order, and the kept and
// added lines must make up the new text.
bool Replays(const Lines& a, const Lines& b, const std::vector<DiffStep>& steps) {
  std::size_t i = 0, j = 0;
  for (const DiffStep& step : steps) {
    switch (step.Type) {
      case DiffStep::Same:
        if (step.OldLine != i || step.NewLine != j || a[i] != b[j]) return false;
        ++i, ++j;
        break;
      case DiffStep::Removed:
        if (step.OldLine != i) return false;
        ++i;
        break;
      case DiffStep::Added:
        if (step.NewLine != j) return false;
        ++j;
        break;
    }
  }
  return i == a.size() && j == b.size();
}

TEST(LineDiff, ScriptsAreShortestAndReplayOnRandomTexts) {
  std::mt19937 random(12345);
  for (int round = 0; round < 400; ++round) {
    auto make = [&] {
      Lines lines(random() % 12);
      for (std::string& line : lines)
        line = std::string(1, static_cast<char>('a' + random() % 4)) + "\n";
      return lines;
    };
    const Lines a = make(), b = make();
    const std::vector<DiffStep> steps = DiffLines(a, b);
    ASSERT_TRUE(Replays(a, b, steps)) << "round " << round;
    const std::size_t same = static_cast<std::size_t>(std::count_if(
        steps.begin(), steps.end(), [](const DiffStep& s) { return s.Type == DiffStep::Same; }));
    EXPECT_EQ(same, CommonLength(a, b)) << "round " << round;
  }
}

TEST(LineDiff, SplitKeepsLineEndsAndAnUnfinishedLastLine) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a\n", "\n", "b"}));
  EXPECT_EQ(SplitLines("a\n"), (Lines{"a\n"}));
}

std::string Unified(const std::string& before, const std::string& after) {
  std::ostringstream out;
  PrintUnifiedDiff(out, "a/f", "b/f", before, after, Palette(false));
  return out.str();
}

TEST(UnifiedDiff, EqualTextsPrintNothing) { EXPECT_EQ(Unified("x\ny\n", "x\ny\n"), ""); }

TEST(UnifiedDiff, DistantChangesMakeSeparateHunksWithContext) {
  std::string before, after;
  for (int i = 1; i <= 20; ++i) {
    before += std::to_string(i) + "\n";
    after += (i == 2    ? std::string("two")
              : i == 18 ? std::string("eighteen")
                        : std::to_string(i)) +
             "\n";
  }
  EXPECT_EQ(Unified(before, after),
            "--- a/f\n+++ b/f\n"
            "@@ -1,5 +1,5 @@\n 1\n-2\n+two\n 3\n 4\n 5\n"
            "@@ -15,6 +15,6 @@\n 15\n 16\n 17\n-18\n+eighteen\n 19\n 20\n");
}

TEST(UnifiedDiff, CloseChangesShareAHunk) {
  EXPECT_EQ(Unified("1\n2\n3\n4\n5\n6\n7\n8\n", "1\nB\n3\n4\n5\n6\nG\n8\n"),
            "--- a/f\n+++ b/f\n@@ -1,8 +1,8 @@\n 1\n-2\n+B\n 3\n 4\n 5\n 6\n-7\n+G\n 8\n");
}

TEST(UnifiedDiff, MissingLastLineFeedIsMarked) {
  EXPECT_EQ(Unified("a\nb", "a\nc"),
            "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
            "\\ No newline at end of file\n");
}

TEST(UnifiedDiff, EmptySideNamesTheLineBefore) {
  EXPECT_EQ(Unified("", "new\n"), "--- a/f\n+++ b/f\n@@ -0,0 +1 @@\n+new\n");
  EXPECT_EQ(Unified("gone\n", ""), "--- a/f\n+++ b/f\n@@ -1 +0,0 @@\n-gone\n");
}

TEST(UnifiedDiff, ColoursWrapTheChangedLines) {
  std::ostringstream out;
  PrintUnifiedDiff(out, "a/f", "b/f", "x\n", "y\n", Palette(true));
  EXPECT_THAT(out.str(), ::testing::HasSubstr("\033[31m-x\033[m\n\033[32m+y\033[m\n"));
}

}  // namespace
