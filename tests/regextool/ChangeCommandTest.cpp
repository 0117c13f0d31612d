// change end to end: dry runs touch nothing and show the real run's result as a diff; real
// runs write, keep saved copies without ever replacing another file, pass over read-only files
// and saved copies with a word, and report files they could not change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;

struct FileState {
  std::string Content;
  fs::file_time_type Modified;
  bool operator==(const FileState& other) const {
    return Content == other.Content && Modified == other.Modified;
  }
};

FileState StateOf(const std::string& path) {
  return {TemporaryDirectory::Read(path), fs::last_write_time(path)};
}

class Change : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("app.ini",
               "[build]\nhost = old.example.org\nport = 8080\nmail = ops@old.example.org\n");
    Tree.Write("deploy.conf", "target=old.example.org\nretries=3\n");
    Tree.Write("notes/todo.txt", "move off old.example.org\nno host here\n");
    Tree.Write("keep.txt", "nothing to change\n");
  }
  TemporaryDirectory Tree;
};

TEST_F(Change, DryRunTouchesNothingAndPrintsTheDiff) {
  const std::vector<std::string> files = {"app.ini", "deploy.conf", "notes/todo.txt", "keep.txt"};
  std::vector<FileState> before;
  for (const std::string& file : files) before.push_back(StateOf(Tree / file));
  const auto entriesBefore = Tree.Entries();

  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"change", "--dry-run", "-r", "--save-ext",
                                                          "bak", "old\\.(example)", "new.$1", "*"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  for (std::size_t i = 0; i < files.size(); ++i)
    EXPECT_TRUE(StateOf(Tree / files[i]) == before[i]) << files[i];
  EXPECT_EQ(Tree.Entries(), entriesBefore);  // no saved copy, no temporary file
  EXPECT_THAT(result.Out, HasSubstr("--- a/app.ini\n+++ b/app.ini\n@@ -1,4 +1,4 @@\n"
                                    " [build]\n-host = old.example.org\n+host = new.example.org\n"
                                    " port = 8080\n-mail = ops@old.example.org\n"
                                    "+mail = ops@new.example.org\n"));
  EXPECT_THAT(result.Out,
              HasSubstr("--- a/notes/todo.txt\n+++ b/notes/todo.txt\n@@ -1,2 +1,2 @@\n"
                        "-move off old.example.org\n+move off new.example.org\n no host here\n"));
  EXPECT_THAT(result.Out, Not(HasSubstr("keep.txt")));
  EXPECT_THAT(
      result.Out,
      HasSubstr("dry run: 4 replacements in 3 files would be written; nothing was changed"));
}

TEST_F(Change, DryRunShowsWhatTheRealRunWrites) {
  // The diff's new side must be the real run's content, replacement by replacement.
  Tree.Write("cases.txt", "ab aab b\nabab\n");
  const std::vector<std::string> run = {"change", "(a+)(b)", "<$2$1|$&>", "cases.txt"};
  std::vector<std::string> dry = run;
  dry.insert(dry.begin() + 1, "--dry-run");
  const ToolTest::ToolResult preview = RunIn(Tree.Path(), dry);
  ASSERT_EQ(preview.Status, 0);
  const ToolTest::ToolResult real = RunIn(Tree.Path(), run);
  ASSERT_EQ(real.Status, 0) << real.Out << real.Err;
  const std::string after = TemporaryDirectory::Read(Tree / "cases.txt");
  EXPECT_EQ(after, "<ba|ab> <baa|aab> b\n<ba|ab><ba|ab>\n");
  EXPECT_THAT(preview.Out, HasSubstr("+<ba|ab> <baa|aab> b\n+<ba|ab><ba|ab>\n"));
  EXPECT_THAT(real.Out, HasSubstr("4 replacements written, 1 file changed"));
}

