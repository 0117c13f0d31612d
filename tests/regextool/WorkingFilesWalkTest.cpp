// Working files a killed run left: every command that walks a directory finishes an
// interrupted in-place copy before it visits the directory's files, a dry run changes nothing
// on disk, and a file whose copy is still unfinished is never searched.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "ToolRun.h"
#include "grepcore/Walk.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

std::string Lines(const std::string& word, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += word + " line " + std::to_string(i) + "\n";
  return text;
}

// The old content has "old" on every line, the new one nowhere.
const std::string OldContent = Lines("old", 12000);
const std::string NewContent = Lines("new", 16000);

class LeftOverCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("other.txt", "old and untouched\n");
    const std::string target = Tree.Write("d/t.txt", OldContent);
    // An in-place copy cut short after its first block: the file is part new, part old, and
    // its working file waits beside it, as a run killed during the copy leaves them.
    Platform::TemporaryFile temporary = Platform::TemporaryFile::CreateBeside(target);
    ASSERT_TRUE(temporary);
    ASSERT_TRUE(temporary.Output().WriteAll(NewContent.data(), NewContent.size()) &&
                temporary.Output().Sync());
    Platform::FailCall(Platform::Call::Write, 2, EIO);
    EXPECT_FALSE(temporary.ReplaceInPlace(target));
    Platform::ClearFaults();
    Torn = TemporaryDirectory::Read(target);
    ASSERT_NE(Torn, OldContent);
    ASSERT_NE(Torn, NewContent);
    ASSERT_EQ(CopiesLeft(), 1u);
  }

  std::size_t CopiesLeft() const {
    std::size_t count = 0;
    for (const std::string& name : Tree.Entries("d"))
      if (name.size() > 8 && name.compare(name.size() - 8, 8, ".~rxcopy") == 0) ++count;
    return count;
  }

  void ExpectRolledForward() const {
    EXPECT_EQ(TemporaryDirectory::Read(Tree / "d/t.txt"), NewContent);
    EXPECT_EQ(CopiesLeft(), 0u);
  }

  TemporaryDirectory Tree;
  std::string Torn;
};

TEST_F(LeftOverCopy, GrepFilesFinishesTheCopyBeforeSearching) {
  const ToolResult result = RunIn(Tree.Path(), {"grep-files", "old", "other.txt", "d"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "other.txt:old and untouched\n");  // the torn half never searched
  ExpectRolledForward();
}

TEST_F(LeftOverCopy, FindFilesFinishesTheCopyBeforeSearching) {
  const ToolResult result = RunIn(Tree.Path(), {"find-files", "old", "other.txt", "d"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "other.txt\n");
  ExpectRolledForward();
}

TEST_F(LeftOverCopy, AFileNamedOnTheCommandLineIsFinishedFirstToo) {
  const ToolResult result = RunIn(Tree.Path(), {"grep-files", "-c", "old", "d/t.txt"});
  EXPECT_EQ(result.Status, 1) << result.Err;
  EXPECT_EQ(result.Out, "0\n");
  ExpectRolledForward();
}

TEST_F(LeftOverCopy, ChangeFinishesTheCopyAndChangesTheRest) {
  const ToolResult result = RunIn(Tree.Path(), {"change", "old", "new", "other.txt", "d"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_THAT(result.Out, HasSubstr("1 replacement written, 1 file changed"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "other.txt"), "new and untouched\n");
  ExpectRolledForward();
}

TEST_F(LeftOverCopy, ADryRunChangesNothingAndSkipsTheTornFile) {
  const ToolResult result =
      RunIn(Tree.Path(), {"change", "--dry-run", "old", "new", "other.txt", "d"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Err, HasSubstr("d/t.txt: skipped: its in-place copy"));
  EXPECT_THAT(result.Out, HasSubstr("+++ b/other.txt"));
  EXPECT_THAT(result.Out, Not(HasSubstr("d/t.txt")));
  EXPECT_THAT(result.Out, HasSubstr("dry run: 1 replacement in 1 file"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "d/t.txt"), Torn);
  EXPECT_EQ(CopiesLeft(), 1u);
  // The same from the walk itself: nothing tidied, the torn file named and not handed on.
  grepcore::WalkOptions selection;
  selection.Roots = {Tree / "other.txt", Tree / "d"};
  selection.ChangeNothing = true;
  std::vector<std::string> visited;
  const std::vector<grepcore::WalkProblem> problems =
      grepcore::Walk(selection, [&](grepcore::WalkedFile&& file) { visited.push_back(file.Path); });
  EXPECT_EQ(visited, std::vector<std::string>{Tree / "other.txt"});
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Kind, grepcore::WalkProblemKind::Unfinished);
  EXPECT_EQ(problems[0].Path, Tree / "d/t.txt");
  EXPECT_EQ(CopiesLeft(), 1u);
}

TEST_F(LeftOverCopy, ACopyStillHeldByItsWriterIsLeftAndItsFileNeverSearched) {
  // A process still working with the copy holds its lock: the walk leaves it, and the torn
  // file is passed over with a word, --hidden or not.
  std::string copy;
  for (const std::string& name : Tree.Entries("d"))
    if (name.find(".~rxcopy") != std::string::npos) copy = name;
  const int holder = ::open((Tree / ("d/" + copy)).c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const ToolResult held =
      RunIn(Tree.Path(), {"grep-files", "--hidden", "-l", "e", "other.txt", "d"});
  ::close(holder);
  EXPECT_EQ(held.Status, 2);
  EXPECT_EQ(held.Out, "other.txt\n");
  EXPECT_THAT(held.Err,
              HasSubstr("d/t.txt: skipped: its in-place copy " + copy + " is unfinished"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "d/t.txt"), Torn);
  // Once its writer is gone, the next walk finishes it; a working file is never searched.
  const ToolResult after =
      RunIn(Tree.Path(), {"grep-files", "--hidden", "-l", "e", "other.txt", "d"});
  EXPECT_EQ(after.Status, 0) << after.Err;
  EXPECT_EQ(after.Out, "other.txt\nd/t.txt\n");
  ExpectRolledForward();
}

}  // namespace
