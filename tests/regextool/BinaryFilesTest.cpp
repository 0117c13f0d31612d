// Binary files as grep reports them: a file with a NUL byte is searched (named or walked);
// a selected line in its binary part (all of it when the NUL is in the first 8 KiB, else from
// the NUL's line on) is told by one message on standard error, counts and names as any; -a
// searches it as text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

class BinaryFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("bin.dat", std::string("x here\0bin\n", 11));
    Tree.Write("t.txt", "x text\n");
  }
  ToolResult Run(std::vector<std::string> arguments) {
    return RunIn(Tree.Path(), std::move(arguments));
  }
  TemporaryDirectory Tree;
};

TEST_F(BinaryFiles, AMatchIsToldByAMessageWalkedOrNamed) {
  const ToolResult walked = Run({"grep-files", "x"});
  EXPECT_EQ(walked.Status, 0);
  EXPECT_EQ(walked.Out, "t.txt:x text\n");
  EXPECT_EQ(walked.Err, "regextool: bin.dat: binary file matches\n");
  const ToolResult named = Run({"grep-files", "-n", "x", "bin.dat"});
  EXPECT_EQ(named.Status, 0) << "a binary match is a match";
  EXPECT_EQ(named.Out, "");
  EXPECT_EQ(named.Err, "regextool: bin.dat: binary file matches\n");
  for (const char* option : {"-o", "-v", "--json", "-A1"}) {
    const ToolResult other = Run({"grep-files", option, option[1] == 'v' ? "zzz" : "x", "bin.dat"});
    EXPECT_EQ(other.Status, 0) << option;
    EXPECT_EQ(other.Out, "") << option;
    EXPECT_EQ(other.Err, "regextool: bin.dat: binary file matches\n") << option;
  }
  const ToolResult none = Run({"grep-files", "zzz", "bin.dat"});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Err, "") << "no match, no message";
}

TEST_F(BinaryFiles, CountsNamesAndQuietTakeItAsAnyFile) {
  EXPECT_EQ(Run({"grep-files", "-c", "x"}).Out, "bin.dat:1\nt.txt:1\n");
  EXPECT_EQ(Run({"grep-files", "-c", "x"}).Err, "");
  EXPECT_EQ(Run({"grep-files", "-c", "zzz", "bin.dat"}).Out, "0\n");
  EXPECT_EQ(Run({"grep-files", "-l", "x"}).Out, "bin.dat\nt.txt\n");
  EXPECT_EQ(Run({"find-files", "here"}).Out, "bin.dat\n");
  EXPECT_EQ(Run({"grep-files", "-L", "text"}).Out, "bin.dat\n");
  const ToolResult quiet = Run({"grep-files", "-q", "here"});
  EXPECT_EQ(quiet.Status, 0);
  EXPECT_EQ(quiet.Out + quiet.Err, "");
}

TEST_F(BinaryFiles, StandardInputIsJudgedTheSameWay) {
  ToolTest::ToolRun run;
  run.Arguments = {"grep-files", "bin", "-"};
  run.Input = std::string("a\nbin\0\n", 7);
  run.WorkingDirectory = Tree.Path();
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "");
  EXPECT_EQ(result.Err, "regextool: (standard input): binary file matches\n");
}

TEST_F(BinaryFiles, ALateNulMakesTheRestBinary) {
  std::string text;
  for (int i = 1; i <= 1200; ++i) text += "line " + std::to_string(i) + " x\n";  // > 8 KiB
  text += std::string("nul\0 x\nafter x\n", 15);
  Tree.Write("late.dat", text);
  const ToolResult result = Run({"grep-files", "-n", "x", "late.dat"});
  EXPECT_EQ(result.Status, 0);
  ASSERT_EQ(std::count(result.Out.begin(), result.Out.end(), '\n'), 1200);
  EXPECT_EQ(result.Out.substr(result.Out.size() - 17), "1200:line 1200 x\n");
  EXPECT_EQ(result.Err, "regextool: late.dat: binary file matches\n");
  EXPECT_EQ(Run({"grep-files", "-c", "x", "late.dat"}).Out, "1202\n");
  const ToolResult earlier = Run({"grep-files", "line 3 x", "late.dat"});
  EXPECT_EQ(earlier.Out, "line 3 x\n");
  EXPECT_EQ(earlier.Err, "") << "no match past the NUL, no message";
}

TEST_F(BinaryFiles, TextSearchesThemAsText) {
  const ToolResult result = Run({"grep-files", "-a", "x"});
  EXPECT_EQ(result.Out, std::string("bin.dat:x here\0bin\nt.txt:x text\n", 32));
  EXPECT_EQ(result.Err, "");
}

}  // namespace
