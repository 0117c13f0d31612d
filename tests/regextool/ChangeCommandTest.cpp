// change end to end: dry runs touch nothing and show the real run's result as a diff; real
// runs write, keep saved copies, stop at read-only files and report files they could not change.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST_F(Change, ReplacementIsFormattedWithAllTheOptions) {
  // The search reads the pattern in the normal syntax (a+ is a repeat); the replacement merges
  // with every option, and in basic syntax a+ is literal text, absent from "aaa": the matched
  // text stays as it is. The dry run must predict exactly that.
  Tree.Write("x.txt", "aaa b\n");
  const std::vector<std::string> run = {"change", "--syntax", "basic", "a+", "X", "x.txt"};
  std::vector<std::string> dry = run;
  dry.insert(dry.begin() + 1, "--dry-run");
  const ToolTest::ToolResult preview = RunIn(Tree.Path(), dry);
  EXPECT_THAT(preview.Out, Not(HasSubstr("--- a/x.txt")));
  EXPECT_THAT(preview.Out, HasSubstr("1 replacement in 1 file would be written"));
  const ToolTest::ToolResult real = RunIn(Tree.Path(), run);
  EXPECT_THAT(real.Out, HasSubstr("1 replacement written"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.txt"), "aaa b\n");

  EXPECT_EQ(RunIn(Tree.Path(), {"change", "-i", "AAA", "[$&]", "x.txt"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "x.txt"), "[aaa] b\n");
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

TEST_F(Change, NothingMatchedExitsOne) {
  const ToolTest::ToolResult result = RunIn(Tree.Path(), {"change", "zzz", "y", "*"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_THAT(result.Out, HasSubstr("0 replacements written, 0 files changed"));
}

TEST_F(Change, BadPatternOrEmptyFormatChangesNothing) {
  const FileState before = StateOf(Tree / "app.ini");
  const ToolTest::ToolResult pattern = RunIn(Tree.Path(), {"change", "old(", "x", "*"});
  EXPECT_EQ(pattern.Status, 2);
  EXPECT_THAT(pattern.Err, HasSubstr("bad pattern"));
  EXPECT_EQ(RunIn(Tree.Path(), {"change", "old", "", "*"}).Status, 2);
  EXPECT_TRUE(StateOf(Tree / "app.ini") == before);
}

TEST_F(Change, ReadOnlyFileEndsTheRunAndIsNamed) {
  // Files are taken in byte order of their names: app.ini, then deploy.conf.
  ASSERT_EQ(::chmod((Tree / "deploy.conf").c_str(), 0444), 0);
  const ToolTest::ToolResult result =
      RunIn(Tree.Path(), {"change", "old\\.example", "new.example", "*"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("host = new.example.org"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "deploy.conf"), "target=old.example.org\nretries=3\n");
  EXPECT_THAT(result.Out, HasSubstr("2 replacements written, 1 file changed"));
  EXPECT_THAT(result.Out, HasSubstr("stopped at deploy.conf: it is read-only"));

  const ToolTest::ToolResult dry = RunIn(Tree.Path(), {"change", "-n", "new\\.example", "x", "*"});
  EXPECT_THAT(dry.Out, Not(HasSubstr("would stop")));  // deploy.conf holds no match of this
}

TEST_F(Change, SavedCopyInTheWayEndsTheRun) {
  Tree.Write("app.bak", "an older old.example.org copy\n");
  const ToolTest::ToolResult dry = RunIn(
      Tree.Path(), {"change", "-n", "--save-ext", "bak", "old\\.example", "new.example", "*"});
  EXPECT_EQ(dry.Status, 2);
  EXPECT_THAT(dry.Out,
              HasSubstr("would stop at app.bak: its name carries the save extension .bak"));
  EXPECT_THAT(dry.Out, HasSubstr("0 replacements in 0 files"));
  const ToolTest::ToolResult real =
      RunIn(Tree.Path(), {"change", "--save-ext", "bak", "old\\.example", "new.example", "*"});
  EXPECT_EQ(real.Status, 2);
  EXPECT_THAT(real.Out, HasSubstr("stopped at app.bak"));
  EXPECT_THAT(TemporaryDirectory::Read(Tree / "app.ini"), HasSubstr("old.example.org"));
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
