// File names in human output: a name with control bytes can neither drive the terminal nor
// forge output (a diff hunk, a line of another file), wherever it is printed; an ordinary
// name prints as it is, and JSON keeps escaping names its own way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ChangeReport.h"
#include "TemporaryDirectory.h"
#include "TextEscaping.h"
#include "ToolRun.h"

namespace {

using RegexTool::ShownName;
using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

bool HoldsControlBytes(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\n') || byte == 0x7F;
  });
}

TEST(ShownName, OrdinaryNamesStandAsTheyAre) {
  for (const std::string name : {"a/b.txt", "./notes/todo.txt", "caf\xc3\xa9.txt", "it's \"x\".txt",
                                 "back\\slash", "(standard input)", "/dev/fd/63"})
    EXPECT_EQ(ShownName(name), name);
}

TEST(ShownName, ControlBytesAreQuotedAsGitQuotesPaths) {
  EXPECT_EQ(ShownName("a\nb"), "\"a\\nb\"");
  EXPECT_EQ(ShownName("t\tr\rb\bv\vf\fa\a"), "\"t\\tr\\rb\\bv\\vf\\fa\\a\"");
  EXPECT_EQ(ShownName("x\x1b[2Jy\x7f"), "\"x\\033[2Jy\\177\"");
  // Inside quotes, quotes and backslashes are escaped; UTF-8 stays, other high bytes do not.
  EXPECT_EQ(ShownName("\"\\\n\xc3\xa9\xff"), "\"\\\"\\\\\\n\xc3\xa9\\377\"");
  // C1 controls, raw or as UTF-8 (U+009B is a terminal's CSI).
  EXPECT_EQ(ShownName("a\x9b"
                      "b"),
            "\"a\\233b\"");
  EXPECT_EQ(ShownName("a\xc2\x9b"
                      "b"),
            "\"a\\302\\233b\"");
  // A name that starts with a quote could pass for a quoted one.
  EXPECT_EQ(ShownName("\"a\\nb\""), "\"\\\"a\\\\nb\\\"\"");
}

TEST(ShownName, TheProblemTableQuotesNamesAndErrors) {
  RegexTool::ProblemRow row;
  row.File = "x\n.c";
  row.Other = "x\r.bak";
  row.Problem = "SaveCopyFailed";
  row.Error = "copy of \x1b]0;t\a";
  std::ostringstream out;
  RegexTool::PrintProblemRows(out, {row});
  EXPECT_THAT(out.str(), HasSubstr("\"x\\n.c\" (\"x\\r.bak\")  SaveCopyFailed"));
  EXPECT_THAT(out.str(), HasSubstr("\"copy of \\033]0;t\\a\""));
  EXPECT_FALSE(HoldsControlBytes(out.str()));
}

class QuotedNames : public ::testing::Test {
 protected:
  ToolResult Run(std::vector<std::string> arguments) {
    return RunIn(Tree.Path(), std::move(arguments));
  }
  TemporaryDirectory Tree;
};

TEST_F(QuotedNames, GrepFilesAndFindFilesQuoteNamesInPrefixesAndLines) {
  const std::string title = "n\x1b]0;owned\a.txt";  // sets a terminal's window title
  Tree.Write(title, "x1\n");
  Tree.Write("plain.txt", "x2\n");
  const ToolResult lines = Run({"grep-files", "-n", "x", "."});
  EXPECT_EQ(lines.Status, 0) << lines.Err;
  EXPECT_EQ(lines.Out, "\"./n\\033]0;owned\\a.txt\":1:x1\n./plain.txt:1:x2\n");
  const ToolResult names = Run({"find-files", "x"});
  EXPECT_EQ(names.Out, "\"n\\033]0;owned\\a.txt\"\nplain.txt\n");
  const ToolResult counts = Run({"grep-files", "-c", "x", title, "plain.txt"});
  EXPECT_EQ(counts.Out, "\"n\\033]0;owned\\a.txt\":1\nplain.txt:1\n");
  // JSON escapes the name itself, once.
  const ToolResult json = Run({"grep-files", "--json", "x", title});
  EXPECT_THAT(json.Out, HasSubstr("{\"file\":\"n\\u001B]0;owned\\u0007.txt\""));
}

TEST_F(QuotedNames, MessagesOnTheErrorStreamQuoteNames) {
  const ToolResult missing = Run({"grep-files", "x", "gone\r\nregextool: fake"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_EQ(missing.Err, "regextool: \"gone\\r\\nregextool: fake\": No such file or directory\n");
  const ToolResult patterns = Run({"grep-files", "-f", "no\x1b[2J", "."});
  EXPECT_EQ(patterns.Err, "regextool: \"no\\033[2J\": No such file or directory\n");
}

TEST_F(QuotedNames, ADryRunsDiffHeadersCannotForgeAHunk) {
  // A name that, printed raw, would end the header and add a hunk of its own.
  const std::string forged = "sshd_config\n@@ -1 +1 @@\n-PermitRootLogin no\n+PermitRootLogin yes";
  Tree.Write("etc/" + forged, "Port 22\n");
  Tree.Write("etc/real", "PermitRootLogin no\n");
  const ToolResult dry = Run({"change", "-n", "22|no", "x", "etc"});
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_THAT(
      dry.Out,
      HasSubstr("--- \"a/etc/sshd_config\\n@@ -1 +1 @@\\n-PermitRootLogin no\\n+PermitRootLogin "
                "yes\"\n+++ \"b/etc/sshd_config\\n@@ -1 +1 @@\\n-PermitRootLogin "
                "no\\n+PermitRootLogin yes\"\n@@ -1 +1 @@\n-Port 22\n+Port x\n"));
  EXPECT_THAT(dry.Out, HasSubstr("--- a/etc/real\n+++ b/etc/real\n@@ -1 +1 @@\n-PermitRootLogin "
                                 "no\n+PermitRootLogin x\n"));
  EXPECT_THAT(dry.Out, Not(HasSubstr("\n+PermitRootLogin yes")));
}

TEST_F(QuotedNames, TheChangeRunsProblemTableQuotesNames) {
  Tree.Write("s\x1b[1A.txt", "a\nb\n");
  const ToolResult result = Run({"change", "a[^x]*b", "X", "."});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Out, HasSubstr("\"./s\\033[1A.txt\"  MatchSpansLines"));
  EXPECT_FALSE(HoldsControlBytes(result.Out));
}

}  // namespace