TEST_F(Change, SyntaxReachesTheChangeOrIsRefusedBeforeAnything) {
  Tree.Write("x.txt", "a.b axb aaa\n");
  // Literal text: the dot is a dot.
  const ToolTest::ToolResult literal =
      RunIn(Tree.Path(), {"change", "--syntax", "literal", "a.b", "[$&]", "x.txt"});
  EXPECT_EQ(literal.Status, 0) << literal.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.txt"), "[a.b] axb aaa\n");
  // Extended syntax means the same as the normal one here.
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "--syntax", "extended", "a{3}", "A", "x.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.txt"), "[a.b] axb A\n");
  // Basic syntax cannot be read by the file search: said so, and nothing is touched.
  const FileState before = StateOf(Tree / "x.txt");
  const ToolTest::ToolResult basic =
      RunIn(Tree.Path(), {"change", "--syntax", "basic", "a\\{1\\}", "X", "x.txt"});
  EXPECT_EQ(basic.Status, 2);
  EXPECT_THAT(basic.Err, HasSubstr("--syntax basic"));
  EXPECT_TRUE(StateOf(Tree / "x.txt") == before);
  const ToolTest::ToolResult bracket =
      RunIn(Tree.Path(), {"change", "--syntax", "extended", "[\\]", "X", "x.txt"});
  EXPECT_EQ(bracket.Status, 2);
  EXPECT_THAT(bracket.Err, HasSubstr("backslash inside brackets"));

  EXPECT_EQ(RunIn(Tree.Path(), {"change", "-i", "AXB", "<$&>", "x.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.txt"), "[a.b] <axb> A\n");
}

TEST_F(Change, SavedCopiesKeepTheOldContent) {
  const std::string oldIni = TemporaryDirectory::Read(Tree / "app.ini");
  const std::string oldConf = TemporaryDirectory::Read(Tree / "deploy.conf");
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "--save-ext", ".bak", "old\\.example", "new.example", "*"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "app.bak"), oldIni);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.bak"), oldConf);
  EXPECT_FALSE(fs::exists(Tree / "keep.bak"));  // nothing matched there
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf"), "target=new.example.org\nretries=3\n");
  EXPECT_THAT(result.Out, HasSubstr("3 replacements written, 2 files changed"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "notes/todo.txt"),
            "move off old.example.org\nno host here\n");
}

// As sed -i.bak: the suffix after the whole name, an earlier backup replaced, and a second
// run passes over the backups instead of backing them up in turn.
TEST_F(Change, BackupsAppendTheSuffixAsSedDoes) {
  const std::string oldIni = TemporaryDirectory::Read(Tree / "app.ini");
  Tree.Write("app.ini.bak", "an earlier backup\n");
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "--backup", ".bak", "old\\.example", "new.example", "*"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "app.ini.bak"), oldIni);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf.bak"), "target=old.example.org\nretries=3\n");
  EXPECT_FALSE(fs::exists(Tree / "keep.txt.bak"));
  EXPECT_THAT(result.Out, HasSubstr("3 replacements written, 2 files changed"));

  Tree.Write("deploy.conf", "target=old.example.org\n");
  const ToolTest::ToolResult second =
      RunIn(Tree.Path(), {"change", "--backup", ".bak", "old\\.example", "new.example", "."});
  EXPECT_EQ(second.Status, 0) << second.Err;
  EXPECT_THAT(second.Err, HasSubstr("deploy.conf.bak: skipped: its name ends with the backup "
                                    "suffix .bak"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf.bak"), "target=old.example.org\n");
  EXPECT_FALSE(fs::exists(Tree / "deploy.conf.bak.bak"));

  for (const std::vector<std::string>& refused :
       {std::vector<std::string>{"change", "--backup", "/x", "new", "old", "app.ini"},
        std::vector<std::string>{"change", "--backup", ".b", "--save-ext", "c", "new", "old",
                                 "app.ini"}}) {
    const ToolTest::ToolResult run = RunIn(Tree.Path(), refused);
    EXPECT_EQ(run.Status, 2);
    EXPECT_THAT(run.Err, HasSubstr("--backup"));
  }
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("new.example"));
}

