// The dry run's diff, built from the planned replacements: the same unified output as the text
// diff wherever a replacement changes lines in place, what patch needs where replacements take
// or add line feeds, nothing printed for a plan the file no longer fits, and memory bounded by
// its blocks on a large file changed everywhere.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <platform/FaultSeam.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "LineDiff.h"
#include "PeakMemory.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using RegexTool::ByteSource;
using RegexTool::Palette;
using RegexTool::ReplacementDiffResult;
using RegexTool::TextReplacement;

// A text in memory as the diff's file.
class TextBytes : public ByteSource {
 public:
  explicit TextBytes(std::string text) : Text(std::move(text)) {}
  std::uint64_t Size() const override { return Text.size(); }
  bool ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got) override {
    got = offset >= Text.size() ? 0 : std::min<std::size_t>(capacity, Text.size() - offset);
    Text.copy(into, got, static_cast<std::size_t>(offset));
    return true;
  }

 private:
  std::string Text;
};

struct Replacement {
  std::int64_t Position;
  std::string Matched;
  std::string Replacement;
};

std::string Applied(const std::string& text, const std::vector<Replacement>& plan) {
  std::string result;
  std::size_t copied = 0;
  for (const Replacement& r : plan) {
    result.append(text, copied, static_cast<std::size_t>(r.Position) - copied);
    result += r.Replacement;
    copied = static_cast<std::size_t>(r.Position) + r.Matched.size();
  }
  return result + text.substr(copied);
}

std::string Positional(const std::string& text, const std::vector<Replacement>& plan,
                       ReplacementDiffResult expected = ReplacementDiffResult::Printed) {
  TextBytes file(text);
  std::ostringstream out;
  EXPECT_EQ(RegexTool::PrintReplacementDiff(out, "a/f", "b/f", file, plan, Palette(false)),
            expected);
  return out.str();
}

std::string Textual(const std::string& before, const std::string& after) {
  std::ostringstream out;
  RegexTool::PrintUnifiedDiff(out, "a/f", "b/f", before, after, Palette(false));
  return out.str();
}

TEST(ReplacementDiff, ChangesWithinLinesPrintAsTheTextDiffOnRandomFiles) {
  // Distinct lines, so the text diff has one shortest script; each replacement stays within
  // its line. Files with and without a final line feed, changes next to each other, at the
  // ends and far apart.
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    const std::size_t lines = 1 + random() % 30;
    std::string text;
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < lines; ++i) {
      starts.push_back(text.size());
      text += "line " + std::to_string(i) + " word";
      if (i + 1 < lines || random() % 2 == 0) text += '\n';
    }
    std::vector<Replacement> plan;
    for (std::size_t i = 0; i < lines; ++i) {
      const unsigned pick = static_cast<unsigned>(random() % 6);
      if (pick == 0) plan.push_back({static_cast<std::int64_t>(starts[i]), "line", "LINE"});
      if (pick == 1)
        plan.push_back({static_cast<std::int64_t>(starts[i]), "line", "line"});  // gives it back
      if (pick == 2) {
        const std::size_t word = text.find("word", starts[i]);
        plan.push_back({static_cast<std::int64_t>(word), "word", "w" + std::to_string(i)});
      }
    }
    const std::string after = Applied(text, plan);
    const ReplacementDiffResult expected =
        after == text ? ReplacementDiffResult::NothingChanged : ReplacementDiffResult::Printed;
    ASSERT_EQ(Positional(text, plan, expected), Textual(text, after)) << "round " << round << "\n"
                                                                      << text;
  }
}

