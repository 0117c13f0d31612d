// What a change run promises when it is not alone: other runs at the same time, saved copies
// that share a name, files with millions of matches.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "PeakMemory.h"
#include "TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"

namespace {

using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

class ChangeRunSafetyTest : public ::testing::Test {
 protected:
  RE Changer(const std::string& pattern, const std::string& format, const std::string& mask) {
    RE re;
    re.SetExpression(pattern);
    re.SetFormatString(format);
    re.SetFilesToMatch(dir / mask);
    return re;
  }

  std::vector<RE::FileChangeProblem> Problems(const RE& re) const {
    const auto* problems = re.GetChangeFilesErrors();
    return problems ? *problems : std::vector<RE::FileChangeProblem>();
  }

  TemporaryDirectory dir;
};

TEST_F(ChangeRunSafetyTest, SavedCopiesOfOneRunNeverReplaceEachOther) {
  dir.Write("a", "first x");
  dir.Write("a.md", "second x");
  dir.Write("a.txt", "third x");
  dir.Write("b.bak", "a saved copy of an earlier run");
  dir.Write("b", "fourth x");
  RE re = Changer("x", "y", "*");
  re.SetSaveExtension("bak");
  EXPECT_EQ(re.ChangeFiles(), 2u) << "a and b";
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a.bak"), "first x");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a"), "first y");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a.md"), "second x");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a.txt"), "third x");
  EXPECT_EQ(TemporaryDirectory::Read(dir / "b.bak"), "fourth x")
      << "an earlier run's copy is replaced";
  const auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].FileName, dir / "a.md");
  EXPECT_EQ(problems[0].Problem, RE::SaveCopyCollision);
  EXPECT_EQ(problems[1].FileName, dir / "a.txt");
  EXPECT_EQ(problems[1].Problem, RE::SaveCopyCollision);
}

// Each run reports only replacements that are in the files when both have ended: the second
// to replace a file that the first replaced meanwhile finds it changed.
TEST_F(ChangeRunSafetyTest, TwoRunsAtOnceNeverUndoEachOther) {
  std::string content;
  for (int line = 0; line < 300; ++line) content += "A and B\n";
  constexpr int Files = 80;
  for (int round = 0; round < 4; ++round) {
    for (int f = 0; f < Files; ++f) dir.Write("f" + std::to_string(f) + ".txt", content);
    unsigned reportedA = 0;
    unsigned reportedB = 0;
    std::thread first([&] { reportedA = Changer("A", "a", "*.txt").ChangeFiles(); });
    std::thread second([&] { reportedB = Changer("B", "b", "*.txt").ChangeFiles(); });
    first.join();
    second.join();
    std::size_t inFilesA = 0;
    std::size_t inFilesB = 0;
    for (int f = 0; f < Files; ++f) {
      const std::string now = TemporaryDirectory::Read(dir / ("f" + std::to_string(f) + ".txt"));
      inFilesA += static_cast<std::size_t>(std::count(now.begin(), now.end(), 'a'));
      inFilesB += static_cast<std::size_t>(std::count(now.begin(), now.end(), 'b'));
    }
    // "and" holds an a of its own.
    inFilesA -= static_cast<std::size_t>(Files) * 300;
    EXPECT_EQ(reportedA, inFilesA) << "round " << round;
    EXPECT_EQ(reportedB, inFilesB) << "round " << round;
  }
}

