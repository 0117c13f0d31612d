// grep-files and find-files end to end, over files the test writes in a directory of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "JsonCheck.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;

class FileSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("a.txt", "alpha 12\nbeta\ngamma 345 6\n");
    Tree.Write("b.log", "delta 7\n");
    Tree.Write("c.txt", "no digits here\n");
    Tree.Write("sub/d.txt", "epsilon 89\n");
    Tree.Write("sub/deeper/e.txt", "0\n");
  }
  TemporaryDirectory Tree;
};

TEST_F(FileSearch, GrepFilesPrintsFileLineAndMatch) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"grep-files", "[0-9]+", "*.txt"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "a.txt:1:12\na.txt:3:345\na.txt:3:6\n");
}

TEST_F(FileSearch, RecursionTakesTheSubDirectories) {
  const ToolTest::ToolResult flat = RunIn(Tree.Path(), {"grep-files", "[0-9]+", "*.txt"});
  EXPECT_THAT(flat.Out, Not(HasSubstr("sub/")));
  const ToolTest::ToolResult deep = RunIn(Tree.Path(), {"grep-files", "-r", "[0-9]+", "*.txt"});
  EXPECT_EQ(deep.Status, 0);
  EXPECT_EQ(deep.Out, "a.txt:1:12\na.txt:3:345\na.txt:3:6\nsub/d.txt:1:89\nsub/deeper/e.txt:1:0\n");
}

TEST_F(FileSearch, MaskWithDirectoryPartAndQuestionMark) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"grep-files", "[0-9]+", "sub/?.txt"});
  EXPECT_EQ(result.Out, "sub/d.txt:1:89\n");
  const ToolTest::ToolResult absolute = RunIn("/", {"grep-files", "delta", Tree.Path() + "/*.log"});
  EXPECT_EQ(absolute.Out, Tree / "b.log" + ":1:delta\n");
}

TEST_F(FileSearch, CountPrintsPerFileAndTotal) {
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"grep-files", "--count", "-r", "[0-9]+", "*"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out,
            "a.txt:3\nb.log:1\nsub/d.txt:1\nsub/deeper/e.txt:1\ntotal: 6 matches in 4 files\n");
}

TEST_F(FileSearch, NothingFoundExitsOne) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"grep-files", "zeta", "*"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Out, "");
  EXPECT_EQ(RunIn(Tree.Path(), {"grep-files", "--count", "zeta", "*"}).Out,
            "total: 0 matches in 0 files\n");
  EXPECT_EQ(RunIn(Tree.Path(), {"find-files", "zeta", "*"}).Status, 1);
}

TEST_F(FileSearch, BadPatternAndEmptyMaskExitTwo) {
  const ToolTest::ToolResult pattern = RunIn(Tree.Path(), {"grep-files", "(", "*"});
  EXPECT_EQ(pattern.Status, 2);
  EXPECT_THAT(pattern.Err, HasSubstr("bad pattern"));
  EXPECT_EQ(RunIn(Tree.Path(), {"find-files", "a", ""}).Status, 2);
  EXPECT_EQ(RunIn(Tree.Path(), {"grep-files", "--color", "sometimes", "a", "*"}).Status, 2);
}

TEST_F(FileSearch, CaseInsensitiveReachesTheFileSearch) {
  EXPECT_EQ(RunIn(Tree.Path(), {"grep-files", "ALPHA", "*.txt"}).Status, 1);
  EXPECT_EQ(RunIn(Tree.Path(), {"grep-files", "-i", "ALPHA", "*.txt"}).Out, "a.txt:1:alpha\n");
}

TEST_F(FileSearch, SyntaxChoiceIsNotedAsNotApplying) {
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"grep-files", "--syntax", "basic", "beta", "*.txt"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_THAT(result.Err, HasSubstr("normal syntax"));
  EXPECT_EQ(RunIn(Tree.Path(), {"grep-files", "-i", "beta", "*.txt"}).Err, "");
}

TEST_F(FileSearch, ColourOnlyWhenAsked) {
  // Output to a file is not a terminal: auto means no colour.
  EXPECT_THAT(RunIn(Tree.Path(), {"grep-files", "beta", "*.txt"}).Out, Not(HasSubstr("\033[")));
  const ToolTest::ToolResult always =
      RunIn(Tree.Path(), {"grep-files", "--color=always", "beta", "*.txt"});
  EXPECT_THAT(always.Out, HasSubstr("\033[1;31mbeta\033[m"));
  EXPECT_THAT(always.Out, HasSubstr("a.txt"));
}

TEST_F(FileSearch, JsonPerMatchIsValid) {
  Tree.Write("bytes.txt",
             "k\xff"
             "1\n");
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"grep-files", "--json", "k(.)([0-9])", "bytes.txt"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_TRUE(ToolTest::JsonCheck::IsValid(result.Out)) << result.Out;
  EXPECT_EQ(result.Out,
            "{\"file\":\"bytes.txt\",\"line\":1,\"match\":{\"text\":\"k\\u00FF1\",\"position\":0,"
            "\"length\":3},\"groups\":[{\"text\":\"\\u00FF\",\"position\":1,\"length\":1},"
            "{\"text\":\"1\",\"position\":2,\"length\":1}]}\n");
}

TEST_F(FileSearch, FindFilesPrintsEachFileOnce) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"find-files", "-r", "[0-9]", "*.txt"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "a.txt\nsub/d.txt\nsub/deeper/e.txt\n");
}

}  // namespace
