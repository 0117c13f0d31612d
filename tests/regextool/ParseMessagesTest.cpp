// A refused command line is explained as the peers explain it: the unknown option or the
// missing argument is named, a mistyped command gets the closest one suggested, and the
// message points at --help; the exit status is 2.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ParseMessages.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ToolTest::RunTool;
using ToolTest::ToolResult;

TEST(ParseMessages, UnknownOptionNamesItselfAndSuggestsHelp) {
  const ToolResult result = RunTool({"grep-files", "--frobnicate", "x"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Err,
            "regextool: grep-files: unrecognized option '--frobnicate'\n"
            "Try 'regextool grep-files --help' for more information.\n");
  EXPECT_THAT(RunTool({"search", "-Z", "a", "b"}).Err, HasSubstr("unrecognized option '-Z'"));
  EXPECT_THAT(RunTool({"--frobnicate"}).Err, HasSubstr("unrecognized option '--frobnicate'"));
}

TEST(ParseMessages, MissingArgumentIsNamed) {
  const ToolResult pattern = RunTool({"grep-files"});
  EXPECT_EQ(pattern.Status, 2);
  EXPECT_THAT(pattern.Err, HasSubstr("missing argument: PATTERN"));
  EXPECT_THAT(pattern.Err, HasSubstr("--help"));
  EXPECT_THAT(RunTool({"merge", "a"}).Err, HasSubstr("regextool: merge: missing argument: FORMAT\n"));
  EXPECT_THAT(RunTool({"grep-files", "x", "-e"}).Err, HasSubstr("option '--regexp' requires an argument"));
  EXPECT_THAT(RunTool({"grep-files", "-A", "many", "x"}).Err, HasSubstr("--after-context"));
}

TEST(ParseMessages, MistypedCommandGetsTheClosestSuggested) {
  const ToolResult result = RunTool({"grpe-files", "x"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Err,
            "regextool: 'grpe-files' is not a regextool command. Did you mean 'grep-files'?\n"
            "Try 'regextool --help' for more information.\n");
  EXPECT_THAT(RunTool({"chnage", "a", "b"}).Err, HasSubstr("Did you mean 'change'?"));
  EXPECT_THAT(RunTool({"xyzzy"}).Err, Not(HasSubstr("Did you mean")));
  EXPECT_THAT(RunTool(std::vector<std::string>()).Err, HasSubstr("missing command"));
}

TEST(ParseMessages, ClosestNameByEditDistance) {
  const std::vector<std::string> names = {"match", "search", "grep", "merge", "grep-files", "find-files", "change"};
  EXPECT_EQ(RegexTool::ClosestName("serach", names), "search");
  EXPECT_EQ(RegexTool::ClosestName("gerp", names), "grep");
  EXPECT_EQ(RegexTool::ClosestName("findfiles", names), "find-files");
  EXPECT_EQ(RegexTool::ClosestName("zzzzzz", names), "");
}

}  // namespace