TEST_F(Change, FirstReplacesOnlyTheFirstMatchOfEachLine) {
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "--first", "old", "new", "app.ini"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "app.ini"),
            "[build]\nhost = new.example.org\nport = 8080\nmail = ops@new.example.org\n");
  Tree.Write("twice.txt", "o o\no\n");
  ASSERT_EQ(RunIn(Tree.Path(), {"change", "--first", "o", "0", "twice.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "twice.txt"), "0 o\n0\n") << "as sed 's/o/0/'";
  const ToolTest::ToolResult dry =
      RunIn(Tree.Path(), {"change", "--first", "--dry-run", "o", "0", "twice.txt"});
  EXPECT_THAT(dry.Out, HasSubstr("-0 o\n+0 0\n")) << "the dry run shows what --first writes";
}

TEST_F(Change, NothingMatchedExitsOne) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"change", "zzz", "y", "*"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_THAT(result.Out, HasSubstr("0 replacements written, 0 files changed"));
}

TEST_F(Change, BadPatternChangesNothing) {
  const FileState before = StateOf(Tree / "app.ini");
  const ToolTest::ToolResult pattern = RunIn(Tree.Path(), {"change", "old(", "x", "*"});
  EXPECT_EQ(pattern.Status, 2);
  EXPECT_THAT(pattern.Err, HasSubstr("bad pattern"));
  EXPECT_TRUE(StateOf(Tree / "app.ini") == before);
}

TEST_F(Change, EmptyFormatDeletesTheMatches) {
  // As sed -i 's/old\.//g' would.
  const ToolTest::ToolResult dry =
      RunIn(Tree.Path(), {"change", "-n", "old\\.", "", "deploy.conf", "notes"});
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_THAT(dry.Out, HasSubstr("-target=old.example.org\n+target=example.org\n"));
  EXPECT_THAT(dry.Out, HasSubstr("dry run: 2 replacements in 2 files would be written"));
  const ToolTest::ToolResult real =
      RunIn(Tree.Path(), {"change", "old\\.", "", "deploy.conf", "notes"});
  EXPECT_EQ(real.Status, 0) << real.Err;
  EXPECT_THAT(real.Out, HasSubstr("2 replacements written, 2 files changed"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf"), "target=example.org\nretries=3\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "notes/todo.txt"),
            "move off example.org\nno host here\n");
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("old.example.org"));
}

TEST_F(Change, ReadOnlyFileIsSkippedWithAWarningAndTheRestIsChanged) {
  ASSERT_EQ(::chmod((Tree / "app.ini").c_str(), 0444), 0);
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "old\\.example", "new.example", "app.ini", "deploy.conf"});
  EXPECT_EQ(result.Status, 2);  // a file with matches was left as it was
  EXPECT_THAT(result.Err, HasSubstr("app.ini: skipped: it is read-only"));
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("host = old.example.org"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf"), "target=new.example.org\nretries=3\n");
  EXPECT_THAT(result.Out, HasSubstr("1 replacement written, 1 file changed"));

  const ToolTest::ToolResult dry = RunIn(Tree.Path(), {"change", "-n", "new\\.example", "x", "."});
  EXPECT_THAT(dry.Err, Not(HasSubstr("read-only")));  // app.ini holds no match of this
}

TEST_F(Change, SecondRunSkipsTheSavedCopiesAndNeverReplacesThem) {
  const std::string firstIni = TemporaryDirectory::Read(Tree / "app.ini");
  ASSERT_EQ(RunIn(Tree.Path(), {"change", "--save-ext", "bak", "old", "older", "app.ini"}).Status,
            0);
  ASSERT_EQ(TemporaryDirectory::Read(Tree / "app.bak"), firstIni);
  // The second run meets app.bak, which holds matches: a saved copy, passed over with a word.
  // app.ini's saved copy would replace app.bak, a file this run did not write: that is found
  // in the plan, so the run is refused before anything is written.
  const ToolTest::ToolResult second =
      RunIn(Tree.Path(), {"change", "--save-ext", "bak", "old", "new", "."});
  EXPECT_EQ(second.Status, 2);
  EXPECT_THAT(second.Err, HasSubstr("app.bak: skipped: its name carries the save extension .bak"));
  EXPECT_THAT(second.Out, HasSubstr("SaveCopyExists"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "app.bak"), firstIni);
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("host = older.example.org"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf"), "target=old.example.org\nretries=3\n");
  EXPECT_FALSE(fs::exists(Tree / "deploy.bak"));
}

TEST_F(Change, SavedCopyNeverReplacesAnotherFile) {
  // With --save-ext h, x.c's saved copy would be named x.h: the header is never overwritten.
  Tree.Write("x.c", "int old;\n");
  Tree.Write("x.h", "extern int kept;\n");
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "--save-ext", "h", "old", "new", "x.c", "x.h"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.h"), "extern int kept;\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.c"), "int old;\n");
  EXPECT_THAT(result.Out, HasSubstr("x.c (x.h)"));
  // Two files of one run with one saved copy's name: the run is refused before either is
  // written.
  Tree.Write("y.conf", "old\n");
  Tree.Write("y.txt", "old\n");
  const ToolTest::ToolResult both =
      RunIn(Tree.Path(), {"change", "--save-ext", "bak", "old", "new", "y.conf", "y.txt"});
  EXPECT_EQ(both.Status, 2);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "y.conf"), "old\n");
  EXPECT_FALSE(fs::exists(Tree / "y.bak"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "y.txt"), "old\n");
  EXPECT_THAT(both.Out, HasSubstr("SaveCopyCollision"));
  EXPECT_THAT(both.Out, HasSubstr("the saved copy of y.conf"));
}

