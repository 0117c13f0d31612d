// Working files left in a directory other users may write in: only the toolkit's own, bound to
// their target, are acted on; the rest are left alone and block their target.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "OtherUser.h"
#include "TemporaryDirectory.h"
#include "platform/Directory.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"
#include "platform/WorkingFiles.h"

namespace {

using Platform::TidyMode;
using Platform::TidyOutcome;
using TestSupport::TemporaryDirectory;

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// The bytes of a working file binding `content` to the file `target` (what the toolkit writes,
// and what an attacker who knows the format can write too).
std::string CopyBytes(const std::string& content, const std::string& target) {
  const struct stat info = StatOf(target);
  const std::vector<char> record = Platform::InPlaceCopyRecord(
      static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
      content.data(), content.size());
  return content + std::string(record.begin(), record.end());
}

bool WriteFile(const std::string& path, const std::string& bytes, mode_t mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
  if (fd < 0) return false;
  const bool written =
      ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && written && ::fchmodat(AT_FDCWD, path.c_str(), mode, 0) == 0;
}

struct Tidying {
  std::set<std::string> Blocked;
  std::vector<Platform::TidyResult> Untidied;
};

Tidying TidyAll(const std::string& directory, TidyMode mode) {
  Tidying tidying;
  Platform::Directory handle;
  EXPECT_TRUE(handle.Open(directory));
  std::vector<Platform::DirectoryEntry> entries;
  EXPECT_TRUE(handle.List(entries));
  tidying.Blocked = Platform::TidyWorkingFiles(handle, entries, mode, &tidying.Untidied);
  return tidying;
}

class WorkingFileTrustTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }
  TemporaryDirectory dir;
};

// The attack: a user who may write in a folder plants a working file naming the inode of a
// root-owned file hard-linked into it; a later root walk must not roll it "forward".
TEST_F(WorkingFileTrustTest, APlantedCopyNeverOverwritesAnotherUsersFile) {
  TestSupport::UserIds nobody;
  if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string victim = dir.Write("shadow", "root:secret\n");
  ASSERT_EQ(::chmod(victim.c_str(), 0644), 0);
  const std::string shared = dir / "shared";
  ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
  ASSERT_EQ(::chown(shared.c_str(), nobody.User, nobody.Group), 0);
  const std::string linked = shared + "/v";
  ASSERT_EQ(::link(victim.c_str(), linked.c_str()), 0);
  const std::string copyName = Platform::InPlaceCopyName("v", StatOf(victim).st_ino);
  const std::string forged = CopyBytes("root::0:attacker\n", victim);

  ASSERT_EQ(TestSupport::RunAs(
                nobody, [&] { return WriteFile(shared + "/" + copyName, forged, 0600) ? 0 : 1; }),
            0);
  ASSERT_EQ(StatOf(shared + "/" + copyName).st_uid, nobody.User);

  for (TidyMode mode : {TidyMode::LookOnly, TidyMode::Finish}) {
    const Tidying tidying = TidyAll(shared, mode);
    EXPECT_EQ(tidying.Blocked, (std::set<std::string>{"v"}));
    ASSERT_EQ(tidying.Untidied.size(), 1u);
    EXPECT_EQ(tidying.Untidied[0].Outcome, TidyOutcome::Untrusted);
    EXPECT_EQ(tidying.Untidied[0].WorkingName, copyName);
    EXPECT_EQ(tidying.Untidied[0].BlockedName, "v");
    EXPECT_EQ(TemporaryDirectory::Read(victim), "root:secret\n");
    EXPECT_EQ(dir.Entries("shared"), (std::vector<std::string>{copyName, "v"})) << "left as it is";
  }
}

// The same user's own interrupted copy of its own file is finished by root's walk.
TEST_F(WorkingFileTrustTest, AUsersOwnCopyOfItsOwnFileIsFinished) {
  TestSupport::UserIds nobody;
  if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string shared = dir / "shared";
  ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
  ASSERT_EQ(::chown(shared.c_str(), nobody.User, nobody.Group), 0);
  const std::string own = shared + "/mine";
  ASSERT_EQ(TestSupport::RunAs(nobody, [&] { return WriteFile(own, "torn ol", 0644) ? 0 : 1; }), 0);
  const std::string copyName = Platform::InPlaceCopyName("mine", StatOf(own).st_ino);
  const std::string bytes = CopyBytes("new content\n", own);
  ASSERT_EQ(TestSupport::RunAs(
                nobody, [&] { return WriteFile(shared + "/" + copyName, bytes, 0600) ? 0 : 1; }),
            0);

  const Tidying tidying = TidyAll(shared, TidyMode::Finish);
  EXPECT_TRUE(tidying.Blocked.empty());
  EXPECT_TRUE(tidying.Untidied.empty());
  EXPECT_EQ(TemporaryDirectory::Read(own), "new content\n");
  EXPECT_EQ(dir.Entries("shared"), std::vector<std::string>{"mine"});
}

