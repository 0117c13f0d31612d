// regextool grep as a grep user types it: files and directories or the pipe, the output
// streamed as lines are found, and the small rules grep's own tests hold it to. Expected
// output is what GNU grep 3.8 and ripgrep print for the same command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::InputKind;
using ToolTest::ToolResult;
using ToolTest::ToolRun;

class GrepCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("src/main.c", "int main() {\n  // TODO: parse\n  return 0;\n}\n");
    Tree.Write("src/util.c", "// TODO: free\n");
    Tree.Write("notes.txt", "nothing to do\n");
  }
  ToolResult Run(std::vector<std::string> arguments, const std::string& input = "") {
    ToolRun run;
    run.Arguments = std::move(arguments);
    run.Input = input;
    run.WorkingDirectory = Tree.Path();
    return ToolTest::RunTool(run);
  }
  // The run with standard input a pipe that `text` is written into.
  ToolResult Piped(std::vector<std::string> arguments, const std::string& text) {
    ToolRun run;
    run.Arguments = std::move(arguments);
    run.In = InputKind::Pipe;
    run.Feed = [text](int descriptor) {
      ASSERT_EQ(::write(descriptor, text.data(), text.size()),
                static_cast<ssize_t>(text.size()));
    };
    run.WorkingDirectory = Tree.Path();
    return ToolTest::RunTool(run);
  }
  TemporaryDirectory Tree;
};

TEST_F(GrepCommand, SearchesFilesAndDirectoriesAsGrepFilesDoes) {
  const ToolResult one = Run({"grep", "TODO", "src/main.c"});
  EXPECT_EQ(one.Status, 0);
  EXPECT_EQ(one.Out, "  // TODO: parse\n");
  const ToolResult tree = Run({"grep", "-n", "TODO", "src", "notes.txt"});
  EXPECT_EQ(tree.Out, "src/main.c:2:  // TODO: parse\nsrc/util.c:1:// TODO: free\n");
  EXPECT_EQ(tree.Out, Run({"grep-files", "-n", "TODO", "src", "notes.txt"}).Out);
  EXPECT_EQ(Run({"grep", "FIXME", "src"}).Status, 1);
  const ToolResult missing = Run({"grep", "TODO", "gone.c"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_THAT(missing.Err, HasSubstr("gone.c"));
  // No path and nothing sent: the current directory, as on a terminal.
  EXPECT_EQ(Run({"grep", "-c", "TODO"}).Out, "notes.txt:0\nsrc/main.c:1\nsrc/util.c:1\n");
}

TEST_F(GrepCommand, StandardInputWithDataIsSearchedWhenNoPathIsNamed) {
  for (const char* command : {"grep", "grep-files", "find-files"}) {
    const ToolResult piped = Piped({command, "TODO"}, "a TODO\nb\n");
    EXPECT_EQ(piped.Status, 0) << command;
    EXPECT_EQ(piped.Out, std::string(command) == "find-files" ? "(standard input)\n" : "a TODO\n")
        << command;
  }
  EXPECT_EQ(Run({"grep", "-n", "b"}, "a\nb\n").Out, "2:b\n") << "a file sent as input";
  EXPECT_EQ(Piped({"grep", "-H", "b"}, "b\n").Out, "(standard input):b\n");
  // grep -r with no path searches the current directory, whatever standard input is.
  EXPECT_EQ(Piped({"grep", "-r", "-l", "TODO"}, "TODO\n").Out, "src/main.c\nsrc/util.c\n");
  // A path named: standard input only as "-".
  EXPECT_EQ(Piped({"grep", "TODO", "-", "src/util.c"}, "x TODO\n").Out,
            "(standard input):x TODO\nsrc/util.c:// TODO: free\n");
}

TEST_F(GrepCommand, TheTextOperationKeepsItsOwnName) {
  const ToolResult text = Run({"grep-text", "b", "abc"});
  EXPECT_EQ(text.Status, 0);
  EXPECT_THAT(text.Out, HasSubstr("\"b\" at 1..2"));
  EXPECT_EQ(Run({"grep-text", "z", "abc"}).Status, 1);
}

// The first line must reach the output before the writer sends the second: the writer waits
// for it (a handshake, not a clock), and gives up only after a long while.
TEST(GrepStreaming, EachLineIsWrittenWhenFound) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"grep", "--line-buffered", "ERROR"},
        std::vector<std::string>{"grep-files", "--line-buffered", "ERROR", "-"}}) {
    TemporaryDirectory dir;
    const std::string output = dir.Write("out", "");
    bool handshake = false;
    ToolRun run;
    run.Arguments = arguments;
    run.In = InputKind::Pipe;
    run.Out = ToolTest::OutputKind::AppendTo;
    run.OutputPath = output;
    run.Feed = [&](int descriptor) {
      const std::string first = "ERROR a\nfine\n";
      ASSERT_EQ(::write(descriptor, first.data(), first.size()),
                static_cast<ssize_t>(first.size()));
      for (int i = 0; i < 3000 && !handshake; ++i) {
        handshake = TemporaryDirectory::Read(output) == "ERROR a\n";
        if (!handshake) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      ASSERT_EQ(::write(descriptor, "ERROR b\n", 8), 8);
    };
    const ToolResult result = ToolTest::RunTool(run);
    EXPECT_TRUE(handshake) << arguments[0] << ": the first line waited for the second";
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(TemporaryDirectory::Read(output), "ERROR a\nERROR b\n");
  }
}

