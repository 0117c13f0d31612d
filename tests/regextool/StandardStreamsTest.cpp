// Standard input and output that fail: every failure is one line on the error stream and exit
// status 2, output is never cut short without a word, and a reader that has gone ends the run
// quietly.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using TestSupport::TemporaryDirectory;
using ToolTest::InputKind;
using ToolTest::OutputKind;
using ToolTest::ToolResult;
using ToolTest::ToolRun;

// Every command that writes to standard output, each with something to write, run in a tree
// that gives the file commands a match.
class EveryWritingCommand : public ::testing::Test {
 protected:
  void SetUp() override { Tree.Write("notes.txt", "old name here\n"); }

  std::vector<ToolRun> Runs() const {
    const std::vector<std::vector<std::string>> commands = {
        {"match", "o", "old"},
        {"match", "--json", "o", "old"},
        {"search", "l", "old"},
        {"grep", "o"},
        {"grep-text", "o"},
        {"merge", "o", "0"},
        {"grep-files", "old", "*.txt"},
        {"grep-files", "--count", "old", "*.txt"},
        {"find-files", "old", "*.txt"},
        {"change", "--dry-run", "old", "new", "*.txt"},
        {"change", "old", "new", "*.txt"},
        {"--help"},
        {"--version"}};
    std::vector<ToolRun> runs;
    for (const auto& arguments : commands) {
      ToolRun run;
      run.Arguments = arguments;
      run.Input = "one old, two old\n";
      run.WorkingDirectory = Tree.Path();
      runs.push_back(run);
    }
    return runs;
  }

  TemporaryDirectory Tree;
};

std::string Named(const ToolRun& run) {
  std::string name;
  for (const std::string& word : run.Arguments) name += word + ' ';
  return name;
}

TEST_F(EveryWritingCommand, FullDeviceIsOneMessageAndTrouble) {
  for (ToolRun run : Runs()) {
    Tree.Write("notes.txt", "old name here\n");  // the change run must find work every time
    run.Out = OutputKind::Full;
    const ToolResult result = ToolTest::RunTool(run);
    EXPECT_EQ(result.Status, 2) << Named(run);
    EXPECT_EQ(result.Err, "regextool: write error: " + std::string(std::strerror(ENOSPC)) + "\n")
        << Named(run);
  }
}

TEST_F(EveryWritingCommand, GoneReaderEndsTheRunQuietlyWithTrouble) {
  for (ToolRun run : Runs()) {
    Tree.Write("notes.txt", "old name here\n");
    run.Out = OutputKind::ClosedPipe;
    const ToolResult result = ToolTest::RunTool(run);
    EXPECT_EQ(result.Signal, 0) << Named(run);
    EXPECT_EQ(result.Status, 2) << Named(run);
    EXPECT_EQ(result.Err, "") << Named(run);
  }
}

TEST(StandardOutput, FileSizeLimitMidwayIsReportedNotTruncatedSilently) {
  // A merge whose output outgrows what the file may hold: the write that fails in the middle
  // is reported, like a file system that fills up.
  ToolRun run;
  run.Arguments = {"merge", "a", "b"};
  run.Input = std::string(3 << 20, 'a');
  run.FileSizeLimit = 1 << 20;
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Err, "regextool: write error: " + std::string(std::strerror(EFBIG)) + "\n");
  EXPECT_EQ(result.Out.size(), std::size_t{1} << 20);
}

TEST(StandardOutput, ManySmallWritesPastTheLimitAreOneMessage) {
  std::string input;
  for (int i = 0; i < 20000; ++i) input += "line " + std::to_string(i) + "\n";
  ToolRun run;
  run.Arguments = {"grep-text", "[0-9]+"};
  run.Input = input;
  run.FileSizeLimit = 100000;
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Err, "regextool: write error: " + std::string(std::strerror(EFBIG)) + "\n");
  EXPECT_EQ(result.Out.size(), 100000u);
}

TEST(StandardInput, UnreadableInputIsOneMessageAndTrouble) {
  for (const char* command : {"match", "search", "grep-text", "merge"}) {
    std::vector<std::string> arguments = {command, "a"};
    if (std::string(command) == "merge") arguments.push_back("b");
    for (const InputKind kind : {InputKind::Closed, InputKind::Directory}) {
      ToolRun run;
      run.Arguments = arguments;
      run.In = kind;
      const ToolResult result = ToolTest::RunTool(run);
      const int expected = kind == InputKind::Closed ? EBADF : EISDIR;
      EXPECT_EQ(result.Status, 2) << command;
      EXPECT_EQ(result.Err, "regextool: cannot read standard input: " +
                                std::string(std::strerror(expected)) + "\n")
          << command;
      EXPECT_EQ(result.Out, "") << command;
    }
  }
}

TEST(StandardInput, TextArgumentNeedsNoInput) {
  ToolRun run;
  run.Arguments = {"search", "b", "abc"};
  run.In = InputKind::Closed;
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 0);
  EXPECT_THAT(result.Out, HasSubstr("\"b\" at 1..2"));
}

TEST(StandardInput, PipeDeliveringInPiecesIsReadWhole) {
  ToolRun run;
  run.Arguments = {"grep-text", "--json", "x"};
  run.In = InputKind::Pipe;
  run.Feed = [](int descriptor) {
    const std::string piece(100000, 'y');
    for (int i = 0; i < 5; ++i) ASSERT_EQ(::write(descriptor, piece.data(), piece.size()), 100000);
    ASSERT_EQ(::write(descriptor, "x", 1), 1);
  };
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 0);
  EXPECT_THAT(result.Out, HasSubstr("\"position\":500000"));
}

}  // namespace
