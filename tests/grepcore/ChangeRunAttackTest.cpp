// A change run over a tree another local user may write in, with that user (nobody) acting as
// a separate process at the worst moment: between the walk and the rewrite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "OtherUser.h"
#include "TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"
#include "platform/TemporaryFile.h"

namespace {

using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

std::vector<RE::FileChangeProblem> Problems(const RE& re) {
  const auto* problems = re.GetChangeFilesErrors();
  return problems ? *problems : std::vector<RE::FileChangeProblem>();
}

// Runs the attacker's move, as nobody, when the run first sees the file `when`.
class Attacker {
 public:
  Attacker(TestSupport::UserIds ids, std::string when, std::function<int()> move)
      : Ids(ids), When(std::move(when)), Move(std::move(move)) {}

  void OnChanging(RE*, std::string file, const RegexClass::REMatchInfo&, unsigned int, bool&) {
    if (Moved || file != When) return;
    Moved = true;
    Result = TestSupport::RunAs(Ids, Move);
  }

  bool Moved = false;
  int Result = -1;

 private:
  TestSupport::UserIds Ids;
  std::string When;
  std::function<int()> Move;
};

class ChangeRunAttackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TestSupport::NobodyIds(nobody)) GTEST_SKIP() << "needs root and the user nobody";
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    // Root's files outside the tree, and in a folder of the tree the attacker may write in.
    for (const char* name : {"outside/a.txt", "outside/b.txt"}) Secret(name, "outside X\n");
    for (const char* name : {"tree/sub/a.txt", "tree/sub/b.txt"}) Secret(name, "inside X\n");
    for (const char* folder : {"tree", "tree/sub"})
      ASSERT_EQ(::chown((dir / folder).c_str(), nobody.User, nobody.Group), 0);
  }

  void Secret(const std::string& name, const std::string& content) {
    const std::string path = dir.Write(name, content);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  }

  void ExpectOutsideUntouched() {
    EXPECT_EQ(dir.Entries("outside"), (std::vector<std::string>{"a.txt", "b.txt"}))
        << "nothing created";
    for (const char* name : {"outside/a.txt", "outside/b.txt"}) {
      EXPECT_EQ(TemporaryDirectory::Read(dir / name), "outside X\n") << name;
      EXPECT_EQ(StatOf(dir / name).st_mode & 07777, 0600u);
    }
  }

  unsigned Run(Attacker& attacker) {
    re.SetExpression("X");
    re.SetFormatString("Y");
    re.SetFilesToMatch(dir / "tree/*.txt");
    re.SetDirectoryRecursion(true);
    re.SetSaveExtension("bak");
    re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&attacker, &Attacker::OnChanging));
    return re.ChangeFiles();
  }

  TestSupport::UserIds nobody;
  TemporaryDirectory dir;
  RE re;
};

TEST_F(ChangeRunAttackTest, AFolderSwappedForALinkAfterTheWalkRedirectsNothing) {
  const std::string tree = dir / "tree";
  Attacker attacker(nobody, dir / "tree/sub/a.txt", [&] {
    return ::rename((tree + "/sub").c_str(), (tree + "/moved").c_str()) == 0 &&
                   ::symlink((dir / "outside").c_str(), (tree + "/sub").c_str()) == 0
               ? 0
               : 1;
  });
  Run(attacker);
  ASSERT_TRUE(attacker.Moved);
  ASSERT_EQ(attacker.Result, 0);
  ExpectOutsideUntouched();
  // The folder that was walked is where the files and their saved copies are, wherever it is.
  EXPECT_EQ(TemporaryDirectory::Read(tree + "/moved/a.txt"), "inside Y\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree + "/moved/a.bak"), "inside X\n");
  EXPECT_EQ(StatOf(tree + "/moved/a.bak").st_mode & 07777, 0600u);
}

TEST_F(ChangeRunAttackTest, FilesSwappedForLinksAfterTheWalkAreReportedNeverFollowed) {
  const std::string sub = dir / "tree/sub";
  Attacker attacker(nobody, sub + "/a.txt", [&] {
    for (const char* name : {"a.txt", "b.txt"}) {
      const std::string path = sub + "/" + name;
      if (::rename(path.c_str(), (path + ".old").c_str()) != 0 ||
          ::symlink((dir / "outside/" + name).c_str(), path.c_str()) != 0)
        return 1;
    }
    return 0;
  });
  EXPECT_EQ(Run(attacker), 0u);
  ASSERT_TRUE(attacker.Moved);
  ASSERT_EQ(attacker.Result, 0);
  ExpectOutsideUntouched();
  const auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 1u)
      << "b.txt, met after the swap, is a link to outside and passed over";
  EXPECT_EQ(problems[0].Problem, RE::ChangedWhileRewriting);
  EXPECT_EQ(problems[0].FileName, sub + "/a.txt");
  EXPECT_EQ(TemporaryDirectory::Read(sub + "/a.txt.old"), "inside X\n");
}