// On a terminal no --line-buffered is needed.
TEST(GrepStreaming, OnATerminalEachLineIsWrittenWhenFound) {
  ToolRun run;
  run.Arguments = {"grep", "--color=never", "ERROR"};
  run.In = InputKind::Pipe;
  run.Out = ToolTest::OutputKind::Terminal;
  bool handshake = false;
  std::string seen;
  run.Converse = [&](int input, int terminal) {
    ASSERT_EQ(::write(input, "ERROR a\n", 8), 8);
    // Waits for the terminal, giving up only after a long while: a program that held the
    // line back would write it only at its end, after the second line.
    char block[256];
    while (!handshake) {
      pollfd ready{terminal, POLLIN, 0};
      if (::poll(&ready, 1, 30000) <= 0) break;
      const ssize_t got = ::read(terminal, block, sizeof block);
      if (got <= 0) break;
      seen.append(block, static_cast<std::size_t>(got));
      handshake = seen.find("ERROR a") != std::string::npos;
    }
    ASSERT_EQ(::write(input, "ERROR b\n", 8), 8);
  };
  const ToolResult result = ToolTest::RunTool(run);
  ASSERT_TRUE(handshake);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(seen, "1:ERROR a\r\n") << "line numbers are on by default on a terminal";
  EXPECT_EQ(result.Out, "2:ERROR b\r\n");
}

class GrepRules : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("f", "a\nx\nb\nc\nx\nd\n");
    Tree.Write("g", "x\n");
    Tree.Write("h", "one x two x\nnone\nx\n");
  }
  ToolResult Run(std::vector<std::string> arguments) {
    return ToolTest::RunIn(Tree.Path(), std::move(arguments));
  }
  TemporaryDirectory Tree;
};

TEST_F(GrepRules, TheLastOfOppositeSwitchesWins) {
  EXPECT_EQ(Run({"grep", "-h", "-H", "x", "g"}).Out, "g:x\n");
  EXPECT_EQ(Run({"grep", "-H", "-h", "x", "g", "h"}).Out, "x\none x two x\nx\n");
  EXPECT_EQ(Run({"grep", "-Hh", "x", "g"}).Out, "x\n") << "in one word too";
  EXPECT_EQ(Run({"grep", "-e", "-h", "-H", "g"}).Out, "") << "-h as a pattern is no switch";
  Tree.Write("plus", "aa\na+\n");
  EXPECT_EQ(Run({"grep", "-G", "a+", "plus"}).Out, "a+\n") << "basic: + is a character";
  EXPECT_EQ(Run({"grep", "-G", "-E", "a+", "plus"}).Out, "aa\na+\n");
  EXPECT_EQ(Run({"grep", "-E", "-F", "a+", "plus"}).Out, "a+\n");
  EXPECT_EQ(Run({"grep", "-F", "-E", "a+", "plus"}).Out, "aa\na+\n");
  EXPECT_EQ(Run({"grep", "--fixed-strings", "--basic-regexp", "a+", "plus"}).Out, "a+\n");
}