TEST_F(Change, OnlyReplacementsThatChangeTextCountAndDryRunMatchesEmptyMatches) {
  const FileState keep = StateOf(Tree / "keep.txt");
  // Every replacement gives the text back: nothing to write, nothing counted, file untouched.
  const ToolTest::ToolResult same = RunIn(Tree.Path(), {"change", "o", "o", "keep.txt"});
  EXPECT_EQ(same.Status, 1);
  EXPECT_THAT(same.Out, HasSubstr("0 replacements written, 0 files changed"));
  EXPECT_TRUE(StateOf(Tree / "keep.txt") == keep);
  // Two matches, one of them replaced by itself.
  Tree.Write("ab.txt", "ab\n");
  const ToolTest::ToolResult half = RunIn(Tree.Path(), {"change", "[ab]", "a", "ab.txt"});
  EXPECT_THAT(half.Out, HasSubstr("1 replacement written, 1 file changed"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "ab.txt"), "aa\n");
  // Empty matches are replaced too, and the dry run shows exactly that; as in sed, the final
  // line feed ends the last line, so the empty text after it is no line and takes no dash.
  Tree.Write("e.txt", "abc\n");
  const ToolTest::ToolResult dry = RunIn(Tree.Path(), {"change", "-n", "x*", "-", "e.txt"});
  EXPECT_THAT(dry.Out, HasSubstr("-abc\n+-a-b-c-\ndry run"));
  EXPECT_THAT(dry.Out, HasSubstr("dry run: 4 replacements in 1 file"));
  const ToolTest::ToolResult real = RunIn(Tree.Path(), {"change", "x*", "-", "e.txt"});
  EXPECT_THAT(real.Out, HasSubstr("4 replacements written, 1 file changed"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "e.txt"), "-a-b-c-\n");
}

TEST_F(Change, MatchesStayWithinALineUnlessTheWholeTextIsAskedFor) {
  // sed -i 's/ *# .*//' stops at the line's end.
  Tree.Write("c.sh", "run  # first\nkeep\n");
  EXPECT_EQ(RunIn(Tree.Path(), {"change", " *# .*", "", "c.sh"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "c.sh"), "run\nkeep\n");
  // A negated bracket would take the line feed: the file is left as it is and reported.
  Tree.Write("s.txt", "a\nb\n");
  const ToolTest::ToolResult spanning = RunIn(Tree.Path(), {"change", "a[^x]*b", "X", "s.txt"});
  EXPECT_EQ(spanning.Status, 2);
  EXPECT_THAT(spanning.Out, HasSubstr("MatchSpansLines"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "s.txt"), "a\nb\n");
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "--whole-text", "a[^x]*b", "X", "s.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "s.txt"), "X\n");
}

TEST_F(Change, ALineEndsAtALineFeedOnly) {
  // sed -i 's/\r$//' mends every CR LF line; a CR or FF inside a line is no line end.
  Tree.Write("dos.txt", "a\r\nb\r\nc\rd\fe\n");
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "\\r$", "", "dos.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "dos.txt"), "a\nb\nc\rd\fe\n");
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "^[de]", "X", "dos.txt"}).Status, 1);
}

TEST_F(Change, PathsAreFilesAndDirectoriesAndAMissingOneIsTrouble) {
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "old", "new", "deploy.conf", "notes", "missing.txt"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Err, HasSubstr("missing.txt"));
  EXPECT_THAT(result.Out, HasSubstr("2 replacements written, 2 files changed"));
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "notes/todo.txt"), HasSubstr("new.example.org"));
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("old.example.org"));
}

