// New content beside a file, put in place by rename or by a recoverable in-place copy, and the
// tidying of what a killed process left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "platform/Directory.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"
#include "platform/ThreadSlot.h"
#include "platform/WorkingFiles.h"

namespace {

using TestSupport::TemporaryDirectory;

class TemporaryFileTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }
  TemporaryDirectory dir;
};

std::uint64_t InodeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return static_cast<std::uint64_t>(info.st_ino);
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Tidies one working file of `directory` through a handle, as a walk does.
Platform::TidyResult Tidy(const std::string& directory, const std::string& name,
                          Platform::TidyMode mode = Platform::TidyMode::Finish) {
  Platform::Directory handle;
  EXPECT_TRUE(handle.Open(directory));
  return Platform::TidyWorkingFile(handle, name, mode);
}

// Writes the working file of an in-place copy as the toolkit does: the content, then the
// record binding it to `target`, mode 0600.
void WriteCopy(const TemporaryDirectory& dir, const std::string& name, const std::string& content,
               const std::string& target) {
  const struct stat info = StatOf(target);
  std::string bytes = content;
  const std::vector<char> record = Platform::InPlaceCopyRecord(
      static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
      content.data(), content.size());
  bytes.append(record.begin(), record.end());
  const std::string path = dir.Write(name, bytes);
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
}

bool Put(Platform::TemporaryFile& temporary, const std::string& content) {
  return temporary.Output().WriteAll(content.data(), content.size()) && temporary.Output().Sync();
}

TEST_F(TemporaryFileTest, NewContentHasNoNameBesideItsFileUntilItIsInPlace) {
  const std::string target = dir.Write("sub/notes.txt", "old");
  auto first = Platform::TemporaryFile::CreateBeside(target);
  auto second = Platform::TemporaryFile::CreateBeside(target);
  ASSERT_TRUE(first && second) << Platform::LastError();
  EXPECT_NE(first.Name(), second.Name());
  EXPECT_EQ(first.Name().rfind(dir / "sub/.notes.txt.", 0), 0u) << first.Name();
  ASSERT_TRUE(Put(first, "new"));
  EXPECT_EQ(dir.Entries("sub"), std::vector<std::string>{"notes.txt"});
  ASSERT_TRUE(first.ReplaceByRename(target));
  EXPECT_EQ(TemporaryDirectory::Read(target), "new");
  EXPECT_EQ(dir.Entries("sub"), std::vector<std::string>{"notes.txt"});
}

TEST_F(TemporaryFileTest, AFileWithALongNameIsReplacedToo) {
  const std::string target = dir.Write(std::string(250, 'n'), "old");
  auto temporary = Platform::TemporaryFile::CreateBeside(target);
  ASSERT_TRUE(temporary && Put(temporary, "new"));
  ASSERT_TRUE(temporary.ReplaceByRename(target)) << Platform::LastError();
  EXPECT_EQ(TemporaryDirectory::Read(target), "new");
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST_F(TemporaryFileTest, ATemporaryFileNotPutInPlaceVanishes) {
  const std::string target = dir.Write("f", "old");
  {
    auto temporary = Platform::TemporaryFile::CreateBeside(target);
    ASSERT_TRUE(Put(temporary, "never used"));
    Platform::FailCall(Platform::Call::Replace, 1, EIO);
    EXPECT_FALSE(temporary.ReplaceByRename(target));
  }
  EXPECT_EQ(TemporaryDirectory::Read(target), "old");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f"});
}

TEST_F(TemporaryFileTest, AWriterKilledMidWayLeavesNothingBehind) {
  const std::string target = dir.Write("f", "old");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto temporary = Platform::TemporaryFile::CreateBeside(target);
    const std::string block(1 << 20, 'x');
    temporary.Output().WriteAll(block.data(), block.size());
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f"});
}

TEST_F(TemporaryFileTest, AnInPlaceCopyKeepsHardLinksTogether) {
  const std::string target = dir.Write("t", "a much longer old content");
  const std::string other = dir / "other-name";
  ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
  auto temporary = Platform::TemporaryFile::CreateBeside(target);
  ASSERT_TRUE(Put(temporary, "new"));
  ASSERT_TRUE(temporary.ReplaceInPlace(target));
  EXPECT_EQ(TemporaryDirectory::Read(target), "new");
  EXPECT_EQ(TemporaryDirectory::Read(other), "new");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"other-name", "t"})) << "no working file";
}

