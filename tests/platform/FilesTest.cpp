// The file layer of the change run, on real files.
#include "platform/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TemporaryDirectory.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"
#include "platform/ThreadSlot.h"

namespace {

using TestSupport::TemporaryDirectory;

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }
  TemporaryDirectory dir;
};

mode_t ModeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST_F(FilesTest, ReadsExactlyOrFailsAtTheEnd) {
  const std::string path = dir.Write("f", "0123456789");
  auto file = Platform::OpenForReading(path);
  ASSERT_TRUE(file);
  char buffer[16];
  ASSERT_TRUE(file->ReadExactly(buffer, 0)) << "a zero-byte read succeeds";
  ASSERT_TRUE(file->ReadExactly(buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file->Position(), 4u);
  EXPECT_FALSE(file->ReadExactly(buffer, 10)) << "only six bytes are left";
  EXPECT_EQ(Platform::LastError(), 0) << "running out of bytes is no system error";
  EXPECT_EQ(file->Position(), 10u);
  std::size_t got = 99;
  ASSERT_TRUE(file->ReadSome(buffer, sizeof buffer, got));
  EXPECT_EQ(got, 0u);
}

TEST_F(FilesTest, OpeningAMissingFileFailsWithItsErrorCode) {
  EXPECT_FALSE(Platform::OpenForReading(dir / "missing"));
  EXPECT_EQ(Platform::LastError(), ENOENT);
}

// A FIFO without a writer would block an ordinary open for ever.
TEST_F(FilesTest, OpeningForReadingRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  for (const std::string& path : {dir / "pipe", dir.Path()}) {
    EXPECT_FALSE(Platform::OpenForReading(path)) << path;
    EXPECT_EQ(Platform::LastError(), EINVAL) << path;
  }
}

TEST_F(FilesTest, CopyFileOverwritesWithContentAndPermissionBits) {
  const std::string source = dir.Write("a.txt", std::string(200000, 'a') + "end");
  ::chmod(source.c_str(), 0640);
  const std::string copy = dir.Write("a.bak", "older saved copy");
  ASSERT_TRUE(Platform::CopyFile(source, copy));
  EXPECT_EQ(TemporaryDirectory::Read(copy), TemporaryDirectory::Read(source));
  EXPECT_EQ(ModeOf(copy), 0640u);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.bak", "a.txt"})) << "no stray file";
}

TEST_F(FilesTest, AFailedCopyLeavesTheTargetAsItWas) {
  const std::string source = dir.Write("a.txt", "content");
  const std::string copy = dir.Write("a.bak", "older saved copy");
  Platform::FailCall(Platform::Call::Write, 1, ENOSPC);
  EXPECT_FALSE(Platform::CopyFile(source, copy));
  EXPECT_EQ(Platform::LastError(), ENOSPC);
  EXPECT_EQ(TemporaryDirectory::Read(copy), "older saved copy");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.bak", "a.txt"}));
}

TEST_F(FilesTest, AttributesFollowThePermissionBits) {
  const std::string path = dir.Write("f", "x");
  ::chmod(path.c_str(), 0444);
  const Platform::FileAttributes attributes = Platform::GetAttributes(path);
  EXPECT_EQ(attributes.Mode, 0444u);
  EXPECT_EQ(attributes.Owner, ::getuid());
  Platform::FileAttributes writable = attributes;
  writable.Mode = 0604;
  ASSERT_TRUE(Platform::SetAttributes(path, writable));
  EXPECT_EQ(ModeOf(path), 0604u);
  EXPECT_EQ(Platform::GetAttributes(dir / "missing").Mode, Platform::AttributesFailed);
  Platform::FileAttributes failed;
  failed.Mode = Platform::AttributesFailed;
  EXPECT_FALSE(Platform::SetAttributes(path, failed)) << "the failure value is never applied";
}

TEST_F(FilesTest, IdentityChangesWithContent) {
  const std::string path = dir.Write("f", "one");
  auto file = Platform::OpenForReading(path);
  Platform::FileIdentity opened, named;
  Platform::FileAttributes attributes;
  ASSERT_TRUE(file->Describe(opened, attributes));
  ASSERT_TRUE(Platform::Describe(path, named));
  EXPECT_EQ(opened, named);
  dir.Write("f", "two!");
  ASSERT_TRUE(Platform::Describe(path, named));
  EXPECT_NE(opened, named);
}

TEST_F(FilesTest, LinksResolveToTheirTarget) {
  const std::string target = dir.Write("real/file", "x");
  const std::string link = dir / "link";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  EXPECT_EQ(Platform::ResolveLinks(link), std::filesystem::canonical(target).string());
  EXPECT_EQ(Platform::ResolveLinks(dir / "missing"), dir / "missing");
}

// Each kind of call can be made to fail, and reports the planned error code.
TEST_F(FilesTest, TheFaultSeamReachesEveryCall) {
  const std::string path = dir.Write("f", "content");
  struct Case {
    Platform::Call kind;
    bool (*call)(const std::string& path, const TemporaryDirectory& dir);
  } cases[] = {
      {Platform::Call::OpenForReading,
       [](const std::string& p, const TemporaryDirectory&) { return bool(Platform::OpenForReading(p)); }},
      {Platform::Call::Read,
       [](const std::string& p, const TemporaryDirectory&) {
         char c;
         return Platform::OpenForReading(p)->ReadExactly(&c, 1);
       }},
      {Platform::Call::CreateTemporary,
       [](const std::string& p, const TemporaryDirectory&) {
         return bool(Platform::TemporaryFile::CreateBeside(p));
       }},
      {Platform::Call::Write,
       [](const std::string& p, const TemporaryDirectory&) {
         return Platform::TemporaryFile::CreateBeside(p).Output().WriteAll("x", 1);
       }},
      {Platform::Call::Position,
       [](const std::string& p, const TemporaryDirectory&) {
         return Platform::OpenForReading(p)->Position() != Platform::NoPosition;
       }},
      {Platform::Call::Sync,
       [](const std::string& p, const TemporaryDirectory&) { return Platform::OpenForReading(p)->Sync(); }},
      {Platform::Call::Close,
       [](const std::string& p, const TemporaryDirectory&) { return Platform::OpenForReading(p)->Close(); }},
      {Platform::Call::CopyFile,
       [](const std::string& p, const TemporaryDirectory& d) { return Platform::CopyFile(p, d / "copy"); }},
      {Platform::Call::DeleteFile,
       [](const std::string&, const TemporaryDirectory& d) {
         return Platform::DeleteFile(d.Write("doomed", ""));
       }},
      {Platform::Call::GetAttributes,
       [](const std::string& p, const TemporaryDirectory&) {
         return Platform::GetAttributes(p).Mode != Platform::AttributesFailed;
       }},
      {Platform::Call::SetAttributes,
       [](const std::string& p, const TemporaryDirectory&) {
         return Platform::SetAttributes(p, Platform::GetAttributes(p));
       }},
      {Platform::Call::Replace,
       [](const std::string& p, const TemporaryDirectory&) {
         auto temporary = Platform::TemporaryFile::CreateBeside(p);
         return temporary.Output().WriteAll("content", 7) && temporary.ReplaceByRename(p);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    EXPECT_TRUE(c.call(path, dir)) << "runs normally without a plan";
    Platform::FailCall(c.kind, 1, EIO);
    EXPECT_FALSE(c.call(path, dir));
    EXPECT_EQ(Platform::LastError(), EIO);
    Platform::ClearFaults();
    EXPECT_EQ(TemporaryDirectory::Read(path), "content");
  }
}

}  // namespace