TEST(ReplacementDiff, HunksAndLineFeedsAsPatchReadsThem) {
  std::string numbers;
  for (int i = 1; i <= 20; ++i) numbers += std::to_string(i) + "\n";
  const std::int64_t at18 = static_cast<std::int64_t>(numbers.find("\n18\n") + 1);
  EXPECT_EQ(Positional(numbers, {{2, "2", "two"}, {at18, "18", "eighteen"}}),
            "--- a/f\n+++ b/f\n"
            "@@ -1,5 +1,5 @@\n 1\n-2\n+two\n 3\n 4\n 5\n"
            "@@ -15,6 +15,6 @@\n 15\n 16\n 17\n-18\n+eighteen\n 19\n 20\n");
  // The last line without its line feed, on either side.
  EXPECT_EQ(Positional("a\nb", {{2, "b", "c"}}),
            "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"
            "\\ No newline at end of file\n");
  // Empty sides name the line before.
  EXPECT_EQ(Positional("", {{0, "", "new\n"}}), "--- a/f\n+++ b/f\n@@ -0,0 +1 @@\n+new\n");
  EXPECT_EQ(Positional("gone\n", {{0, "gone\n", ""}}), "--- a/f\n+++ b/f\n@@ -1 +0,0 @@\n-gone\n");
  // Empty matches everywhere, the one after the final line feed included.
  EXPECT_EQ(
      Positional("abc\n", {{0, "", "-"}, {1, "", "-"}, {2, "", "-"}, {3, "", "-"}, {4, "", "-"}}),
      "--- a/f\n+++ b/f\n@@ -1 +1,2 @@\n-abc\n+-a-b-c-\n+-\n\\ No newline at end of file\n");
  // A replacement that takes a line feed joins the next line; one that adds a line adds it.
  EXPECT_EQ(Positional("a\nb\nc\n", {{0, "a\n", "X"}}),
            "--- a/f\n+++ b/f\n@@ -1,3 +1,2 @@\n-a\n-b\n+Xb\n c\n");
  EXPECT_EQ(Positional("a\nb\n", {{2, "b", "b\nb2"}}),
            "--- a/f\n+++ b/f\n@@ -1,2 +1,3 @@\n a\n-b\n+b\n+b2\n");
  // Hunk numbers after a hunk that changed the number of lines.
  EXPECT_EQ(Positional(numbers, {{0, "1\n", ""}, {at18, "18", "eighteen"}}),
            "--- a/f\n+++ b/f\n@@ -1,4 +1,3 @@\n-1\n 2\n 3\n 4\n"
            "@@ -15,6 +14,6 @@\n 15\n 16\n 17\n-18\n+eighteen\n 19\n 20\n");
}

TEST(ReplacementDiff, ColoursWrapTheChangedLines) {
  TextBytes file("x\n");
  std::ostringstream out;
  const std::vector<Replacement> plan = {{0, "x", "y"}};
  RegexTool::PrintReplacementDiff(out, "a/f", "b/f", file, plan, Palette(true));
  EXPECT_THAT(out.str(), ::testing::HasSubstr("\033[31m-x\033[m\n\033[32m+y\033[m\n"));
}

TEST(ReplacementDiff, APlanTheFileNoLongerFitsPrintsNothing) {
  EXPECT_EQ(Positional("abc\n", {{1, "x", "y"}}, ReplacementDiffResult::MatchChanged), "");
  EXPECT_EQ(
      Positional("abc\n", {{1, "bc\n", "y"}, {2, "c", "z"}}, ReplacementDiffResult::MatchChanged),
      "");
  EXPECT_EQ(Positional("abc\n", {{3, "\nmore", ""}}, ReplacementDiffResult::MatchChanged), "");
  EXPECT_EQ(Positional("abc\n", {{-1, "", "y"}}, ReplacementDiffResult::MatchChanged), "");
  EXPECT_EQ(Positional("abc\n", {{0, "a", "a"}}, ReplacementDiffResult::NothingChanged), "");
}

TEST(ReplacementDiff, AFileOnDiskIsReadThroughItsBlocks) {
  TestSupport::TemporaryDirectory tree;
  const std::string path = tree.Write("f", "keep\nold\n");
  RegexTool::FileBytes bytes;
  ASSERT_TRUE(bytes.Open(path));
  std::ostringstream out;
  const std::vector<Replacement> plan = {{5, "old", "new"}};
  EXPECT_EQ(RegexTool::PrintReplacementDiff(out, "a/f", "b/f", bytes, plan, Palette(false)),
            ReplacementDiffResult::Printed);
  EXPECT_EQ(out.str(), "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n keep\n-old\n+new\n");
  RegexTool::FileBytes missing;
  EXPECT_FALSE(missing.Open(tree / "none"));
  EXPECT_NE(missing.Error(), 0);
}

TEST(ReplacementDiff, AFailedReadIsSaidAndPrintsNothing) {
  TestSupport::TemporaryDirectory tree;
  const std::string path = tree.Write("f", "keep\nold\n");
  RegexTool::FileBytes bytes;
  ASSERT_TRUE(bytes.Open(path));
  const Platform::ScopedFault fault(Platform::Call::Read, 1, EIO);
  std::ostringstream out;
  const std::vector<Replacement> plan = {{5, "old", "new"}};
  EXPECT_EQ(RegexTool::PrintReplacementDiff(out, "a/f", "b/f", bytes, plan, Palette(false)),
            ReplacementDiffResult::ReadFailed);
  EXPECT_EQ(bytes.Error(), EIO);
  EXPECT_EQ(out.str(), "");
}

// Counts what is written and keeps none of it.
class CountingBuffer : public std::streambuf {
 public:
  std::uint64_t Written = 0;

 protected:
  int_type overflow(int_type ch) override {
    ++Written;
    return traits_type::not_eof(ch);
  }
  std::streamsize xsputn(const char*, std::streamsize count) override {
    Written += static_cast<std::uint64_t>(count);
    return count;
  }
};