// Every way a working file can fail to be provably the toolkit's own for its target.
TEST_F(WorkingFileTrustTest, AnythingButTheToolkitsOwnBoundCopyIsLeftAlone) {
  const std::string target = dir.Write("t", "old content");
  const std::string copyName = Platform::InPlaceCopyName("t", StatOf(target).st_ino);
  const std::string path = dir / copyName;
  const std::string good = CopyBytes("new", target);
  std::string badSum = good;
  badSum[0] = 'N';
  const std::string other = dir.Write("unrelated", "x");
  const struct {
    const char* name;
    std::function<void()> plant;
  } cases[] = {
      {"mode 0644", [&] { ASSERT_TRUE(WriteFile(path, good, 0644)); }},
      {"mode 0400", [&] { ASSERT_TRUE(WriteFile(path, good, 0400)); }},
      {"two links",
       [&] {
         ASSERT_TRUE(WriteFile(path, good, 0600));
         ASSERT_EQ(::link(path.c_str(), (dir / "second").c_str()), 0);
       }},
      {"a link",
       [&] {
         ASSERT_TRUE(WriteFile(dir / "elsewhere", good, 0600));
         ASSERT_EQ(::symlink("elsewhere", path.c_str()), 0);
       }},
      {"no record", [&] { ASSERT_TRUE(WriteFile(path, "new", 0600)); }},
      {"wrong checksum", [&] { ASSERT_TRUE(WriteFile(path, badSum, 0600)); }},
      {"another file's record",
       [&] { ASSERT_TRUE(WriteFile(path, CopyBytes("new", other), 0600)); }},
      {"cut short", [&] { ASSERT_TRUE(WriteFile(path, good.substr(0, good.size() - 1), 0600)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.plant();
    for (TidyMode mode : {TidyMode::Finish, TidyMode::LookOnly}) {
      const Tidying tidying = TidyAll(dir.Path(), mode);
      EXPECT_EQ(tidying.Blocked, (std::set<std::string>{"t"}));
      ASSERT_EQ(tidying.Untidied.size(), 1u);
      EXPECT_EQ(tidying.Untidied[0].Outcome, TidyOutcome::Untrusted);
      EXPECT_EQ(TemporaryDirectory::Read(target), "old content");
    }
    EXPECT_EQ(::lstat(path.c_str(), std::make_unique<struct stat>().get()), 0) << "still there";
    ::unlink(path.c_str());
    ::unlink((dir / "second").c_str());
    ::unlink((dir / "elsewhere").c_str());
  }
}

// A temporary file is removed only when it passes the same checks.
TEST_F(WorkingFileTrustTest, ATemporaryFileIsRemovedOnlyWhenItIsTheToolkitsOwn) {
  dir.Write("a.txt", "data");
  const std::string kept = dir.Write("kept", "someone's file");
  const std::string linked = dir / ".a.txt.Ab12Cd34.~rxtmp";
  ASSERT_EQ(::link(kept.c_str(), linked.c_str()), 0);
  ASSERT_EQ(::chmod((dir / "a.txt").c_str(), 0644), 0);
  ASSERT_TRUE(
      WriteFile(dir / ".a.txt.Zz99Yy88.~rxtmp", "x", 0640));  // neither 0600 nor a.txt's mode
  ASSERT_TRUE(
      WriteFile(dir / ".a.txt.Ab12Yy88.~rxtmp", "x", 0644));  // killed just before its rename
  const Tidying tidying = TidyAll(dir.Path(), TidyMode::Finish);
  EXPECT_TRUE(tidying.Blocked.empty()) << "a temporary file blocks nothing";
  ASSERT_EQ(tidying.Untidied.size(), 2u);
  for (const Platform::TidyResult& result : tidying.Untidied)
    EXPECT_EQ(result.Outcome, TidyOutcome::Untrusted);
  EXPECT_EQ(dir.Entries().size(), 4u) << "only the last one removed";
  EXPECT_EQ(TemporaryDirectory::Read(kept), "someone's file");
}

// A dry run's tidying changes nothing on disk, but still tells which file is torn, under each
// of its names.
TEST_F(WorkingFileTrustTest, LookingOnlyChangesNothingAndTellsWhatIsUnfinished) {
  const std::string oldContent(200000, 'o');
  const std::string newContent(300000, 'n');
  const std::string target = dir.Write("t", oldContent);
  ASSERT_EQ(::link(target.c_str(), (dir / "u").c_str()), 0);
  {
    auto temporary = Platform::TemporaryFile::CreateBeside(target);
    ASSERT_TRUE(temporary.Output().WriteAll(newContent.data(), newContent.size()));
    Platform::FailCall(Platform::Call::Write, 2, EIO);
    EXPECT_FALSE(temporary.ReplaceInPlace(target));
  }
  Platform::ClearFaults();
  ASSERT_TRUE(WriteFile(dir / ".t.Ab12Cd34.~rxtmp", "abandoned", 0600));
  const std::string torn = TemporaryDirectory::Read(target);
  const std::vector<std::string> before = dir.Entries();
  ASSERT_EQ(before.size(), 4u);

  const Tidying looked = TidyAll(dir.Path(), TidyMode::LookOnly);
  EXPECT_EQ(looked.Blocked, (std::set<std::string>{"t", "u"}));
  ASSERT_EQ(looked.Untidied.size(), 2u);
  for (const Platform::TidyResult& result : looked.Untidied)
    EXPECT_EQ(result.Outcome, TidyOutcome::Unfinished);
  EXPECT_EQ(dir.Entries(), before);
  EXPECT_EQ(TemporaryDirectory::Read(target), torn);

  const Tidying finished = TidyAll(dir.Path(), TidyMode::Finish);
  EXPECT_TRUE(finished.Blocked.empty());
  EXPECT_TRUE(finished.Untidied.empty());
  EXPECT_EQ(TemporaryDirectory::Read(target), newContent);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"t", "u"}));
}

}  // namespace
