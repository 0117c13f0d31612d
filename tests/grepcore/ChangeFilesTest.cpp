// The file change run end to end, on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Regularexpressiontlsstack.h"
#include "TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"
#include "platform/FaultSeam.h"

namespace {

using RegexClass::REMatchInfo;
using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

class ChangeFilesTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }

  // An object that replaces `pattern` by `format` in dir/*.txt.
  RE Changer(const std::string& pattern, const std::string& format,
             const std::string& mask = "*.txt") {
    RE re;
    re.SetExpression(pattern);
    re.SetFormatString(format);
    re.SetFilesToMatch(dir / mask);
    return re;
  }

  std::string Read(const std::string& relative) const {
    return TemporaryDirectory::Read(dir / relative);
  }

  std::vector<RE::FileChangeProblem> Problems(const RE& re) const {
    const auto* problems = re.GetChangeFilesErrors();
    return problems ? *problems : std::vector<RE::FileChangeProblem>();
  }

  TemporaryDirectory dir;
};

// Counts handler calls and stops at a chosen one.
struct Stopper {
  int calls = 0;
  int stopAt = 0;
  std::vector<REMatchInfo> vectors;
  std::vector<unsigned> lines;
  void On(RE*, std::string, const REMatchInfo& matches, unsigned line, bool& go) {
    ++calls;
    vectors.push_back(matches);
    lines.push_back(line);
    if (calls == stopAt) go = false;
  }
};

TEST_F(ChangeFilesTest, ChangesEveryMatchOfEveryNamedFile) {
  dir.Write("a.txt", "xay\nay");
  dir.Write("b.txt", "a");
  dir.Write("c.dat", "a");
  RE re = Changer("a", "<$&>");
  EXPECT_EQ(re.ChangeFiles(), 3u);
  EXPECT_EQ(Read("a.txt"), "x<a>y\n<a>y");
  EXPECT_EQ(Read("b.txt"), "<a>");
  EXPECT_EQ(Read("c.dat"), "a") << "not named by the mask";
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.txt", "b.txt", "c.dat"}));
}

TEST_F(ChangeFilesTest, AHandlerSeesEachMatchAndCanEndTheRun) {
  struct Case {
    int stopAt;
    unsigned count;
    const char* a;
    const char* b;
  } cases[] = {
      {0, 3u, "XX", "X"},  // never stops
      {3, 2u, "XX", "a"},  // stops at the match in b.txt
      {2, 1u, "Xa", "a"},  // stops at the second match of a.txt: a.txt keeps the first
      {1, 0u, "aa", "a"},
  };
  for (const Case& c : cases) {
    dir.Write("a.txt", "aa");
    dir.Write("b.txt", "a");
    Stopper stopper;
    stopper.stopAt = c.stopAt;
    RE re = Changer("a", "X");
    re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&stopper, &Stopper::On));
    EXPECT_EQ(re.ChangeFiles(), c.count) << c.stopAt;
    EXPECT_EQ(Read("a.txt"), c.a) << c.stopAt;
    EXPECT_EQ(Read("b.txt"), c.b) << c.stopAt;
  }
}

TEST_F(ChangeFilesTest, TheHandlerGetsTheFileGrepVector) {
  dir.Write("a.txt", "zz\nyy\nac");
  Stopper stopper;
  RE re = Changer("a(b)?c", "X");
  re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&stopper, &Stopper::On));
  EXPECT_EQ(re.ChangeFiles(), 1u);
  ASSERT_EQ(stopper.vectors.size(), 1u);
  ASSERT_EQ(stopper.vectors[0].size(), 2u) << "no prefix and suffix records";
  EXPECT_EQ(stopper.vectors[0][0].MatchString, "ac");
  EXPECT_EQ(stopper.vectors[0][0].Position, 6);
  EXPECT_EQ(stopper.vectors[0][1].Position, -1);
  EXPECT_EQ(stopper.lines[0], 3u);
}

TEST_F(ChangeFilesTest, AReadOnlyFileEndsTheRun) {
  dir.Write("a.txt", "a");
  const std::string readOnly = dir.Write("b.txt", "a");
  dir.Write("c.txt", "a");
  ::chmod(readOnly.c_str(), 0444);
  RE re = Changer("a", "X");
  EXPECT_EQ(re.ChangeFiles(), 1u);
  EXPECT_EQ(Read("a.txt"), "X");
  EXPECT_EQ(Read("b.txt"), "a");
  EXPECT_EQ(Read("c.txt"), "a");
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr) << "ending the run is no problem";
}