TEST_F(GrepRules, ListingWinsOverCountingAndContextZeroSeparatesGroups) {
  EXPECT_EQ(Run({"grep", "-l", "-c", "x", "f", "g"}).Out, "f\ng\n");
  EXPECT_EQ(Run({"grep", "-c", "-l", "x", "f", "g"}).Out, "f\ng\n");
  EXPECT_EQ(Run({"grep", "-C", "0", "x", "f", "g"}).Out, "f:x\n--\nf:x\n--\ng:x\n");
  EXPECT_EQ(Run({"grep", "-A", "0", "x", "f"}).Out, "x\n--\nx\n");
  EXPECT_EQ(Run({"grep", "x", "f", "g"}).Out, "f:x\nf:x\ng:x\n") << "no context asked: no --";
}

TEST_F(GrepRules, PatternFilesAndPatternsThatCannotMatch) {
  Tree.Write("empty-line", "\n");
  Tree.Write("nothing", "");
  EXPECT_EQ(Run({"grep", "-c", "-f", "empty-line", "f"}).Out, "6\n")
      << "an empty pattern matches every line";
  const ToolResult none = Run({"grep", "-f", "nothing", "missing", "f"});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Out, "");
  EXPECT_EQ(none.Err, "") << "nothing can match: no file is opened";
  EXPECT_EQ(Run({"grep", "-c", "-f", "/dev/null", "f"}).Out, "");
  const ToolResult inverted = Run({"grep", "-v", "-f", "nothing", "missing", "g"});
  EXPECT_EQ(inverted.Status, 2);
  EXPECT_EQ(inverted.Out, "g:x\n");
  EXPECT_THAT(inverted.Err, HasSubstr("missing"));
  const ToolResult unlisted = Run({"grep", "-L", "-f", "nothing", "g"});
  EXPECT_EQ(unlisted.Out, "g\n");
}

TEST_F(GrepRules, ABadPatternIsShownWithACaretAtItsOffset) {
  const ToolResult bad = Run({"grep", "a(b", "f"});
  EXPECT_EQ(bad.Status, 2);
  EXPECT_THAT(bad.Err, HasSubstr("regextool: bad pattern: "));
  EXPECT_THAT(bad.Err, HasSubstr("\n    a(b\n     ^\n"));
  const ToolResult several = Run({"grep", "-e", "ok", "-e", "x[", "f"});
  EXPECT_THAT(several.Err, HasSubstr("'x[': "));
  EXPECT_THAT(several.Err, HasSubstr("\n    x[\n"));
  const ToolResult text = Run({"search", "a(b", "abc"});
  EXPECT_THAT(text.Err, HasSubstr("\n    a(b\n     ^\n"));
}

