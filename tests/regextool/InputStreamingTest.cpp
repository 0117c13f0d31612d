// grep-files on standard input works through it in blocks of whole lines: memory stays near a
// block and the longest line, however long the input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PeakMemory.h"
#include "ToolRun.h"

namespace {

constexpr std::size_t InputSize = 48u << 20;

// InputSize bytes of 256-byte lines, every 1000th holding "needle", through a pipe.
ToolTest::ToolRun ManyLines(std::vector<std::string> arguments) {
  ToolTest::ToolRun run;
  run.Arguments = std::move(arguments);
  run.In = ToolTest::InputKind::Pipe;
  run.Out = ToolTest::OutputKind::File;
  run.Feed = [](int descriptor) {
    std::string chunk;
    for (int line = 0; line < 4096; ++line) {
      std::string text(256, 'x');
      if (line % 1000 == 7) text.replace(100, 6, "needle");
      text.back() = '\n';
      chunk += text;
    }
    for (std::size_t sent = 0; sent < InputSize;) {
      const std::size_t at = sent % chunk.size();
      const std::size_t count = std::min(chunk.size() - at, InputSize - sent);
      const ssize_t written = ::write(descriptor, chunk.data() + at, count);
      ASSERT_GT(written, 0);
      sent += static_cast<std::size_t>(written);
    }
  };
  return run;
}

TEST(InputStreaming, GrepFilesOnStandardInputHoldsOnlyABlock) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  const ToolTest::ToolResult result = ToolTest::RunTool(ManyLines({"grep-files", "-c", "needle", "-"}));
  EXPECT_EQ(result.Status, 0);
  // 1 MiB chunks of 4096 lines, of which lines 7, 1007, 2007, 3007 and 4007 match.
  EXPECT_EQ(result.Out, std::to_string(InputSize / (4096 * 256) * 5) + "\n");
  EXPECT_LT(result.PeakKilobytes, 24 * 1024) << "an input of " << (InputSize >> 20) << " MiB";
}

}  // namespace