// A working file planted by the attacker, naming a root file hard-linked into its folder:
// no walk rolls it forward, and the file it claims is not searched or changed.
TEST_F(ChangeRunAttackTest, APlantedWorkingFileIsLeftAloneAndItsTargetPassedOver) {
  const std::string victim = dir / "outside/a.txt";
  const std::string linked = dir / "tree/sub/v.txt";
  ASSERT_EQ(::link(victim.c_str(), linked.c_str()), 0);
  const struct stat info = StatOf(victim);
  const std::string forged = "root::0:attacker\n";
  const std::vector<char> record = Platform::InPlaceCopyRecord(
      static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
      forged.data(), forged.size());
  const std::string copy = dir / ("tree/sub/" + Platform::InPlaceCopyName("v.txt", info.st_ino));
  const int planted = TestSupport::RunAs(nobody, [&] {
    const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return 1;
    const std::string bytes = forged + std::string(record.begin(), record.end());
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && written ? 0 : 1;
  });
  ASSERT_EQ(planted, 0);

  re.SetExpression("X");
  re.SetFilesToMatch(dir / "tree/*.txt");
  re.SetDirectoryRecursion(true);
  EXPECT_EQ(re.FindFiles(), 2u) << "a.txt and b.txt; v.txt's copy is unfinished";
  re.SetFormatString("Y");
  EXPECT_EQ(re.ChangeFiles(), 2u);
  const auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RE::CopyUnfinished);
  EXPECT_EQ(problems[0].FileName, linked);
  EXPECT_EQ(TemporaryDirectory::Read(victim), "outside X\n");
  EXPECT_EQ(TemporaryDirectory::Read(copy).substr(0, forged.size()), forged) << "left as it is";
  EXPECT_EQ(TemporaryDirectory::Read(dir / "tree/sub/a.txt"), "inside Y\n");
}

// Run by nobody through a folder it may write in: a file it cannot keep the owner of.
TEST_F(ChangeRunAttackTest, AnUnprivilegedRunLeavesAFileWhoseOwnerItCannotKeep) {
  const std::string folder = dir / "tree/open";
  ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string path = dir.Write("tree/open/tool", "run X\n");
  ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
  ASSERT_EQ(::chmod(path.c_str(), 06775), 0);
  for (const bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "not allowed");
    const int outcome = TestSupport::RunAs(nobody, [&] {
      RE changer;
      changer.SetExpression("X");
      changer.SetFormatString("Y");
      changer.SetFilesToMatch(path);
      changer.SetAllowOwnerChange(allow);
      const unsigned changed = changer.ChangeFiles();
      const auto problems = Problems(changer);
      if (allow) return changed == 1 && problems.empty() ? 0 : 1;
      return changed == 0 && problems.size() == 1 && problems[0].Problem == RE::OwnerNotKept &&
                     problems[0].FileName == path
                 ? 0
                 : 2;
    });
    EXPECT_EQ(outcome, 0);
    const struct stat info = StatOf(path);
    EXPECT_EQ(TemporaryDirectory::Read(path), allow ? "run Y\n" : "run X\n");
    EXPECT_EQ(info.st_uid, allow ? nobody.User : 1234u);
    EXPECT_EQ(info.st_mode & 07777, allow ? 0775u : 06775u);
  }
}

}  // namespace