TEST_F(TemporaryFileTest, AnInPlaceCopyCutShortIsFinishedByTheNextTidy) {
  const std::string oldContent(200000, 'o');
  std::string newContent(300000, 'n');
  newContent.back() = '!';
  const std::string target = dir.Write("t", oldContent);
  const std::string other = dir / "other-name";
  ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
  {
    auto temporary = Platform::TemporaryFile::CreateBeside(target);
    ASSERT_TRUE(Put(temporary, newContent));
    // The first block of the copy lands, the second fails.
    Platform::FailCall(Platform::Call::Write, 2, EIO);
    EXPECT_FALSE(temporary.ReplaceInPlace(target));
    EXPECT_EQ(Platform::LastError(), EIO);
  }
  Platform::ClearFaults();
  const std::string torn = TemporaryDirectory::Read(target);
  EXPECT_NE(torn, oldContent);
  EXPECT_NE(torn, newContent);
  const std::string copyName = Platform::InPlaceCopyName("t", InodeOf(target));
  ASSERT_EQ(dir.Entries(), (std::vector<std::string>{copyName, "other-name", "t"}));
  EXPECT_EQ(Platform::KindOfWorkingFile(copyName), Platform::WorkingFileKind::InterruptedCopy);

  EXPECT_EQ(Tidy(dir.Path(), copyName).Outcome, Platform::TidyOutcome::Tidied);
  EXPECT_EQ(TemporaryDirectory::Read(target), newContent);
  EXPECT_EQ(TemporaryDirectory::Read(other), newContent);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"other-name", "t"}));
}

TEST_F(TemporaryFileTest, ACopyUnderAShortenedNameFindsItsTargetByInode) {
  const std::string longName(240, 'L');
  const std::string target = dir.Write(longName, "old");
  const std::string copyName = Platform::InPlaceCopyName(longName, InodeOf(target));
  ASSERT_LT(copyName.size(), 256u);
  WriteCopy(dir, copyName, "new content", target);
  EXPECT_EQ(Tidy(dir.Path(), copyName).Outcome, Platform::TidyOutcome::Tidied);
  EXPECT_EQ(TemporaryDirectory::Read(target), "new content");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{longName});
}

TEST_F(TemporaryFileTest, TidyingRemovesOnlyWhatNoProcessHolds) {
  const std::string target = dir.Write("a.txt", "user data");
  const std::string abandoned = ".a.txt.Ab12Cd34.~rxtmp";
  const std::string held = ".a.txt.Zz99Yy88.~rxtmp";
  const std::string notOurs = ".a.txt.Ab12Cd34";
  dir.Write(abandoned, "left by a killed run");
  dir.Write(held, "being written");
  dir.Write(notOurs, "a user's hidden file");
  for (const std::string& name : {abandoned, held})
    ASSERT_EQ(::chmod((dir / name).c_str(), 0600), 0);
  const int holder = ::open((dir / held).c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  for (const std::string& name : {abandoned, held, notOurs}) Tidy(dir.Path(), name);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{notOurs, held, "a.txt"}));
  EXPECT_EQ(Tidy(dir.Path(), held).Outcome, Platform::TidyOutcome::InUse);
  ::close(holder);
  EXPECT_EQ(Tidy(dir.Path(), held).Outcome, Platform::TidyOutcome::Tidied);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{notOurs, "a.txt"}));
  EXPECT_EQ(TemporaryDirectory::Read(target), "user data");
}

TEST_F(TemporaryFileTest, ACopyWhoseTargetIsGoneIsDropped) {
  const std::string bystander = dir.Write("bystander", "unchanged");
  // A record for a file that no longer is there (its inode is not in the directory).
  const std::string copyName = Platform::InPlaceCopyName("gone", 0x7fffffff);
  const struct stat info = StatOf(bystander);
  std::string bytes = "new";
  const std::vector<char> record = Platform::InPlaceCopyRecord(
      static_cast<std::uint64_t>(info.st_dev), 0x7fffffff, bytes.data(), bytes.size());
  bytes.append(record.begin(), record.end());
  dir.Write(copyName, bytes);
  ASSERT_EQ(::chmod((dir / copyName).c_str(), 0600), 0);
  const Platform::TidyResult result = Tidy(dir.Path(), copyName);
  EXPECT_EQ(result.Outcome, Platform::TidyOutcome::Tidied);
  EXPECT_TRUE(result.BlockedName.empty());
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"bystander"});
  EXPECT_EQ(TemporaryDirectory::Read(dir / "bystander"), "unchanged");
}

TEST_F(TemporaryFileTest, WorkingFileNamesAreTold) {
  using Platform::WorkingFileKind;
  const struct {
    const char* name;
    WorkingFileKind kind;
  } cases[] = {
      {".a.Ab12Cd.~rxtmp", WorkingFileKind::Temporary},
      {".a.1f.~rxcopy", WorkingFileKind::InterruptedCopy},
      {"a.Ab12Cd.~rxtmp", WorkingFileKind::None},  // every working file is hidden
      {".~rxtmp", WorkingFileKind::None},
      {".a.~rxtmp.txt", WorkingFileKind::None},
      {"notes.txt", WorkingFileKind::None},
  };
  for (const auto& c : cases) EXPECT_EQ(Platform::KindOfWorkingFile(c.name), c.kind) << c.name;
}

}  // namespace
