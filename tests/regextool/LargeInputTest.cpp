// A large single-line text on standard input: the program holds it about once, not once per
// step of the way (read, hand to the library, report, print).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PeakMemory.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

constexpr std::size_t TextSize = 64u << 20;

// 64 MiB of 'b' ending in one 'a', fed through a pipe: its length is not known in advance.
ToolTest::ToolRun LargeLine(std::vector<std::string> arguments) {
  ToolTest::ToolRun run;
  run.Arguments = std::move(arguments);
  run.In = ToolTest::InputKind::Pipe;
  run.Out = ToolTest::OutputKind::Discarded;
  run.Feed = [](int descriptor) {
    const std::string piece(1 << 20, 'b');
    for (std::size_t sent = 0; sent + 1 < TextSize;) {
      const std::size_t count = std::min(piece.size(), TextSize - 1 - sent);
      const ssize_t written = ::write(descriptor, piece.data(), count);
      ASSERT_GT(written, 0);
      sent += static_cast<std::size_t>(written);
    }
    ASSERT_EQ(::write(descriptor, "a", 1), 1);
  };
  return run;
}

double PeakInTexts(const ToolTest::ToolResult& result) {
  return static_cast<double>(result.PeakKilobytes) * 1024.0 / static_cast<double>(TextSize);
}

TEST(LargeInput, SearchAtTheEndOfOneHugeLineStaysNearTheTextsSize) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  // The match's prefix is the whole text: the report needs it once more, and no further copy.
  const ToolTest::ToolResult result = ToolTest::RunTool(LargeLine({"search", "a$"}));
  EXPECT_EQ(result.Status, 0);
  EXPECT_LT(PeakInTexts(result), 3.5) << result.PeakKilobytes << " KiB";
}

TEST(LargeInput, MergeOfOneHugeLineHoldsTextAndResultOnly) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  const ToolTest::ToolResult result = ToolTest::RunTool(LargeLine({"merge", "a$", "A"}));
  EXPECT_EQ(result.Status, 0);
  EXPECT_LT(PeakInTexts(result), 3.5) << result.PeakKilobytes << " KiB";
}

// A large file of ordinary lines, every one printed: named on the command line it costs what
// the same bytes on standard input cost, a few buffers, never the file or its output.
TEST(LargeInput, AFileSearchIsBoundedByItsBuffersNamedOrPiped) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  TestSupport::TemporaryDirectory dir;
  std::string text;
  text.reserve(TextSize + 64);
  for (std::size_t line = 0; text.size() < TextSize; ++line)
    text += "line " + std::to_string(line) + " of many, each one printed\n";
  const std::string path = dir.Write("big.txt", text);
  std::string().swap(text);  // the child starts as a copy of this process: not with the text
  ToolTest::ToolRun named;
  named.Arguments = {"grep-files", "-n", "printed", path};
  named.Out = ToolTest::OutputKind::Discarded;
  ToolTest::ToolRun piped = named;
  piped.Arguments = {"grep-files", "-n", "printed", "-"};
  piped.In = ToolTest::InputKind::Path;
  piped.InputPath = path;
  for (const ToolTest::ToolRun& run : {named, piped}) {
    const ToolTest::ToolResult result = ToolTest::RunTool(run);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_LT(PeakInTexts(result), 0.25)
        << run.Arguments.back() << ": " << result.PeakKilobytes << " KiB";
  }
}

}  // namespace
