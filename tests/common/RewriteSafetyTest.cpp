// What a rewrite keeps against other local users: the file it read, not whatever its name
// leads to later; the file's access rules; its owner, or the file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "OtherUser.h"
#include "TemporaryDirectory.h"
#include "common/FileRewrite.h"
#include "platform/ThreadSlot.h"

namespace {

using Common::FileLocation;
using Common::ProblemReport;
using Common::RewriteProblem;
using TestSupport::TemporaryDirectory;

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Every "X" of `text` replaced by "Y", the match texts kept alive by the caller.
std::vector<Common::Replacement> XToY(const std::string& text, const std::string& x,
                                      const std::string& y) {
  std::vector<Common::Replacement> replacements;
  for (std::size_t at = text.find(x); at != std::string::npos; at = text.find(x, at + 1))
    replacements.push_back({static_cast<std::int64_t>(at), &x, &y});
  return replacements;
}

// The file at `path` located as a walk reads it: with its device and inode.
FileLocation Walked(const std::string& path) {
  FileLocation location;
  EXPECT_TRUE(Common::LocateFile(path, location));
  const struct stat info = StatOf(path);
  location.Device = static_cast<std::uint64_t>(info.st_dev);
  location.Inode = static_cast<std::uint64_t>(info.st_ino);
  return location;
}

// An ACL in the kernel's extended-attribute form: {tag, permissions, id} entries.
struct AclEntry {
  std::uint16_t Tag;
  std::uint16_t Perm;
  std::uint32_t Id;
};
constexpr std::uint16_t UserObj = 0x01, User = 0x02, GroupObj = 0x04, Mask = 0x10, Other = 0x20;
constexpr std::uint32_t NoId = 0xFFFFFFFFu;

std::string AclBytes(const std::vector<AclEntry>& entries) {
  std::string bytes(4, '\0');
  const std::uint32_t version = 2;
  std::memcpy(&bytes[0], &version, 4);
  for (const AclEntry& entry : entries)
    bytes.append(reinterpret_cast<const char*>(&entry), sizeof entry);
  return bytes;
}

// The value of the extended attribute `name` of `path`; `present` false when there is none.
std::string AttributeOf(const std::string& path, const char* name, bool& present) {
  char value[4096];
  const ssize_t got = ::lgetxattr(path.c_str(), name, value, sizeof value);
  present = got >= 0;
  return present ? std::string(value, static_cast<std::size_t>(got)) : std::string();
}

class RewriteSafetyTest : public ::testing::Test {
 protected:
  TemporaryDirectory dir;
  std::vector<ProblemReport> problems;
  const std::string x = "X";
  const std::string y = "Y";
};

// The name of the file read leads elsewhere by the time of the rewrite: to a file outside the
// tree through a link. The rewrite reports it and touches neither file nor creates a copy.
TEST_F(RewriteSafetyTest, AFileSwappedForALinkIsReportedNeverFollowed) {
  const std::string outside = dir.Write("outside/secret", "outside X");
  const std::string path = dir.Write("tree/f", "inside X");
  const FileLocation location = Walked(path);
  ASSERT_EQ(::rename(path.c_str(), (dir / "tree/f.moved").c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), path.c_str()), 0);

  EXPECT_FALSE(Common::RewriteFile(location, XToY("inside X", x, y), "f.bak", problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::ChangedWhileRewriting);
  EXPECT_EQ(problems[0].FileName, path);
  EXPECT_EQ(TemporaryDirectory::Read(outside), "outside X");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "tree/f.moved"), "inside X");
  EXPECT_EQ(dir.Entries("outside"), std::vector<std::string>{"secret"});
  EXPECT_EQ(dir.Entries("tree"), (std::vector<std::string>{"f", "f.moved"}));
}

// The folder is swapped for a link after it was opened: everything happens in the folder that
// was opened, wherever it is now, and nothing outside changes or is created.
TEST_F(RewriteSafetyTest, AFolderSwappedForALinkRedirectsNothing) {
  dir.Write("outside/f", "outside X");
  const std::string path = dir.Write("tree/sub/f", "inside X");
  const FileLocation location = Walked(path);
  ASSERT_EQ(::rename((dir / "tree/sub").c_str(), (dir / "tree/sub.old").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "tree/sub").c_str()), 0);

  EXPECT_TRUE(Common::RewriteFile(location, XToY("inside X", x, y), "f.bak", problems));
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(TemporaryDirectory::Read(dir / "outside/f"), "outside X");
  EXPECT_EQ(dir.Entries("outside"), std::vector<std::string>{"f"});
  EXPECT_EQ(TemporaryDirectory::Read(dir / "tree/sub.old/f"), "inside Y");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "tree/sub.old/f.bak"), "inside X");
}

// A hard-linked file swapped between the check and its in-place copy: the copy goes nowhere.
TEST_F(RewriteSafetyTest, AHardLinkedFileSwappedBeforeItsCopyIsLeftAlone) {
  const std::string path = dir.Write("f", "inside X");
  ASSERT_EQ(::link(path.c_str(), (dir / "g").c_str()), 0);
  const std::string outside = dir.Write("outside", "outside X");
  Common::FileRewriter rewriter(Walked(path), "");
  rewriter.Add(XToY("inside X", x, y));
  ASSERT_TRUE(rewriter.Prepare());
  ASSERT_EQ(::unlink(path.c_str()), 0);
  ASSERT_EQ(::symlink(outside.c_str(), path.c_str()), 0);
  EXPECT_FALSE(rewriter.Commit(problems, false));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::ChangedWhileRewriting);
  EXPECT_EQ(TemporaryDirectory::Read(outside), "outside X");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "g"), "inside X");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"f", "g", "outside"}))
      << "no working file left";
}