TEST_F(ChangeFilesTest, SavedCopiesAreWrittenAndNeverChanged) {
  dir.Write("a.txt", "one a");
  dir.Write("a.bak", "an old saved copy");
  dir.Write("b.txt", "two a");
  RE re = Changer("a", "X", "*");
  re.SetSaveExtension("bak");
  // The mask names a.bak first: a saved copy ends the run before anything is changed.
  EXPECT_EQ(re.ChangeFiles(), 0u);
  EXPECT_EQ(Read("a.txt"), "one a");

  re.SetFilesToMatch(dir / "*.txt");
  EXPECT_EQ(re.ChangeFiles(), 2u);
  EXPECT_EQ(Read("a.txt"), "one X");
  EXPECT_EQ(Read("a.bak"), "one a") << "the older saved copy was replaced";
  EXPECT_EQ(Read("b.bak"), "two a");
}

TEST_F(ChangeFilesTest, NothingHappensWithoutAllThreeTexts) {
  dir.Write("a.txt", "a");
  RE noFormat = Changer("a", "");
  EXPECT_EQ(noFormat.ChangeFiles(), 0u);
  RE noPattern = Changer("", "X");
  EXPECT_EQ(noPattern.ChangeFiles(), 0u);
  RE noMask = Changer("a", "X");
  noMask.SetFilesToMatch("");
  EXPECT_EQ(noMask.ChangeFiles(), 0u);
  RE badPattern = Changer("a(", "X");
  EXPECT_EQ(badPattern.ChangeFiles(), 0u);
  EXPECT_EQ(Read("a.txt"), "a");
}

TEST_F(ChangeFilesTest, ReplacementsUseTheFullOptionsAndTheFormatSyntax) {
  dir.Write("a.txt", "key=value; k2=v2");
  RE swap = Changer("([a-z0-9]+)=([a-z0-9]+)", "$2=$1");
  EXPECT_EQ(swap.ChangeFiles(), 2u);
  EXPECT_EQ(Read("a.txt"), "value=key; v2=k2");

  // Literals: the file search still finds "k.y" as a pattern, but the replacement's own
  // expression looks for the literal text and finds nothing inside the match.
  dir.Write("b.txt", "key");
  RE literal = Changer("k.y", "X", "b.txt");
  literal.AddExpressionOption(RE::Literals);
  EXPECT_EQ(literal.ChangeFiles(), 1u) << "the match is counted";
  EXPECT_EQ(Read("b.txt"), "key") << "and replaced by itself";
}

TEST_F(ChangeFilesTest, TheProblemListDescribesTheLastRun) {
  dir.Write("a.txt", "a");
  dir.Write("b.txt", "a");
  RE re = Changer("a", "X");
  // Each file is opened twice (search, rewrite); the rewrites' opens are the 2nd and 4th.
  Platform::FailCall(Platform::Call::CreateTemporary, 1, ENOSPC);
  EXPECT_EQ(re.ChangeFiles(), 1u);
  Platform::ClearFaults();
  auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RE::CreateTemporaryFailed);
  EXPECT_EQ(problems[0].LastError, unsigned(ENOSPC));
  EXPECT_EQ(Read("a.txt"), "a");
  EXPECT_EQ(Read("b.txt"), "X");

  dir.Write("b.txt", "a");
  EXPECT_EQ(re.ChangeFiles(), 2u);
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr) << "a run starts with an empty list";
}

TEST_F(ChangeFilesTest, ProblemsAreListedInTheOrderTheyHappen) {
  dir.Write("a.txt", "a");
  dir.Write("b.txt", "a");
  RE re = Changer("a", "X");
  Platform::FailCall(Platform::Call::Replace, 1, EIO);
  const unsigned first = re.ChangeFiles();
  Platform::FailCall(Platform::Call::Replace, 1, EIO);
  EXPECT_EQ(first, 1u);
  dir.Write("a.txt", "a");
  dir.Write("b.txt", "a");
  Platform::FailCall(Platform::Call::CreateTemporary, 1, EMFILE);
  Platform::FailCall(Platform::Call::Replace, 1, EXDEV);
  EXPECT_EQ(re.ChangeFiles(), 0u);
  auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].Problem, RE::CreateTemporaryFailed);
  EXPECT_EQ(problems[1].Problem, RE::ReplaceFailed);
  EXPECT_EQ(problems[1].FileName, dir / "b.txt");
  EXPECT_EQ(problems[1].LastError, unsigned(EXDEV));
}

