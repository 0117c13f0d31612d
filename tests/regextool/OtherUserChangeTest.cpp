// regextool change run by another local user than the file's owner, through a folder that user
// may write in: the owner cannot be kept, so the file is left as it is and the run says so.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "../support/OtherUser.h"
#include "../support/TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(OtherUserChange, AFileWhoseOwnerCannotBeKeptIsLeftAsItIsAndReported) {
  TestSupport::UserIds nobody;
  if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
  TestSupport::TemporaryDirectory tree;
  const std::string folder = tree / "shared";
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(tree.Path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string file = folder + "/tool.conf";
  { std::ofstream(file) << "mode=old\n"; }
  ASSERT_EQ(::chown(file.c_str(), 1234, 1234), 0);
  ASSERT_EQ(::chmod(file.c_str(), 06777), 0);

  const int status = TestSupport::RunAs(nobody, [&] {
    return ToolTest::RunIn(folder, {"change", "old", "new", "tool.conf"}).Status;
  });
  EXPECT_EQ(status, 2) << "the run must not look like a success";
  EXPECT_EQ(Read(file), "mode=old\n");
  struct stat after;
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 1234u);
  EXPECT_EQ(after.st_gid, 1234u);
  EXPECT_EQ(after.st_mode & 07777, 06777u) << "set-id bits stay with their owner";
}

}  // namespace