// A path the user names through a link changes the link's target; the link stays.
TEST_F(RewriteSafetyTest, LocatingAPathResolvesItsFinalLinkThroughHandles) {
  const std::string target = dir.Write("real/data", "old X");
  ASSERT_EQ(::symlink("real/data", (dir / "hop").c_str()), 0);
  ASSERT_EQ(::symlink("hop", (dir / "lnk").c_str()), 0);
  FileLocation location;
  ASSERT_TRUE(Common::LocateFile(dir / "lnk", location));
  EXPECT_EQ(location.Name, "data");
  EXPECT_EQ(location.Directory->Identity().Inode, StatOf(dir / "real").st_ino);
  EXPECT_EQ(location.ShownName, dir / "lnk");
  EXPECT_TRUE(Common::RewriteFile(location, XToY("old X", x, y), "", problems));
  EXPECT_EQ(TemporaryDirectory::Read(target), "old Y");
  EXPECT_TRUE(S_ISLNK(StatOf(dir / "lnk").st_mode));
  FileLocation missing;
  EXPECT_FALSE(Common::LocateFile(dir / "no/such/file", missing));
  EXPECT_EQ(Platform::LastError(), ENOENT);
}

// The new content keeps the file's ACL and extended attributes, and takes none from the
// folder's default ACL.
TEST_F(RewriteSafetyTest, AccessRulesAreKeptExactly) {
  const std::string folder = dir / "acl";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string defaultAcl = AclBytes({{UserObj, 7, NoId},
                                           {User, 7, 65534},
                                           {GroupObj, 5, NoId},
                                           {Mask, 7, NoId},
                                           {Other, 5, NoId}});
  if (::setxattr(folder.c_str(), "system.posix_acl_default", defaultAcl.data(), defaultAcl.size(),
                 0) != 0)
    GTEST_SKIP() << "no ACL support here: " << std::strerror(errno);
  const std::string withAcl = dir.Write("acl/with", "a X");
  const std::string plain = dir.Write("acl/plain", "b X");
  const std::string accessAcl = AclBytes({{UserObj, 6, NoId},
                                          {User, 4, 1234},
                                          {GroupObj, 4, NoId},
                                          {Mask, 4, NoId},
                                          {Other, 0, NoId}});
  ASSERT_EQ(
      ::setxattr(withAcl.c_str(), "system.posix_acl_access", accessAcl.data(), accessAcl.size(), 0),
      0);
  ASSERT_EQ(::setxattr(withAcl.c_str(), "user.origin", "tested", 6, 0), 0) << std::strerror(errno);
  ASSERT_EQ(::removexattr(plain.c_str(), "system.posix_acl_access"), 0)
      << "the default ACL gave it one";
  ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
  const mode_t withMode = StatOf(withAcl).st_mode & 07777;

  EXPECT_TRUE(Common::RewriteFile(Walked(withAcl), XToY("a X", x, y), "", problems));
  EXPECT_TRUE(Common::RewriteFile(Walked(plain), XToY("b X", x, y), "", problems));
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(TemporaryDirectory::Read(withAcl), "a Y");
  bool present = false;
  EXPECT_EQ(AttributeOf(withAcl, "system.posix_acl_access", present), accessAcl);
  EXPECT_TRUE(present);
  EXPECT_EQ(AttributeOf(withAcl, "user.origin", present), "tested");
  EXPECT_EQ(StatOf(withAcl).st_mode & 07777, withMode);
  EXPECT_EQ(TemporaryDirectory::Read(plain), "b Y");
  AttributeOf(plain, "system.posix_acl_access", present);
  EXPECT_FALSE(present) << "the folder's default ACL would let nobody read a 0640 file";
  EXPECT_EQ(StatOf(plain).st_mode & 07777, 0640u);
}

// A user who may write in the folder but not give files away: the file is left as it is, or,
// when allowed, changes owner without its set-id bits.
TEST_F(RewriteSafetyTest, AnOwnerThatCannotBeKeptLeavesTheFileAsItIs) {
  TestSupport::UserIds nobody;
  if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string folder = dir / "open";
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string path = dir.Write("open/tool", "run X");
  ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
  ASSERT_EQ(::chmod(path.c_str(), 06775), 0);

  for (const bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "not allowed");
    const int outcome = TestSupport::RunAs(nobody, [&] {
      std::vector<ProblemReport> seen;
      FileLocation location;
      if (!Common::LocateFile(path, location)) return 10;
      const bool changed =
          Common::RewriteFile(location, XToY("run X", x, y), "tool.bak", seen, allow);
      if (allow) return changed && seen.empty() ? 0 : 11;
      return !changed && seen.size() == 1 && seen[0].Problem == RewriteProblem::OwnerNotKept ? 0
                                                                                             : 12;
    });
    EXPECT_EQ(outcome, 0);
    const struct stat info = StatOf(path);
    if (!allow) {
      EXPECT_EQ(TemporaryDirectory::Read(path), "run X");
      EXPECT_EQ(info.st_uid, 1234u);
      EXPECT_EQ(info.st_gid, 1234u);
      EXPECT_EQ(info.st_mode & 07777, 06775u);
      EXPECT_EQ(dir.Entries("open"), std::vector<std::string>{"tool"}) << "no saved copy either";
    } else {
      EXPECT_EQ(TemporaryDirectory::Read(path), "run Y");
      EXPECT_EQ(info.st_uid, nobody.User);
      EXPECT_EQ(info.st_gid, nobody.Group);
      EXPECT_EQ(info.st_mode & 07777, 0775u) << "set-id bits never survive a change of owner";
      EXPECT_EQ(StatOf(dir / "open/tool.bak").st_mode & 07777, 0775u);
    }
  }
}

}  // namespace