TEST_F(ChangeFilesTest, AnAbandonedSearchLeavesItsFileAsItWas) {
  // A later "b" makes the engine try every way of splitting the run of a's before it; the
  // back-reference keeps the pattern with the backtracking engine.
  const std::string hard = "b" + std::string(1000, 'a') + "cb";
  dir.Write("a.txt", hard);
  dir.Write("b.txt", "b");
  RE re = Changer("(a*)*b\\1", "X");
  const unsigned count = re.ChangeFiles();
  EXPECT_EQ(Read("a.txt"), hard);
  EXPECT_EQ(Read("b.txt"), "X") << "the run goes on with the next file";
  EXPECT_EQ(count, 1u);
  auto problems = Problems(re);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RE::SearchAbandoned);
  EXPECT_EQ(problems[0].FileName, dir / "a.txt");
  // The object says so too, as after any operation the engine gave up on.
  EXPECT_TRUE(re.LastOperationAbandoned());
  EXPECT_EQ(re.GetAbandonReason().rfind(dir / "a.txt" + ": ", 0), 0u) << re.GetAbandonReason();
  dir.Write("a.txt", "b");
  EXPECT_EQ(re.ChangeFiles(), 1u);
  EXPECT_FALSE(re.LastOperationAbandoned());
}

struct Nester {
  RE* inner = nullptr;
  unsigned innerResult = 99;
  void On(RE* sender, std::string, const REMatchInfo&, unsigned, bool&) {
    if (innerResult == 99) innerResult = (inner ? inner : sender)->ChangeFiles();
  }
};

TEST_F(ChangeFilesTest, ANestedRunOnTheSameObjectIsRefused) {
  dir.Write("a.txt", "aa");
  dir.Write("b.txt", "a");
  Nester nester;
  RE re = Changer("a", "X");
  re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&nester, &Nester::On));
  EXPECT_EQ(re.ChangeFiles(), 3u);
  EXPECT_EQ(nester.innerResult, 0u);
  EXPECT_EQ(Read("a.txt"), "XX");
  EXPECT_EQ(Read("b.txt"), "X");
}

TEST_F(ChangeFilesTest, ANestedRunOnAnotherObjectWorks) {
  dir.Write("a.txt", "aa");
  dir.Write("other.dat", "b");
  RE inner = Changer("b", "Y", "other.dat");
  Nester nester;
  nester.inner = &inner;
  RE outer = Changer("a", "X");
  outer.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&nester, &Nester::On));
  EXPECT_EQ(outer.ChangeFiles(), 2u);
  EXPECT_EQ(nester.innerResult, 1u);
  EXPECT_EQ(Read("a.txt"), "XX");
  EXPECT_EQ(Read("other.dat"), "Y");
}

struct Thrower {
  int calls = 0;
  void On(RE*, std::string, const REMatchInfo&, unsigned, bool&) {
    if (++calls == 2) throw std::runtime_error("handler failed");
  }
};

TEST_F(ChangeFilesTest, AHandlersExceptionLeavesTheGatheredFileAndThePlumbingClean) {
  dir.Write("a.txt", "aa");
  Thrower thrower;
  RE re = Changer("a", "X");
  re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&thrower, &Thrower::On));
  EXPECT_THROW(re.ChangeFiles(), std::runtime_error);
  EXPECT_EQ(Read("a.txt"), "aa");
  ASSERT_NE(RegexClass::TLSStack.GetValue(), nullptr);
  EXPECT_TRUE(RegexClass::TLSStack.GetValue()->empty());
  re.SetOnChangingFilesClosure(RE::FileMatchEventClosure());
  EXPECT_EQ(re.ChangeFiles(), 2u) << "the object works again";
  EXPECT_EQ(Read("a.txt"), "XX");
}