// Without a handler files are put in place in batches after one flush: a kill between the
// flush and the renames, or anywhere else, leaves each file old or new.
TEST_F(ChangeRunSafetyTest, AKilledBatchLeavesEveryFileOldOrNew) {
  constexpr int Files = 150;  // more than one batch
  const std::string old = "keep this and change that\n";
  const std::string fresh = "keep this and CHANGE that\n";
  auto writeAll = [&] {
    for (int f = 0; f < Files; ++f) dir.Write("f" + std::to_string(f) + ".txt", old);
  };
  writeAll();
  const auto start = std::chrono::steady_clock::now();
  Changer("change", "CHANGE", "*.txt").ChangeFiles();
  const auto runMicroseconds =
      static_cast<unsigned>(std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count());
  std::mt19937 random(5);
  int interrupted = 0;
  for (int round = 0; round < 12; ++round) {
    writeAll();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Changer("change", "CHANGE", "*.txt").ChangeFiles();
      ::_exit(0);
    }
    ::usleep(static_cast<useconds_t>(random() % (runMicroseconds + 1)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    int changed = 0;
    for (int f = 0; f < Files; ++f) {
      const std::string content =
          TemporaryDirectory::Read(dir / ("f" + std::to_string(f) + ".txt"));
      EXPECT_TRUE(content == old || content == fresh) << "round " << round << " file " << f;
      changed += content == fresh;
    }
    interrupted += changed > 0 && changed < Files;
  }
  EXPECT_GT(interrupted, 0) << "no kill landed inside a run";
}

bool IsWorkingFile(const std::string& name) {
  const auto endsWith = [&](const std::string& marker) {
    return name.size() > marker.size() &&
           name.compare(name.size() - marker.size(), marker.size(), marker) == 0;
  };
  return endsWith(".~rxtmp") || endsWith(".~rxcopy");
}

std::vector<std::string> WorkingFiles(const TemporaryDirectory& dir) {
  std::vector<std::string> found;
  for (const std::string& name : dir.Entries())
    if (IsWorkingFile(name)) found.push_back(name);
  return found;
}

// A hard-linked file is copied over in place. A kill during the copy leaves it part new, part
// old; the next run that walks its directory finishes the copy before anything else.
TEST_F(ChangeRunSafetyTest, AKillDuringAnInPlaceCopyIsMadeGoodByTheNextRun) {
  // One match near the start whose replacement is longer: every later byte moves, so a file
  // cut short in its copy is neither old nor new.
  std::string old = "old\n";
  while (old.size() < (std::size_t{1} << 20)) old += "a line of the hard-linked file\n";
  const std::string fresh = "older" + old.substr(3);
  const std::string path = dir / "linked.txt";
  const std::string other = dir / "other-name";
  int torn = 0;
  for (int round = 0; round < 4; ++round) {
    std::filesystem::remove(path);
    std::filesystem::remove(other);
    dir.Write("linked.txt", old);
    std::filesystem::create_hard_link(path, other);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Killed after a few blocks of the copy have been written over the file.
      Platform::KillAtCall(Platform::Call::CopyInPlace, static_cast<unsigned>(2 + 3 * round));
      Changer("old", "older", "linked.txt").ChangeFiles();
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": the run was not killed";
    const std::string afterKill = TemporaryDirectory::Read(path);
    torn += afterKill != old && afterKill != fresh;

    RE next;  // any run that walks the directory
    next.SetExpression("unrelated");
    next.SetFilesToMatch(dir / "*.txt");
    next.FindFiles();
    const std::string afterNextRun = TemporaryDirectory::Read(path);
    EXPECT_TRUE(afterNextRun == fresh || (afterNextRun == old && afterKill == old))
        << "round " << round;
    EXPECT_EQ(TemporaryDirectory::Read(other), afterNextRun) << "the links stay one file";
    EXPECT_EQ(WorkingFiles(dir), std::vector<std::string>()) << "round " << round;
  }
  EXPECT_EQ(torn, 4) << "every kill lands inside the copy";
}

// Leftovers of killed runs are tidied by the next run and never searched or changed; a working
// file still in use is left alone.
TEST_F(ChangeRunSafetyTest, LeftoversOfKilledRunsAreNeverTakenForFiles) {
  dir.Write("a.txt", "x marks the spot");
  const std::string abandoned = ".a.txt.Ab12Cd34.~rxtmp";
  const std::string inUse = ".a.txt.Zz99Yy88.~rxtmp";
  dir.Write(abandoned, "x left by a killed run");
  dir.Write(inUse, "x being written");
  for (const std::string& name : {abandoned, inUse})
    ASSERT_EQ(::chmod((dir / name).c_str(), 0600), 0);
  const int holder = ::open((dir / inUse).c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  RE re = Changer("x", "y", "*");
  EXPECT_EQ(re.ChangeFiles(), 1u);
  EXPECT_EQ(TemporaryDirectory::Read(dir / "a.txt"), "y marks the spot");
  EXPECT_EQ(WorkingFiles(dir), std::vector<std::string>{inUse});
  EXPECT_EQ(TemporaryDirectory::Read(dir / inUse), "x being written");
  ::close(holder);

  // Killed runs leave nothing the next run mistakes for a file, nor anything of its own.
  std::string content;
  for (int line = 0; line < 2000; ++line) content += "x and x again\n";
  std::mt19937 random(3);
  for (int round = 0; round < 10; ++round) {
    for (int f = 0; f < 20; ++f) dir.Write("f" + std::to_string(f) + ".txt", content);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Changer("x", "y", "*.txt").ChangeFiles();
      ::_exit(0);
    }
    ::usleep(static_cast<useconds_t>(random() % 20000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    RE next = Changer("y", "z", "*");
    next.ChangeFiles();
    EXPECT_EQ(WorkingFiles(dir), std::vector<std::string>()) << "round " << round;
    EXPECT_EQ(next.GetChangeFilesErrors(), nullptr) << "round " << round;
  }
}

// A torn file (its in-place copy cut short) is never searched; a walk that may change nothing
// on disk leaves the copy as it is, the next ordinary walk finishes it.
TEST_F(ChangeRunSafetyTest, ATornFileIsNeverSearchedAndADryWalkLeavesItsCopy) {
  const std::string oldContent(200000, 'o');
  const std::string newContent = std::string(300000, 'n') + " needle";
  const std::string path = dir.Write("t.txt", oldContent);
  ASSERT_EQ(::link(path.c_str(), (dir / "u.txt").c_str()), 0);
  {
    auto temporary = Platform::TemporaryFile::CreateBeside(path);
    ASSERT_TRUE(temporary.Output().WriteAll(newContent.data(), newContent.size()));
    Platform::ScopedFault cut(Platform::Call::Write, 2, EIO);  // the copy's second block fails
    ASSERT_FALSE(temporary.ReplaceInPlace(path));
  }
  const std::string torn = TemporaryDirectory::Read(path);
  ASSERT_NE(torn, newContent);
  const std::vector<std::string> before = dir.Entries();

  RE search;
  search.SetExpression("n");
  search.SetFilesToMatch(dir / "*.txt");
  search.SetLeaveWorkingFiles(true);
  EXPECT_EQ(search.FindFiles(), 0u) << "neither name of the torn file is searched";
  EXPECT_EQ(dir.Entries(), before);
  EXPECT_EQ(TemporaryDirectory::Read(path), torn);

  search.SetLeaveWorkingFiles(false);
  search.SetExpression("needle");
  EXPECT_EQ(search.FindFiles(), 2u) << "finished first, then searched";
  EXPECT_EQ(TemporaryDirectory::Read(dir / "u.txt"), newContent);
  EXPECT_EQ(WorkingFiles(dir), std::vector<std::string>());
}

// A match record costs tens of bytes; a file of one-byte matches must not cost that many times
// its size.
TEST_F(ChangeRunSafetyTest, AFileOfMillionsOfMatchesCostsMemoryInProportionToItsSize) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "a sanitizer's own memory hides the run's";
  constexpr std::size_t Size = 3 << 20;
  const std::string path = dir.Write("many.txt", std::string(Size, 'a'));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    RE re;
    re.SetExpression("a");
    re.SetFormatString("b");
    re.SetFilesToMatch(path);
    const bool changed = re.ChangeFiles() == Size;
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    const long grownKilobytes = after.ru_maxrss - before.ru_maxrss;
    // Three times the file: its content for the search, buffers, and the bounded matches.
    ::_exit(!changed ? 2 : grownKilobytes > static_cast<long>(3 * Size / 1024 + 8192) ? 3 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 2) << "not every match was replaced";
  EXPECT_NE(WEXITSTATUS(status), 3) << "memory grew beyond the bound";
  EXPECT_EQ(TemporaryDirectory::Read(path), std::string(Size, 'b'));
}

}  // namespace