TEST_F(GrepRules, MaxCountKeepsTheTrailingContext) {
  EXPECT_EQ(Run({"grep", "-m", "1", "x", "f", "g"}).Out, "f:x\ng:x\n");
  EXPECT_EQ(Run({"grep", "-m1", "-A2", "x", "h", "f"}).Out,
            "h:one x two x\nh-none\nh-x\n--\nf:x\nf-b\nf-c\n");
  EXPECT_EQ(Run({"grep", "-c", "-m", "2", "x", "h"}).Out, "2\n");
  const ToolResult none = Run({"grep", "-c", "-m", "0", "x", "h", "missing"});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Out + none.Err, "") << "no line may be selected: nothing is read";
  // -L still lists every file then, and names a missing one, as grep -m 0 -L.
  const ToolResult listed = Run({"grep", "-L", "-m", "0", "x", "h", "f"});
  EXPECT_EQ(listed.Status, 1);
  EXPECT_EQ(listed.Out, "h\nf\n");
  const ToolResult missing = Run({"grep", "-LZ", "-m", "0", "x", "h", "missing"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_EQ(missing.Out, std::string("h\0", 2));
  EXPECT_THAT(missing.Err, HasSubstr("missing"));
}

TEST_F(GrepRules, OffsetsColumnsAndNulAfterNames) {
  EXPECT_EQ(Run({"grep", "-b", "x", "h"}).Out, "0:one x two x\n17:x\n");
  EXPECT_EQ(Run({"grep", "-ob", "x", "h"}).Out, "4:x\n10:x\n17:x\n");
  EXPECT_EQ(Run({"grep", "--column", "x", "h"}).Out, "1:5:one x two x\n3:1:x\n");
  EXPECT_EQ(Run({"grep", "-n", "--column", "-b", "x", "h"}).Out, "1:5:0:one x two x\n3:1:17:x\n");
  EXPECT_EQ(Run({"grep", "-o", "--column", "x", "h"}).Out, "1:5:x\n1:11:x\n3:1:x\n");
  EXPECT_EQ(Run({"grep", "-HZn", "x", "g"}).Out, std::string("g\0" "1:x\n", 6));
  EXPECT_EQ(Run({"grep", "-lZ", "x", "h", "f"}).Out, std::string("h\0f\0", 4));
  EXPECT_EQ(Run({"grep", "-cZ", "x", "h", "f"}).Out, std::string("h\0" "2\nf\0" "2\n", 8));
}

TEST_F(GrepRules, ReplaceShowsTheMatchesReplaced) {
  EXPECT_EQ(Run({"grep", "--replace", "<$&>", "x", "h"}).Out, "one <x> two <x>\n<x>\n");
  EXPECT_EQ(Run({"grep", "-o", "--replace", "Y", "x", "h"}).Out, "Y\nY\nY\n");
  Tree.Write("pairs", "a=1 b=2\n");
  EXPECT_EQ(Run({"grep", "--replace", "$2=$1", "([a-z])=([0-9])", "pairs"}).Out, "1=a 2=b\n");
  EXPECT_EQ(Run({"grep", "--replace", "", "=[0-9]", "pairs"}).Out, "a b\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "pairs"), "a=1 b=2\n") << "only the output changes";
}

TEST_F(GrepRules, QuietMissingFilesSmartCaseAndShortContext) {
  const ToolResult quiet = Run({"grep", "-s", "x", "missing", "g"});
  EXPECT_EQ(quiet.Status, 2) << "the status still tells";
  EXPECT_EQ(quiet.Err, "");
  EXPECT_EQ(quiet.Out, "g:x\n");
  Tree.Write("case", "Abc\nabc\n");
  EXPECT_EQ(Run({"grep", "-S", "abc", "case"}).Out, "Abc\nabc\n");
  EXPECT_EQ(Run({"grep", "-S", "Abc", "case"}).Out, "Abc\n");
  EXPECT_EQ(Run({"grep", "-S", "a\\Bbc|[[:upper:]]bc", "case"}).Out, "Abc\nabc\n")
      << "escapes and class names are no upper-case letters";
  EXPECT_EQ(Run({"grep", "-1", "b", "f"}).Out, "x\nb\nc\n");
  EXPECT_EQ(Run({"grep", "-e", "-1", "f"}).Out, "") << "a pattern, not a context";
}

TEST_F(GrepRules, ColourAloneIsAutoAndAMistypedOptionGetsASuggestion) {
  const ToolResult colour = Run({"grep", "--color", "x", "g"});
  EXPECT_EQ(colour.Status, 0);
  EXPECT_EQ(colour.Out, "x\n") << "auto, and the output is no terminal";
  EXPECT_EQ(Run({"grep", "--color", "always", "x", "g"}).Out.find("\033["), 0u);
  const ToolResult typo = Run({"grep", "--line-bufered", "x", "g"});
  EXPECT_EQ(typo.Status, 2);
  EXPECT_THAT(typo.Err, HasSubstr("unrecognized option '--line-bufered' (did you mean "
                                  "--line-buffered?)"));
  EXPECT_THAT(Run({"change", "--dry-rn", "a", "b", "g"}).Err,
              HasSubstr("(did you mean --dry-run?)"));
  EXPECT_THAT(Run({"--verison"}).Err, HasSubstr("(did you mean --version?)"));
  EXPECT_THAT(Run({"grep", "--zzzzzzzz", "x", "g"}).Err, Not(HasSubstr("did you mean")));
}

}  // namespace