TEST_F(ChangeFilesTest, RecursionReachesSubdirectories) {
  dir.Write("a.txt", "a");
  dir.Write("sub/b.txt", "a");
  dir.Write("sub/deeper/c.txt", "a");
  RE flat = Changer("a", "X");
  EXPECT_EQ(flat.ChangeFiles(), 1u);
  RE deep = Changer("a", "Y");
  deep.SetDirectoryRecursion(true);
  EXPECT_EQ(deep.ChangeFiles(), 2u);
  EXPECT_EQ(Read("sub/deeper/c.txt"), "Y");
}

TEST_F(ChangeFilesTest, LinksAreChangedThrough) {
  const std::string target = dir.Write("data/real.dat", "a");
  ::symlink(target.c_str(), (dir / "link.txt").c_str());
  const std::string hard = dir.Write("hard.txt", "a");
  ::link(hard.c_str(), (dir / "data/other-name.dat").c_str());
  RE re = Changer("a", "X");
  EXPECT_EQ(re.ChangeFiles(), 2u);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(Read("data/real.dat"), "X");
  EXPECT_EQ(Read("data/other-name.dat"), "X");
}

// Each object's run sees only its own files and events, whatever runs beside it.
TEST_F(ChangeFilesTest, ChangeRunsInManyThreadsAtOnce) {
  constexpr int Threads = 6;
  constexpr int FilesEach = 40;
  for (int t = 0; t < Threads; ++t)
    for (int f = 0; f < FilesEach; ++f)
      dir.Write("t" + std::to_string(t) + "/f" + std::to_string(f) + ".txt", "a b a\n");
  std::vector<unsigned> counts(Threads);
  std::vector<int> foreignEvents(Threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < Threads; ++t) {
    workers.emplace_back([&, t] {
      struct OwnFiles {
        std::string prefix;
        int foreign = 0;
        void On(RE*, std::string file, const REMatchInfo&, unsigned, bool&) {
          if (file.compare(0, prefix.size(), prefix) != 0) ++foreign;
        }
      } own{dir / ("t" + std::to_string(t) + "/"), 0};
      RE re = Changer("a", std::to_string(t), "t" + std::to_string(t) + "/*.txt");
      re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&own, &OwnFiles::On));
      counts[t] = re.ChangeFiles();
      foreignEvents[t] = own.foreign;
    });
  }
  for (auto& worker : workers) worker.join();
  for (int t = 0; t < Threads; ++t) {
    EXPECT_EQ(counts[t], 2u * FilesEach) << t;
    EXPECT_EQ(foreignEvents[t], 0) << t;
    const std::string digit = std::to_string(t);
    EXPECT_EQ(Read("t" + digit + "/f7.txt"), digit + " b " + digit + "\n");
  }
}

// A run killed at any moment leaves every file with its old or its new content.
TEST_F(ChangeFilesTest, AKilledRunNeverLeavesAFileHalfWritten) {
  std::string old, fresh;
  for (int i = 0; i < 8000; ++i) {
    old += "line " + std::to_string(i) + " has an a in it\n";
    fresh += "line " + std::to_string(i) + " has <A> in it\n";
  }
  constexpr int Files = 4;
  auto writeAll = [&] {
    for (int f = 0; f < Files; ++f) dir.Write("f" + std::to_string(f) + ".txt", old);
  };
  // How long a whole run takes here, so the kills land inside one.
  writeAll();
  const auto start = std::chrono::steady_clock::now();
  Changer(" an a ", " <A> ").ChangeFiles();
  const auto runMicroseconds = std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
  std::mt19937 random(11);
  int interrupted = 0;
  for (int round = 0; round < 15; ++round) {
    writeAll();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Changer(" an a ", " <A> ").ChangeFiles();
      ::_exit(0);
    }
    ::usleep(static_cast<useconds_t>(random() % (runMicroseconds + 1)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    int changed = 0;
    for (int f = 0; f < Files; ++f) {
      const std::string content = Read("f" + std::to_string(f) + ".txt");
      EXPECT_TRUE(content == old || content == fresh) << "round " << round << " file " << f;
      changed += content == fresh;
    }
    interrupted += changed < Files;
    // Temporary files a killed run leaves behind are hidden names beside the files.
    for (const std::string& name : dir.Entries())
      if (name[0] == '.') std::filesystem::remove(dir / name);
  }
  EXPECT_GT(interrupted, 0) << "no kill landed inside a run";
}

}  // namespace