TEST_F(Change, UnreadableFileIsNamedAndTheRestIsChanged) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  ASSERT_EQ(::chmod((Tree / "app.ini").c_str(), 0), 0);
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "old", "new", "app.ini", "deploy.conf"});
  ::chmod((Tree / "app.ini").c_str(), 0600);
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Out, HasSubstr("OpenFileFailed"));
  EXPECT_THAT(result.Out, HasSubstr(std::strerror(EACCES)));
  EXPECT_THAT(result.Out, HasSubstr("1 replacement written, 1 file changed"));
}

TEST_F(Change, BinaryFilesAreLeftAloneUnlessAsked) {
  Tree.Write("blob.bin", std::string("old\0data\n", 9));
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "old", "new", "blob.bin"}).Status, 1);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "blob.bin"), std::string("old\0data\n", 9));
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "-a", "old", "new", "blob.bin"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "blob.bin"), std::string("new\0data\n", 9));
}

TEST_F(Change, ThreadsReportInTheOrderOfOneThread) {
  for (int i = 0; i < 40; ++i)
    Tree.Write("many/f" + std::to_string(100 + i) + ".txt",
               std::string(static_cast<std::size_t>(i % 7) * 50, 'x') + " old " +
                   std::to_string(i) + "\n");
  ASSERT_EQ(::chmod((Tree / "many/f113.txt").c_str(), 0444), 0);
  const std::vector<std::string> dry = {"change", "-n", "old ([0-9]+)", "new $1", "many"};
  std::vector<std::string> one = dry, four = dry;
  one.insert(one.begin() + 1, {"-j", "1"});
  four.insert(four.begin() + 1, {"-j", "4"});
  const ToolTest::ToolResult single = RunIn(Tree.Path(), one);
  const ToolTest::ToolResult threaded = RunIn(Tree.Path(), four);
  EXPECT_EQ(single.Out, threaded.Out);
  EXPECT_EQ(single.Err, threaded.Err);
  EXPECT_THAT(single.Out, HasSubstr("39 replacements in 39 files"));

  const std::vector<std::string> real = {"change", "-j",           "4",      "--save-ext",
                                         "bak",    "old ([0-9]+)", "new $1", "many"};
  const ToolTest::ToolResult written = RunIn(Tree.Path(), real);
  EXPECT_EQ(written.Status, 2);  // the read-only file
  EXPECT_THAT(written.Out, HasSubstr("39 replacements written, 39 files changed"));
  for (int i = 0; i < 40; ++i) {
    const std::string name = "many/f" + std::to_string(100 + i);
    const std::string word = i == 13 ? " old " : " new ";
    EXPECT_THAT(TemporaryDirectory::Read(Tree / (name + ".txt")),
                HasSubstr(word + std::to_string(i)));
    EXPECT_EQ(fs::exists(Tree / (name + ".bak")), i != 13) << name;
  }
}

TEST_F(Change, FileThatCannotBeRewrittenIsReportedAndOthersAreChanged) {
  // Root passes every permission check, so the problem comes from a file size limit: writing
  // the larger file's new content fails, the small file fits.
  std::string large;
  for (int i = 0; i < 200; ++i) large += "old.example.org line " + std::to_string(i) + "\n";
  Tree.Write("large.txt", large);
  Tree.Write("small.txt", "old.example.org\n");
  ToolTest::ToolRun run;
  run.Arguments = {"change", "old\\.example", "a-much-longer-name.example", "*.txt"};
  run.WorkingDirectory = Tree.Path();
  run.FileSizeLimit = static_cast<long>(large.size());
  const ToolTest::ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "large.txt"), large);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "small.txt"), "a-much-longer-name.example.org\n");
  EXPECT_THAT(result.Out, HasSubstr("1 replacement written, 1 file changed"));
  EXPECT_THAT(result.Out, HasSubstr("1 file was not changed:"));
  EXPECT_THAT(result.Out, HasSubstr("file"));
  EXPECT_THAT(result.Out, HasSubstr("large.txt ("));
  EXPECT_THAT(result.Out, HasSubstr("WriteFailed"));
  EXPECT_THAT(result.Out, HasSubstr(std::strerror(EFBIG)));
  // No temporary file is left behind.
  for (const std::string& name : Tree.Entries())
    EXPECT_EQ(name.find(".large.txt"), std::string::npos) << name;
}

TEST_F(Change, NoProgressLineWhenNotOnATerminal) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"change", "old", "new", "*"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_THAT(result.Err, Not(HasSubstr("changing:")));
}

}  // namespace
