// grep-files and find-files end to end: which files are searched (paths, masks, filters,
// hidden names, .gitignore, binary files), how they are named, and the exit status, with
// expectations taken from grep's and ripgrep's documented behaviour.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

class FileSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("a.txt", "alpha 12\nbeta\ngamma 345 6\n");
    Tree.Write("b.log", "delta 7\n");
    Tree.Write("c.txt", "no digits here\n");
    Tree.Write("sub/d.txt", "epsilon 89\n");
    Tree.Write("sub/deeper/e.txt", "0\n");
  }
  ToolResult Run(std::vector<std::string> arguments) {
    return RunIn(Tree.Path(), std::move(arguments));
  }
  TemporaryDirectory Tree;
};

TEST_F(FileSearch, FilesAndDirectoriesAreSearchedWithNamesAndLines) {
  const ToolResult result = Run({"grep-files", "-n", "[0-9]+", "a.txt", "sub"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(
      result.Out,
      "a.txt:1:alpha 12\na.txt:3:gamma 345 6\nsub/d.txt:1:epsilon 89\nsub/deeper/e.txt:1:0\n");
  EXPECT_EQ(result.Err, "");
}

TEST_F(FileSearch, FilesWithANulAfterEachNameListsNamesAsTheyAreAndALabelNamesTheInput) {
  Tree.Write("sub/odd\nname", "1\n");
  const ToolResult quoted = Run({"grep-files", "--files", "sub"});
  EXPECT_EQ(quoted.Out, "sub/d.txt\nsub/deeper/e.txt\n\"sub/odd\\nname\"\n");
  const ToolResult raw = Run({"grep-files", "--files", "-Z", "sub"});
  EXPECT_EQ(raw.Status, 0);
  EXPECT_EQ(raw.Out, std::string("sub/d.txt\0sub/deeper/e.txt\0sub/odd\nname\0", 40));
  EXPECT_EQ(Run({"find-files", "-Z", "[0-9]", "a.txt", "c.txt"}).Out, std::string("a.txt\0", 6));

  ToolTest::ToolRun labelled;
  labelled.Arguments = {"grep", "--json", "--label", "logs/a\"b", "beta", "-", "a.txt"};
  labelled.Input = "beta\n";
  labelled.WorkingDirectory = Tree.Path();
  EXPECT_EQ(ToolTest::RunTool(labelled).Out,
            "{\"file\":\"logs/a\\\"b\",\"line\":1,\"text\":\"beta\",\"matches\":[{\"text\":"
            "\"beta\",\"start\":0,\"end\":4}]}\n{\"file\":\"a.txt\",\"line\":2,\"text\":"
            "\"beta\",\"matches\":[{\"text\":\"beta\",\"start\":0,\"end\":4}]}\n");
}

TEST_F(FileSearch, OneFileNamedPrintsBareLines) {
  EXPECT_EQ(Run({"grep-files", "beta", "a.txt"}).Out, "beta\n");
  EXPECT_EQ(Run({"grep-files", "-H", "beta", "a.txt"}).Out, "a.txt:beta\n");
  EXPECT_EQ(Run({"grep-files", "-h", "[0-9]", "a.txt", "b.log"}).Out,
            "alpha 12\ngamma 345 6\ndelta 7\n");
}

TEST_F(FileSearch, NoPathSearchesTheCurrentDirectoryAndRecursiveIsHarmless) {
  const std::string expected =
      "a.txt:alpha 12\na.txt:gamma 345 6\nb.log:delta 7\nsub/d.txt:epsilon 89\n";
  EXPECT_EQ(Run({"grep-files", "[1-9]"}).Out, expected);
  EXPECT_EQ(Run({"grep-files", "-r", "[1-9]"}).Out, expected);
  EXPECT_EQ(Run({"grep-files", "-r", "[1-9]", "."}).Out,
            "./a.txt:alpha 12\n./a.txt:gamma 345 6\n./b.log:delta 7\n./sub/d.txt:epsilon 89\n");
  EXPECT_EQ(Run({"grep-files", "-r", "[1-9]", "sub/"}).Out, "sub/d.txt:epsilon 89\n");
}

TEST_F(FileSearch, QuotedMasksStillWork) {
  EXPECT_EQ(Run({"grep-files", "[0-9]+", "*.txt"}).Out, "a.txt:alpha 12\na.txt:gamma 345 6\n");
  EXPECT_EQ(Run({"grep-files", "-r", "[0-9]+", "*.txt"}).Out,
            "a.txt:alpha 12\na.txt:gamma 345 6\nsub/d.txt:epsilon 89\nsub/deeper/e.txt:0\n");
  EXPECT_EQ(Run({"grep-files", "[0-9]+", "sub/?.txt"}).Out, "sub/d.txt:epsilon 89\n");
  EXPECT_EQ(Run({"grep-files", "[0-9]+", "*.{log,nothing}"}).Out, "b.log:delta 7\n");
  EXPECT_EQ(RunIn("/", {"grep-files", "delta", Tree.Path() + "/*.log"}).Out,
            Tree / "b.log" + ":delta 7\n");
  EXPECT_EQ(Run({"find-files", "-r", "[0-9]", "*.txt"}).Out,
            "a.txt\nsub/d.txt\nsub/deeper/e.txt\n");
}

TEST_F(FileSearch, MissingPathsAreNamedAndTheRestIsSearched) {
  const ToolResult result = Run({"grep-files", "delta", "nothere", "b.log", "nowhere/*.txt"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Out, "b.log:delta 7\n");
  EXPECT_THAT(result.Err, HasSubstr("regextool: nothere: No such file or directory\n"));
  EXPECT_THAT(result.Err, HasSubstr("regextool: nowhere/*.txt: No such file or directory\n"));
  EXPECT_EQ(Run({"grep-files", "zeta", "nothere"}).Status, 2) << "missing beats nothing found";
}

TEST_F(FileSearch, UnreadableFileIsNamedWithExitTwo) {
  // Tests may run as root, where permission bits do not stop a read: a dangling link is
  // named, not taken for a missing path's mask.
  ASSERT_EQ(::symlink("gone", (Tree / "link").c_str()), 0);
  const ToolResult result = Run({"grep-files", "delta", "link", "b.log"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Out, "b.log:delta 7\n");
  EXPECT_THAT(result.Err, HasSubstr("regextool: link: "));
}

TEST_F(FileSearch, ExitStatusFollowsGrep) {
  const ToolResult none = Run({"grep-files", "zeta"});
  EXPECT_EQ(none.Status, 1);
  EXPECT_EQ(none.Out, "");
  EXPECT_EQ(Run({"find-files", "zeta"}).Status, 1);
  const ToolResult bad = Run({"grep-files", "(", "a.txt"});
  EXPECT_EQ(bad.Status, 2);
  EXPECT_THAT(bad.Err, HasSubstr("bad pattern"));
  EXPECT_EQ(Run({"grep-files", "--color", "sometimes", "a"}).Status, 2);
}

TEST_F(FileSearch, HiddenNamesAndGitAreSkippedUnlessAsked) {
  Tree.Write(".secret", "delta hidden\n");
  Tree.Write(".git/config", "delta git\n");
  Tree.Write("sub/.cache/x", "delta cached\n");
  EXPECT_EQ(Run({"grep-files", "delta"}).Out, "b.log:delta 7\n");
  EXPECT_EQ(Run({"grep-files", "--hidden", "delta"}).Out,
            ".secret:delta hidden\nb.log:delta 7\nsub/.cache/x:delta cached\n");
  EXPECT_EQ(Run({"grep-files", "delta", ".git"}).Out, ".git/config:delta git\n");
  EXPECT_EQ(Run({"grep-files", "delta", ".secret"}).Out, "delta hidden\n");
}

TEST_F(FileSearch, GitignoreIsHonouredUnlessNoIgnore) {
  Tree.Write(".git/HEAD", "ref\n");  // a .gitignore counts only in a repository
  Tree.Write(".gitignore", "# generated\n*.log\nsub/deeper/\n");
  Tree.Write("sub/.gitignore", "!keep.log\n");
  Tree.Write("sub/keep.log", "7 kept\n");
  EXPECT_EQ(Run({"grep-files", "[0-9]"}).Out,
            "a.txt:alpha 12\na.txt:gamma 345 6\nsub/d.txt:epsilon 89\nsub/keep.log:7 kept\n");
  EXPECT_EQ(Run({"grep-files", "--no-ignore", "[0-9]"}).Out,
            "a.txt:alpha 12\na.txt:gamma 345 6\nb.log:delta 7\nsub/d.txt:epsilon 89\n"
            "sub/deeper/e.txt:0\nsub/keep.log:7 kept\n");
}

TEST_F(FileSearch, GlobIncludeAndExcludeChooseFiles) {
  EXPECT_EQ(Run({"grep-files", "--include", "*.log", "[0-9]"}).Out, "b.log:delta 7\n");
  EXPECT_EQ(Run({"grep-files", "--include=*.log", "--include=e.*", "[0-9]"}).Out,
            "b.log:delta 7\nsub/deeper/e.txt:0\n");
  EXPECT_EQ(Run({"grep-files", "--exclude", "*.txt", "[0-9]"}).Out, "b.log:delta 7\n");
  EXPECT_EQ(Run({"grep-files", "--glob", "sub/**", "[0-9]"}).Out,
            "sub/d.txt:epsilon 89\nsub/deeper/e.txt:0\n");
  EXPECT_EQ(Run({"grep-files", "-g", "*.{log,txt}", "-g", "!deeper", "-g", "!a.*", "[0-9]"}).Out,
            "b.log:delta 7\nsub/d.txt:epsilon 89\n");
}

TEST_F(FileSearch, BinaryFilesAreSkippedUnlessText) {
  Tree.Write("blob.bin", std::string("delta\0binary\n", 13));
  EXPECT_EQ(Run({"grep-files", "delta"}).Out, "b.log:delta 7\n");
  // As grep, a binary file is counted and listed as any other.
  EXPECT_EQ(Run({"grep-files", "-c", "zeta"}).Out,
            "a.txt:0\nb.log:0\nblob.bin:0\nc.txt:0\nsub/d.txt:0\nsub/deeper/e.txt:0\n");
  EXPECT_EQ(Run({"grep-files", "-L", "zeta"}).Out,
            "a.txt\nb.log\nblob.bin\nc.txt\nsub/d.txt\nsub/deeper/e.txt\n");
  EXPECT_EQ(Run({"grep-files", "-a", "-c", "delta"}).Out,
            "a.txt:0\nb.log:1\nblob.bin:1\nc.txt:0\nsub/d.txt:0\nsub/deeper/e.txt:0\n");
}

TEST_F(FileSearch, LinkedDirectoriesAreNotFollowed) {
  std::filesystem::create_directory_symlink(Tree / "sub", Tree / "loop");
  EXPECT_EQ(Run({"grep-files", "89"}).Out, "sub/d.txt:epsilon 89\n");
}

TEST_F(FileSearch, StandardInputIsADash) {
  ToolTest::ToolRun run;
  run.Arguments = {"grep-files", "-n", "tw", "-", "b.log"};
  run.Input = "one\ntwo\nthree\ntwenty";
  run.WorkingDirectory = Tree.Path();
  const ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "(standard input):2:two\n(standard input):4:twenty\n");
  run.Arguments = {"grep-files", "-c", "t", "-"};
  EXPECT_EQ(ToolTest::RunTool(run).Out, "3\n");
}

TEST_F(FileSearch, ThreadsKeepTheOrderOfOneThread) {
  // Names with many first letters, and wildcard characters, in one large directory.
  for (int i = 0; i < 300; ++i)
    Tree.Write("many/" + std::string(1, static_cast<char>('a' + i % 26)) +
                   std::to_string(1000 + i) + ".txt",
               std::string(static_cast<std::size_t>(i * 37 % 500), 'x') + "\nline " +
                   std::to_string(i) + "\n");
  Tree.Write("many/?odd.txt", "line odd\n");
  Tree.Write("many/*star.log", "line star\n");
  const ToolResult one = Run({"grep-files", "-n", "-j", "1", "line", "many", "a.txt"});
  const ToolResult four = Run({"grep-files", "-n", "-j", "4", "line", "many", "a.txt"});
  EXPECT_EQ(one.Status, 0);
  ASSERT_THAT(one.Out, HasSubstr("many/n1299.txt:2:line 299\n"));
  ASSERT_THAT(one.Out, HasSubstr("many/?odd.txt:1:line odd\n"));
  ASSERT_THAT(one.Out, HasSubstr("many/*star.log:1:line star\n"));
  EXPECT_EQ(four.Out, one.Out);
  EXPECT_EQ(Run({"find-files", "-j", "3", "line", "many"}).Out,
            Run({"find-files", "-j", "1", "line", "many"}).Out);
}

// One thread searches each file as the walk hands it on and holds no list of them; what the
// list decided with more threads (whether names are shown, where -q and -m stop, where problems
// and group separators go) comes out the same.
TEST_F(FileSearch, OneThreadSearchingAsItWalksPrintsWhatMoreThreadsPrint) {
  Tree.Write("only/one.txt", "alpha 1\n");
  const std::vector<std::vector<std::string>> cases = {
      {"[0-9]+", "a.txt"},
      {"[0-9]+", "only"},
      {"[0-9]+", "a.txt", "b.log"},
      {"[0-9]+"},
      {"-h", "[0-9]+", "a.txt", "sub"},
      {"-H", "[0-9]+", "a.txt"},
      {"-q", "[0-9]+", "a.txt", "missing.txt"},
      {"-q", "nothing", "a.txt", "missing.txt"},
      {"-l", "[0-9]+", ".", "missing.txt", "b.log"},
      {"-L", "[0-9]+", "."},
      {"-c", "-m", "1", "[0-9]+", "a.txt", "sub"},
      {"-C", "1", "beta|delta|0", "a.txt", "b.log", "sub"},
      {"-o", "-n", "[a-z]+[0-9]*", "missing.txt", "sub", "a.txt"},
      {"--files", "sub", "missing.txt"},
  };
  for (const std::vector<std::string>& given : cases) {
    std::vector<std::string> one = {"grep-files", "-j", "1"};
    std::vector<std::string> two = {"grep-files", "-j", "2"};
    one.insert(one.end(), given.begin(), given.end());
    two.insert(two.end(), given.begin(), given.end());
    const ToolResult serial = Run(one);
    const ToolResult threaded = Run(two);
    std::string shown;
    for (const std::string& argument : given) shown += argument + " ";
    EXPECT_EQ(serial.Status, threaded.Status) << shown;
    EXPECT_EQ(serial.Out, threaded.Out) << shown;
    EXPECT_EQ(serial.Err, threaded.Err) << shown;
  }
  // The walk stops once -q has its line: a later unreadable file is never reached.
  const ToolResult quiet = Run({"grep-files", "-j", "1", "-q", "alpha", "a.txt", "missing.txt"});
  EXPECT_EQ(quiet.Status, 0);
  EXPECT_EQ(quiet.Err, "");
  ToolTest::ToolRun input;
  input.Arguments = {"grep-files", "-j", "1", "beta", "-"};
  input.Input = "beta\n";
  input.WorkingDirectory = Tree.Path();
  EXPECT_EQ(ToolTest::RunTool(input).Out, "beta\n") << "standard input alone is not named";
}

// grep exits 2 when it could not search a file; a file the engine gave up on is such a file,
// never one without a match.
TEST_F(FileSearch, AFileTheEngineGivesUpOnIsNamedWithExitTwo) {
  const std::string hard = std::string(2000, 'a') + "db\n";
  Tree.Write("hard.txt", hard);
  const ToolResult counted = Run({"grep-files", "-c", "(a*)*\\1b", "hard.txt", "b.log"});
  EXPECT_EQ(counted.Status, 2);
  EXPECT_EQ(counted.Out, "b.log:0\n") << "no count for the file it gave up on";
  EXPECT_THAT(counted.Err, HasSubstr("regextool: hard.txt: The complexity of matching"));
  // Files walked in a directory go to the file search together: the one given up on is named.
  Tree.Write("walk/a.txt", "b\n");
  Tree.Write("walk/b.txt", hard);
  Tree.Write("walk/c.txt", "ab\n");
  for (const char* threads : {"1", "2"}) {
    const ToolResult walked = Run({"grep-files", "-j", threads, "(a*)*\\1b", "walk"});
    EXPECT_EQ(walked.Status, 2);
    EXPECT_EQ(walked.Out, "walk/a.txt:b\nwalk/c.txt:ab\n");
    EXPECT_THAT(walked.Err, HasSubstr("regextool: walk/b.txt: The complexity"));
    EXPECT_THAT(walked.Err, Not(HasSubstr("walk/a.txt")));
  }
  ToolTest::ToolRun input;
  input.Arguments = {"grep-files", "-w", "(a*)*\\1b", "-"};
  input.Input = hard;
  input.WorkingDirectory = Tree.Path();
  const ToolResult read = ToolTest::RunTool(input);
  EXPECT_EQ(read.Status, 2);
  EXPECT_THAT(read.Err, HasSubstr("regextool: (standard input): The complexity"));
  EXPECT_EQ(Run({"grep-files", "-c", "(a*)*\\1b", "walk/a.txt"}).Out, "1\n");
}

// A back-reference to a group that took no part matches nothing, not the empty text.
TEST_F(FileSearch, ABackReferenceToAnUnsetGroupSelectsNothing) {
  Tree.Write("aa.txt", "aa\n");
  for (const char* syntax : {"normal", "extended"}) {
    const ToolResult result = Run({"grep-files", "--syntax", syntax, "0|()0|\\1|0", "aa.txt"});
    EXPECT_EQ(result.Status, 1) << syntax;
    EXPECT_EQ(result.Out, "") << syntax;
  }
  ToolTest::ToolRun input;
  input.Arguments = {"grep-files", "--syntax", "extended", "0|()0|\\1|0", "-"};
  input.Input = "aa\n";
  input.WorkingDirectory = Tree.Path();
  EXPECT_EQ(ToolTest::RunTool(input).Status, 1);
  EXPECT_EQ(Run({"grep-files", "-c", "--syntax", "basic", "\\(x\\)*\\1y", "aa.txt"}).Out, "0\n");
}

// [[:<:]] and [[:>:]] are the start and the end of a word in every syntax and every route.
TEST_F(FileSearch, WordEdgeBracketsAreWordEdges) {
  Tree.Write("words/one.txt", "an apple\nsnap\nape\n");
  Tree.Write("words/two.txt", "grape\napt\n");
  for (const char* syntax : {"normal", "extended"})
    EXPECT_EQ(Run({"grep-files", "--syntax", syntax, "[[:<:]]ap", "words"}).Out,
              "words/one.txt:an apple\nwords/one.txt:ape\nwords/two.txt:apt\n")
        << syntax;
  EXPECT_EQ(Run({"grep-files", "--syntax", "basic", "ap[[:>:]]", "words"}).Out,
            "words/one.txt:snap\n");
  EXPECT_EQ(Run({"grep-files", "-c", "[[:<:]]ap[a-z]*[[:>:]]", "words/one.txt"}).Out, "2\n");
  EXPECT_EQ(Run({"find-files", "[[:<:]]gr", "words"}).Out, "words/two.txt\n");
  EXPECT_EQ(Run({"grep-files", "-o", "[[:<:]]a[a-z]", "words/one.txt"}).Out, "an\nap\nap\n");
}

TEST_F(FileSearch, SyntaxReachesTheFileCommands) {
  Tree.Write("braces.txt", "aa\na{2}\n");
  EXPECT_EQ(Run({"grep-files", "--syntax", "basic", "a\\{2\\}", "braces.txt"}).Out, "aa\n");
  EXPECT_EQ(Run({"grep-files", "a\\{2\\}", "braces.txt"}).Out, "a{2}\n");
  EXPECT_EQ(Run({"grep-files", "--syntax", "literal", "a{2}", "braces.txt"}).Out, "a{2}\n");
  EXPECT_EQ(Run({"find-files", "--syntax", "basic", "a\\{2\\}", "braces.txt", "a.txt"}).Out,
            "braces.txt\n");
  EXPECT_EQ(Run({"grep-files", "--syntax", "basic", "beta", "a.txt"}).Err, "")
      << "no note any more";
}

TEST_F(FileSearch, BasicSyntaxIsReadAsGrepReadsIt) {
  // GNU grep -G -o's answers: \+ \? \| are operators, + ? | ordinary; \w \s \< \> work.
  Tree.Write("b.txt", "a+b\naab\nx|y\ny\nfoo bar\n");
  const auto basic = [this](const char* pattern) {
    return Run({"grep-files", "-o", "--syntax", "basic", pattern, "b.txt"}).Out;
  };
  EXPECT_EQ(basic("a\\+b"), "aab\n");
  EXPECT_EQ(basic("a+b"), "a+b\n");
  EXPECT_EQ(basic("x\\|y"), "x\ny\ny\n");
  EXPECT_EQ(basic("x|y"), "x|y\n");
  EXPECT_EQ(basic("a\\?ab"), "aab\n");
  EXPECT_EQ(basic("^\\w\\+ \\w\\+$"), "foo bar\n");
  EXPECT_EQ(basic("\\<bar\\>"), "bar\n");
  EXPECT_EQ(Run({"find-files", "--syntax", "basic", "y\\|z", "b.txt"}).Out, "b.txt\n");
}

}  // namespace
