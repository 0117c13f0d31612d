// The component's file operations: engine positions in the file events, the change run with
// its problem list, ReadOnlyFile through the framework's attributes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "Handlers.h"
#include "OtherUser.h"
#include "TemporaryDirectory.h"
#include "grepkit/Regularexpressioncustom.h"

namespace {

using RE = RegexComponent::RegularExpressionCustom;
using GrepkitTest::Recorder;
using TestSupport::TemporaryDirectory;

TEST(ComponentFileGrep, FileEventsCarryEnginePositionsWhileSearchReportsFromOne) {
  TemporaryDirectory dir;
  const std::string file = dir.Write("a.txt", "xab\nab");
  Recorder files;
  Recorder search;
  RE re(nullptr);
  re.SetExpression("a(b)");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  re.OnGreppingFiles = files.OnFile();
  EXPECT_EQ(re.GrepFiles(), 2u);
  ASSERT_EQ(files.Calls.size(), 2u);
  EXPECT_EQ(files.Calls[0].File, file);
  ASSERT_EQ(files.Calls[0].Matches.size(), 2u) << "whole match and group, no prefix or suffix";
  EXPECT_EQ(files.Calls[0].Matches[0].Position, 1);
  EXPECT_EQ(files.Calls[0].Matches[1].Position, 2);
  EXPECT_EQ(files.Calls[1].Matches[0].Position, 4);
  EXPECT_EQ(files.Calls[1].LineIndex, 2u);

  re.SetStringToMatch("xab\nab");
  re.OnSearching = search.OnMatch();
  ASSERT_TRUE(re.Search());
  EXPECT_EQ(search.Calls.at(0).Matches[0].Position, 2);
  EXPECT_EQ(search.Calls.at(0).Matches[1].Position, 3);
}

TEST(ComponentFileGrep, FindFilesAndAStoppingHandler) {
  TemporaryDirectory dir;
  dir.Write("1.txt", "hit");
  dir.Write("2.txt", "miss");
  dir.Write("sub/3.txt", "hit hit");
  Recorder found;
  RE re(nullptr);
  re.SetExpression("hit");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  re.OnFindFiles = found.OnFound();
  EXPECT_EQ(re.FindFiles(), 1u);
  re.DirectoryRecursion = true;
  found.Calls.clear();
  EXPECT_EQ(re.FindFiles(), 2u);
  ASSERT_EQ(found.Calls.size(), 2u);
  EXPECT_EQ(found.Calls[1].File, dir / "sub/3.txt");
  EXPECT_EQ(re.GrepFiles(), 3u);
  Recorder stopping;
  stopping.StopAfter = 1;
  re.OnGreppingFiles = stopping.OnFile();
  EXPECT_EQ(re.GrepFiles(), 1u);
  re.SetExpression("");
  EXPECT_EQ(re.GrepFiles(), 0u);
}

TEST(ComponentFileGrep, AFileTheEngineGivesUpOnIsNamedAfterTheRun) {
  TemporaryDirectory dir;
  dir.Write("a.txt", "b" + std::string(2000, 'a') + "cb");
  dir.Write("b.txt", "b");
  RE re(nullptr);
  re.SetExpression("(a*)*b\\1");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  EXPECT_EQ(re.GrepFiles(), 2u);
  EXPECT_TRUE(re.LastOperationAbandoned());
  const std::string reason = re.GetAbandonReason().ToString();
  EXPECT_EQ(reason.rfind(dir / "a.txt" + ": ", 0), 0u) << reason;
  EXPECT_EQ(reason.find('\n'), std::string::npos) << "one file";
  re.SetFormatString("X");
  EXPECT_EQ(re.ChangeFiles(), 1u);
  EXPECT_EQ(re.GetAbandonReason().ToString(), reason);
  re.SetFilesToMatch((dir / "b.txt").c_str());
  EXPECT_EQ(re.FindFiles(), 0u) << "b.txt was changed";
  EXPECT_FALSE(re.LastOperationAbandoned());
}

TEST(ComponentChangeFiles, ReplacesMatchesAndReportsEnginePositions) {
  TemporaryDirectory dir;
  const std::string a = dir.Write("a.txt", "one two one");
  const std::string b = dir.Write("b.txt", "none here");
  Recorder changing;
  RE re(nullptr);
  re.SetExpression("one");
  re.SetFormatString("1");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  re.SetSaveExtension("bak");
  re.OnChangingFiles = changing.OnFile();
  EXPECT_EQ(re.ChangeFiles(), 3u);
  EXPECT_EQ(TemporaryDirectory::Read(a), "1 two 1");
  EXPECT_EQ(TemporaryDirectory::Read(b), "n1 here");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a.bak"), "one two one");
  ASSERT_EQ(changing.Calls.size(), 3u);
  EXPECT_EQ(changing.Calls[0].Matches[0].Position, 0);
  EXPECT_EQ(changing.Calls[1].Matches[0].Position, 8);
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
}

TEST(ComponentChangeFiles, AReadOnlyFileEndsTheRun) {
  TemporaryDirectory dir;
  const std::string a = dir.Write("a.txt", "x");
  const std::string b = dir.Write("b.txt", "x");
  ASSERT_EQ(::chmod(b.c_str(), 0444), 0);
  RE re(nullptr);
  re.SetExpression("x");
  re.SetFormatString("y");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  EXPECT_EQ(re.ChangeFiles(), 1u);
  EXPECT_EQ(TemporaryDirectory::Read(a), "y");
  EXPECT_EQ(TemporaryDirectory::Read(b), "x");
}

TEST(ComponentChangeFiles, ProblemsCarryAnsiStringTexts) {
  TemporaryDirectory dir;
  const std::string a = dir.Write("a.txt", "x");
  RE re(nullptr);
  re.SetExpression("x");
  re.SetFormatString("y");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  re.SetSaveExtension("bak");
  // A directory where the saved copy must go makes the copy fail.
  std::filesystem::create_directory(dir / "a.bak");
  EXPECT_EQ(re.ChangeFiles(), 0u);
  const auto* problems = re.GetChangeFilesErrors();
  ASSERT_NE(problems, nullptr);
  ASSERT_EQ(problems->size(), 1u);
  EXPECT_EQ((*problems)[0].Problem, RE::SaveCopyFailed);
  EXPECT_EQ((*problems)[0].FileName.ToString(), dir / "a.bak");
  EXPECT_NE((*problems)[0].LastError, 0u);
  EXPECT_EQ(TemporaryDirectory::Read(a), "x");
}

TEST(ComponentReadOnlyFile, FollowsTheFrameworksAttributes) {
  TemporaryDirectory dir;
  const std::string writable = dir.Write("w", "");
  const std::string locked = dir.Write("r", "");
  ASSERT_EQ(::chmod(locked.c_str(), 0400), 0);
  RE re(nullptr);
  EXPECT_FALSE(re.ReadOnlyFile(writable));
  EXPECT_TRUE(re.ReadOnlyFile(locked));
  EXPECT_TRUE(re.ReadOnlyFile(dir / "missing"))
      << "attributes that cannot be read count as read-only";
}

TEST(ComponentSavedCopies, ExtensionsAreLookedForInTheOwnName) {
  RE re(nullptr);
  re.SetSaveExtension("BAK");
  EXPECT_TRUE(re.BackupFile("dir/file.bak"));
  EXPECT_FALSE(re.BackupFile("dir.bak/file"));
  EXPECT_EQ(re.GetFilePointer(nullptr), 0u);
}

// Run by another user through a folder it may write in: a file whose owner it cannot keep is
// left as it is unless the component allows the change, which then drops the set-id bits.
TEST(ComponentChangeFiles, AnOwnerThatCannotBeKeptIsReportedUnlessAllowed) {
  TestSupport::UserIds nobody;
  if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
  TemporaryDirectory dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
  const std::string path = dir.Write("tool", "run X");
  ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
  ASSERT_EQ(::chmod(path.c_str(), 06775), 0);
  RE settings(nullptr);
  EXPECT_FALSE(settings.GetAllowOwnerChange());
  for (const bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "not allowed");
    const int outcome = TestSupport::RunAs(nobody, [&] {
      RE re(nullptr);
      re.SetExpression("X");
      re.SetFormatString("Y");
      re.SetFilesToMatch(path.c_str());
      re.SetAllowOwnerChange(allow);
      const unsigned changed = re.ChangeFiles();
      const auto* problems = re.GetChangeFilesErrors();
      if (allow) return changed == 1 && problems == nullptr ? 0 : 1;
      return changed == 0 && problems != nullptr && problems->size() == 1 &&
                     (*problems)[0].Problem == RE::OwnerNotKept
                 ? 0
                 : 2;
    });
    EXPECT_EQ(outcome, 0);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(TemporaryDirectory::Read(path), allow ? "run Y" : "run X");
    EXPECT_EQ(info.st_uid, allow ? nobody.User : 1234u);
    EXPECT_EQ(info.st_mode & 07777, allow ? 0775u : 06775u);
  }
}

}  // namespace