TEST(ReplacementDiff, MemoryStaysWithinTheBlocksOnA64MiBFileChangedOnEveryLine) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  // 64 MiB of 64-byte lines, every line changed: one hunk as large as the file. The plan is
  // made on the fly, so only the diff's own memory counts.
  constexpr std::size_t LineLength = 64, Lines = (64u << 20) / LineLength;
  TestSupport::TemporaryDirectory tree;
  const std::string path = tree / "big";
  const TestSupport::PeakGrowth growth = TestSupport::PeakGrowthOf(
      [&] {
        std::string line(LineLength - 1, 'o');
        line.replace(0, 3, "old");
        line += '\n';
        std::string chunk;
        for (int i = 0; i < 1024; ++i) chunk += line;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        for (std::size_t i = 0; i < Lines / 1024; ++i)
          std::fwrite(chunk.data(), 1, chunk.size(), file);
        std::fclose(file);
      },
      [&] {
        RegexTool::FileBytes bytes;
        if (!bytes.Open(path)) return false;
        CountingBuffer counter;
        std::ostream out(&counter);
        const auto at = [](std::size_t i) {
          return TextReplacement{static_cast<std::uint64_t>(i * LineLength), "old", "new"};
        };
        const ReplacementDiffResult result = RegexTool::PrintReplacementDiff(
            out, "a/big", "b/big", bytes, Lines, at, Palette(false));
        // Headers, the hunk line, and each line twice with its mark.
        return result == ReplacementDiffResult::Printed &&
               counter.Written > 2 * Lines * (LineLength + 1);
      });
  ASSERT_TRUE(growth.WorkSucceeded);
  EXPECT_LT(growth.Bytes, 4 << 20) << "peak growth " << (growth.Bytes >> 10) << " KiB";
  std::printf("peak growth of the diff of a 64 MiB file changed on every line: %lld KiB\n",
              static_cast<long long>(growth.Bytes >> 10));
}

TEST(ReplacementDiff, ALongLineWithAReplacementAtEveryByteIsWalkedOnce) {
  // `x*` over one 4 MiB line: four million replacements in one line, whose end is found once
  // (finding it per replacement would take hours).
  constexpr std::size_t Length = 4u << 20;
  TextBytes file(std::string(Length, 'a'));
  CountingBuffer counter;
  std::ostream out(&counter);
  const auto at = [](std::size_t i) { return TextReplacement{i, "", "-"}; };
  EXPECT_EQ(
      RegexTool::PrintReplacementDiff(out, "a/f", "b/f", file, Length + 1, at, Palette(false)),
      ReplacementDiffResult::Printed);
  EXPECT_GT(counter.Written, 3 * Length);
}

// This process's resident memory now.
long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word)
    if (word == "VmRSS:") {
      long kilobytes = 0;
      status >> kilobytes;
      return kilobytes;
    }
  return 0;
}

TEST(ReplacementDiff, ADryRunOfA64MiBFileNeedsNoMoreThanTheRealRun) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  // 64 matches in 64 MiB: the old dry run read the file twice, built the new text and split
  // both into lines (400 MB). The plan holds the file's content once, as the real run does;
  // the diff adds nothing that grows with the file.
  TestSupport::TemporaryDirectory tree;
  const std::string path = tree / "big.txt";
  {
    std::string block;
    for (int i = 0; i < 16384; ++i)
      block += i == 0 ? "old" + std::string(60, 'o') + "\n" : std::string(63, 'o') + "\n";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    for (int i = 0; i < 64; ++i) std::fwrite(block.data(), 1, block.size(), file);
    std::fclose(file);
  }
  // The program is forked from this process, whose resident pages count towards the child's
  // peak until it executes the program: the bound allows for them.
  const long bound = std::max(64L * 1024 + 24 * 1024, ResidentKilobytes() + 16 * 1024);
  const ToolTest::ToolResult dry =
      ToolTest::RunIn(tree.Path(), {"change", "-n", "^old", "new", "big.txt"});
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_THAT(dry.Out, ::testing::HasSubstr("@@ -16382,7 +16382,7 @@\n"));
  EXPECT_THAT(dry.Out, ::testing::HasSubstr("dry run: 64 replacements in 1 file would be written"));
  EXPECT_LT(dry.PeakKilobytes, bound) << "a dry run of a 64 MiB file";
  const ToolTest::ToolResult real =
      ToolTest::RunIn(tree.Path(), {"change", "^old", "new", "big.txt"});
  EXPECT_EQ(real.Status, 0) << real.Err;
  EXPECT_LT(dry.PeakKilobytes, real.PeakKilobytes + 8 * 1024) << "the dry run against the real one";
  std::printf("peak of a 64 MiB file with 64 changes: dry run %ld KiB, real run %ld KiB\n",
              dry.PeakKilobytes, real.PeakKilobytes);
}

}  // namespace
