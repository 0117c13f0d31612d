// GrepFiles and FindFiles on the pattern object: events, counts, the walk, nested and
// parallel runs and the thread's instance stack, over real files.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Regularexpressiontlsstack.h"
#include "TemporaryDirectory.h"
#include "platform/FaultSeam.h"

namespace {

using RE = RegexClass::RegularExpression;
using RegexClass::REMatchInfo;
using RegexClass::TLSStack;
using TestSupport::TemporaryDirectory;
namespace fs = std::filesystem;

struct Event {
  RE* Sender = nullptr;
  std::string File;
  REMatchInfo Matches;
  unsigned Line = 0;
};

// Handlers are plain functions: they record into this thread's list and act on its settings.
thread_local std::vector<Event> Events;
thread_local std::size_t StopAt = 0;  // clear bcontinue at this event (1 = the first); 0: never
thread_local bool ThrowAtFirst = false;

void OnGrep(RE* sender, std::string file, const REMatchInfo& matches, unsigned line,
            bool& bcontinue) {
  Events.push_back(Event{sender, file, matches, line});
  if (ThrowAtFirst) throw std::runtime_error("from a handler");
  if (Events.size() == StopAt) bcontinue = false;
}

void OnFind(RE* sender, std::string file, bool& bcontinue) {
  Events.push_back(Event{sender, file, {}, 0});
  if (ThrowAtFirst) throw std::runtime_error("from a handler");
  if (Events.size() == StopAt) bcontinue = false;
}

std::vector<std::string> FilesOf(const std::vector<Event>& events) {
  std::vector<std::string> files;
  for (const Event& event : events) files.push_back(event.File);
  return files;
}

class FileGrepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events.clear();
    StopAt = 0;
    ThrowAtFirst = false;
  }
  void TearDown() override { Platform::ClearFaults(); }

  // An object set up for a run over `mask` in the test's directory.
  void Prepare(RE& re, const std::string& expression, const std::string& mask,
               bool recurse = false) {
    re.SetExpression(expression);
    re.SetFilesToMatch(dir / mask);
    re.SetDirectoryRecursion(recurse);
  }

  TemporaryDirectory dir;
};

TEST_F(FileGrepTest, CountsWithoutHandlers) {
  dir.Write("a.txt", "x x x");
  dir.Write("b.txt", "none");
  dir.Write("c.txt", "x");
  dir.Write("d.log", "x");
  dir.Write("sub/e.txt", "x x");
  RE re;
  Prepare(re, "x", "*.txt");
  EXPECT_EQ(re.GrepFiles(), 4u);
  EXPECT_EQ(re.FindFiles(), 2u);
  re.SetDirectoryRecursion(true);
  EXPECT_EQ(re.GrepFiles(), 6u);
  EXPECT_EQ(re.FindFiles(), 3u);
}

// A file the engine gives up on is passed over; the run goes on, and the object names it.
TEST_F(FileGrepTest, AFileTheEngineGivesUpOnIsNamedAfterTheRun) {
  dir.Write("a.txt", "b" + std::string(2000, 'a') + "cb");
  dir.Write("b.txt", "b b");
  dir.Write("c.txt", "b" + std::string(2000, 'a') + "cb");
  RE re;
  Prepare(re, "(a*)*b\\1", "*.txt");
  EXPECT_EQ(re.GrepFiles(), 4u) << "the first match of a.txt and of c.txt, and b.txt's two";
  EXPECT_TRUE(re.LastOperationAbandoned());
  const std::string reason = re.GetAbandonReason();
  const std::size_t newline = reason.find('\n');
  ASSERT_NE(newline, std::string::npos) << reason;
  EXPECT_EQ(reason.substr(0, newline).rfind(dir / "a.txt" + ": ", 0), 0u) << reason;
  EXPECT_EQ(reason.substr(newline + 1).rfind(dir / "c.txt" + ": ", 0), 0u) << reason;
  EXPECT_EQ(re.FindFiles(), 3u);
  EXPECT_FALSE(re.LastOperationAbandoned()) << "each file's first match settles it";
  dir.Write("d.log", std::string(2000, 'a') + "db");
  Prepare(re, "(a*)*\\1b", "d.log");
  EXPECT_EQ(re.FindFiles(), 0u) << "given up before the match";
  EXPECT_EQ(re.GetAbandonReason().rfind(dir / "d.log" + ": ", 0), 0u) << re.GetAbandonReason();
  Prepare(re, "b", "b.txt");
  EXPECT_EQ(re.GrepFiles(), 2u);
  EXPECT_FALSE(re.LastOperationAbandoned());
  EXPECT_EQ(re.GetAbandonReason(), "");
}

TEST_F(FileGrepTest, NothingToDoMeansNoEventAndNoCompile) {
  dir.Write("a", "x");
  RE re;
  re.SetOnGreppingFiles(&OnGrep);
  re.SetOnFindFiles(&OnFind);
  Prepare(re, "", "*");
  EXPECT_EQ(re.GrepFiles(), 0u);
  EXPECT_EQ(re.FindFiles(), 0u);
  Prepare(re, "(x)", "");
  re.SetFilesToMatch("");
  EXPECT_EQ(re.GrepFiles(), 0u);
  EXPECT_EQ(re.FindFiles(), 0u);
  EXPECT_EQ(static_cast<const RE&>(re).NumberOfSubexpressions(), 0u) << "not compiled";
  Prepare(re, "x", "missing/*", true);
  EXPECT_EQ(re.GrepFiles(), 0u) << "a mask whose directory does not exist names no file";
  EXPECT_EQ(re.FindFiles(), 0u);
  EXPECT_TRUE(Events.empty());
}

TEST_F(FileGrepTest, AHandlerEndsTheRunAtItsFirstCall) {
  dir.Write("a", "x x");
  dir.Write("b", "x");
  RE re;
  Prepare(re, "x", "*");
  re.SetOnGreppingFiles(&OnGrep);
  re.SetOnFindFiles(&OnFind);
  StopAt = 1;
  EXPECT_EQ(re.GrepFiles(), 1u);
  EXPECT_EQ(Events.size(), 1u);
  Events.clear();
  EXPECT_EQ(re.FindFiles(), 1u);
  EXPECT_EQ(FilesOf(Events), std::vector<std::string>{dir / "a"}) << "no further file";
}

TEST_F(FileGrepTest, MatchVectorLineAndSender) {
  const std::string file = dir.Write("f", "first\nsecond\nthe ac here, abc\n");
  RE re;
  Prepare(re, "a(b)?c", "f");
  re.SetOnGreppingFiles(&OnGrep);
  ASSERT_EQ(re.GrepFiles(), 2u);
  ASSERT_EQ(Events.size(), 2u);
  const Event& first = Events[0];
  EXPECT_EQ(first.Sender, &re);
  EXPECT_EQ(first.File, file);
  EXPECT_EQ(first.Line, 3u);
  ASSERT_EQ(first.Matches.size(), 2u)
      << "the whole match and one sub-expression, no prefix or suffix";
  EXPECT_EQ(first.Matches[0].MatchString, "ac");
  EXPECT_EQ(first.Matches[0].Position, 17);
  EXPECT_EQ(first.Matches[1].MatchString, "");
  EXPECT_EQ(first.Matches[1].Position, -1);
  EXPECT_EQ(Events[1].Matches[1].MatchString, "b");
  EXPECT_EQ(Events[1].Matches[1].Position, 27);
}

TEST_F(FileGrepTest, MatchesSpanLines) {
  dir.Write("f", "begin\nmiddle\nend\n");
  RE re;
  Prepare(re, "in\n.*\ne", "f");
  re.SetOnGreppingFiles(&OnGrep);
  ASSERT_EQ(re.GrepFiles(), 1u);
  EXPECT_EQ(Events[0].Matches[0].MatchString, "in\nmiddle\ne");
  EXPECT_EQ(Events[0].Line, 1u);
}

TEST_F(FileGrepTest, OnlyTheCaseOptionReachesTheFileSearch) {
  dir.Write("f", "Needle needle a(b) aab");
  RE re;
  Prepare(re, "needle", "f");
  re.SetOnGreppingFiles(&OnGrep);
  EXPECT_EQ(re.GrepFiles(), 1u);
  re.AddExpressionOption(RE::CaseInsensitive);
  EXPECT_EQ(re.GrepFiles(), 2u);
  EXPECT_EQ(re.FindFiles(), 1u);

  // Under Basic \( \) would group; the file search reads the default syntax, where they are
  // literal. The object's own pattern is still compiled with its full options.
  RE basic;
  Prepare(basic, "a\\(b\\)", "f");
  basic.AddExpressionOption(RE::Basic);
  EXPECT_EQ(basic.GrepFiles(), 1u);
  EXPECT_EQ(static_cast<const RE&>(basic).NumberOfSubexpressions(), 1u);

  // "a(" is an error in the default syntax though Basic takes it: nothing runs, and the
  // object's pattern is left uncompiled by the call.
  RE broken;
  Prepare(broken, "a(", "f");
  broken.AddExpressionOption(RE::Basic);
  broken.SetOnGreppingFiles(&OnGrep);
  Events.clear();
  EXPECT_EQ(broken.GrepFiles(), 0u);
  EXPECT_EQ(broken.FindFiles(), 0u);
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(static_cast<const RE&>(broken).NumberOfSubexpressions(), 0u);
  EXPECT_EQ(broken.ParseExpression(), 0u) << "it does compile under its own options";
}

TEST_F(FileGrepTest, MatchOptionsApply) {
  dir.Write("f", "ab\nab");
  RE re;
  Prepare(re, "^ab", "f");
  EXPECT_EQ(re.GrepFiles(), 2u);
  re.AddMatchOption(RE::MatchNotBeginningOfLine);
  EXPECT_EQ(re.GrepFiles(), 1u);
}

TEST_F(FileGrepTest, RecursionAndVisitingOrder) {
  for (const char* file : {"b.txt", "a.txt", "B.txt", "sub/z.txt", "sub/deeper/a.txt", "Sub/a.txt",
                           "sub2/a.txt", "other.log"})
    dir.Write(file, "x");
  RE re;
  Prepare(re, "x", "*.txt");
  re.SetOnFindFiles(&OnFind);
  EXPECT_EQ(re.FindFiles(), 3u);
  EXPECT_EQ(FilesOf(Events),
            (std::vector<std::string>{dir / "B.txt", dir / "a.txt", dir / "b.txt"}));
  Events.clear();
  re.SetDirectoryRecursion(true);
  EXPECT_EQ(re.FindFiles(), 7u);
  EXPECT_EQ(FilesOf(Events), (std::vector<std::string>{
                                 dir / "B.txt", dir / "a.txt", dir / "b.txt", dir / "Sub/a.txt",
                                 dir / "sub/z.txt", dir / "sub/deeper/a.txt", dir / "sub2/a.txt"}));
}

// Restores the working directory on every way out.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path) : Saved(fs::current_path()) {
    fs::current_path(path);
  }
  ~WorkingDirectory() { fs::current_path(Saved); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path Saved;
};

TEST_F(FileGrepTest, AMaskWithoutDirectorySearchesTheCurrentDirectory) {
  dir.Write("here.txt", "x");
  dir.Write("sub/there.txt", "x");
  RE re;
  re.SetExpression("x");
  re.SetFilesToMatch("*.txt");
  re.SetOnGreppingFiles(&OnGrep);
  {
    const WorkingDirectory inside(dir.Path());
    EXPECT_EQ(re.GrepFiles(), 1u);
    re.SetDirectoryRecursion(true);
    EXPECT_EQ(re.GrepFiles(), 2u);
  }
  EXPECT_EQ(FilesOf(Events), (std::vector<std::string>{"here.txt", "here.txt", "sub/there.txt"}));
}

TEST_F(FileGrepTest, UnreadableFilesAndDirectoriesAreSkipped) {
  dir.Write("a", "x");
  dir.Write("b", "x");
  dir.Write("d1/c", "x");
  dir.Write("d2/e", "x");
  RE re;
  Prepare(re, "x", "*", true);
  re.SetOnGreppingFiles(&OnGrep);
  Platform::FailCall(Platform::Call::OpenForReading, 1, EACCES);
  EXPECT_EQ(re.GrepFiles(), 3u);
  EXPECT_EQ(FilesOf(Events), (std::vector<std::string>{dir / "b", dir / "d1/c", dir / "d2/e"}));
  Events.clear();
  Platform::FailCall(Platform::Call::OpenDirectory, 2, EACCES);  // d1
  EXPECT_EQ(re.GrepFiles(), 3u);
  EXPECT_EQ(FilesOf(Events), (std::vector<std::string>{dir / "a", dir / "b", dir / "d2/e"}));
  Events.clear();
  Platform::FailCall(Platform::Call::Read, 4, EIO);  // d2/e
  EXPECT_EQ(re.FindFiles(), 3u);
  EXPECT_EQ(FilesOf(Events), std::vector<std::string>{}) << "GrepFiles handler only";
}

TEST_F(FileGrepTest, LinksToFilesAreSearchedLinkLoopsDoNotHang) {
  dir.Write("d/real", "x");
  fs::create_symlink(dir / "d/real", dir / "d/link");
  fs::create_symlink(dir.Path(), dir / "d/up");  // a loop
  fs::create_symlink(dir / "d", dir / "d/self");
  RE re;
  Prepare(re, "x", "*", true);
  re.SetOnFindFiles(&OnFind);
  EXPECT_EQ(re.FindFiles(), 2u);
  EXPECT_EQ(FilesOf(Events), (std::vector<std::string>{dir / "d/link", dir / "d/real"}));
}

TEST_F(FileGrepTest, AnyBytesEmptyFilesAndPositions) {
  dir.Write("a-binary", std::string("\0\xff\xc3(needle\0needle", 17));
  dir.Write("b-empty", "");
  RE re;
  Prepare(re, "needle", "*");
  re.SetOnGreppingFiles(&OnGrep);
  EXPECT_EQ(re.GrepFiles(), 2u);
  ASSERT_EQ(Events.size(), 2u);
  EXPECT_EQ(Events[0].Matches[0].Position, 4);
  EXPECT_EQ(Events[1].Matches[0].Position, 11);
  Events.clear();
  Prepare(re, "\\xff.\\(", "*");
  ASSERT_EQ(re.GrepFiles(), 1u);
  EXPECT_EQ(Events[0].Matches[0].MatchString, "\xff\xc3(");
  Prepare(re, "x*", "b-empty");
  EXPECT_EQ(re.FindFiles(), 1u) << "the empty match of an empty file";
}

TEST_F(FileGrepTest, PositionsBeyondFourGigabytesAreExact) {
  const std::string path = dir / "sparse";
  const std::uint64_t offset = (std::uint64_t{1} << 32) + 7;
  {
    std::ofstream out(path, std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out << "needle";
  }
  RE re;
  Prepare(re, "needle", "sparse");
  re.SetOnGreppingFiles(&OnGrep);
  ASSERT_EQ(re.GrepFiles(), 1u);
  EXPECT_EQ(Events[0].Matches[0].Position, static_cast<std::int64_t>(offset));
}

// A member handler, for the closure form.
struct Listener {
  std::vector<std::string> Files;
  void OnGrepFiles(RE*, std::string file, const REMatchInfo&, unsigned, bool&) {
    Files.push_back(file);
  }
};

TEST_F(FileGrepTest, ClosureHandlersAndThePlainOneWins) {
  dir.Write("f", "x x");
  RE re;
  Prepare(re, "x", "f");
  Listener listener;
  re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&listener, &Listener::OnGrepFiles));
  EXPECT_EQ(re.GrepFiles(), 2u);
  EXPECT_EQ(listener.Files.size(), 2u);
  re.SetOnGreppingFiles(&OnGrep);
  EXPECT_EQ(re.GrepFiles(), 2u);
  EXPECT_EQ(listener.Files.size(), 2u);
  EXPECT_EQ(Events.size(), 2u);
}

// Nested runs: a handler of one object starts a run of another, or of its own object.
thread_local RE* Inner = nullptr;

void FindThenGrepInner(RE* sender, std::string file, bool& bcontinue) {
  OnFind(sender, file, bcontinue);
  Inner->GrepFiles();
}

TEST_F(FileGrepTest, NestedRunsFireTheirOwnObjectsEvents) {
  dir.Write("outer/1", "x");
  dir.Write("outer/2", "x");
  dir.Write("inner/i", "y y");
  RE a, b;
  Prepare(a, "x", "outer/*");
  Prepare(b, "y", "inner/*");
  a.SetOnFindFiles(&FindThenGrepInner);
  b.SetOnGreppingFiles(&OnGrep);
  Inner = &b;
  EXPECT_EQ(a.FindFiles(), 2u);
  std::vector<std::string> order;
  for (const Event& event : Events)
    order.push_back((event.Sender == &a ? "A " : "B ") + event.File);
  EXPECT_EQ(order, (std::vector<std::string>{"A " + dir / "outer/1", "B " + dir / "inner/i",
                                             "B " + dir / "inner/i", "A " + dir / "outer/2",
                                             "B " + dir / "inner/i", "B " + dir / "inner/i"}));
  ASSERT_NE(TLSStack.GetValue(), nullptr);
  EXPECT_TRUE(TLSStack.GetValue()->empty());

  // The same object inside its own handler: the inner run is a run like any other.
  Events.clear();
  Prepare(a, "x", "outer/1");
  a.SetOnGreppingFiles(&OnGrep);
  Inner = &a;
  EXPECT_EQ(a.FindFiles(), 1u);
  ASSERT_EQ(Events.size(), 2u);
  EXPECT_TRUE(Events[0].Matches.empty()) << "the find event first";
  EXPECT_EQ(Events[1].Matches.size(), 1u) << "then the inner grep's";
  EXPECT_EQ(Events[1].Sender, &a);
}

TEST_F(FileGrepTest, AHandlersExceptionReachesTheCallerAndPopsTheStack) {
  dir.Write("f", "x");
  std::thread([&] {
    {
      RE re;
      Prepare(re, "x", "f");
      re.SetOnGreppingFiles(&OnGrep);
      re.SetOnFindFiles(&OnFind);
      ThrowAtFirst = true;
      EXPECT_THROW(re.GrepFiles(), std::runtime_error);
      ASSERT_NE(TLSStack.GetValue(), nullptr);
      EXPECT_TRUE(TLSStack.GetValue()->empty());
      EXPECT_THROW(re.FindFiles(), std::runtime_error);
      EXPECT_TRUE(TLSStack.GetValue()->empty());
      ThrowAtFirst = false;
      Events.clear();
      EXPECT_EQ(re.GrepFiles(), 1u) << "a following run works";
      EXPECT_EQ(Events.size(), 1u);
    }
    EXPECT_EQ(TLSStack.GetValue(), nullptr) << "released with the object";
  }).join();
}

TEST_F(FileGrepTest, TheFirstRunInAThreadCreatesItsStack) {
  dir.Write("f", "x");
  std::thread([&] {
    RE re;
    Prepare(re, "x", "f");
    EXPECT_EQ(TLSStack.GetValue(), nullptr);
    EXPECT_EQ(re.GrepFiles(), 1u);
    ASSERT_NE(TLSStack.GetValue(), nullptr);
    EXPECT_TRUE(TLSStack.GetValue()->empty());
  }).join();
}

TEST_F(FileGrepTest, TwoThreadsEachSeeOnlyTheirOwnEvents) {
  constexpr int FilesPerThread = 150;
  for (int i = 0; i < FilesPerThread; ++i) {
    dir.Write("one/f" + std::to_string(i), "alpha alpha beta\nalpha");
    dir.Write("two/f" + std::to_string(i), "beta alpha beta");
  }
  struct Outcome {
    unsigned Count = 0;
    std::vector<Event> Seen;
  } outcomes[2];
  const char* const dirs[] = {"one", "two"};
  auto run = [&](int which) {
    RE re;
    Prepare(re, which == 0 ? "alpha" : "beta", std::string(dirs[which]) + "/*");
    re.SetOnGreppingFiles(&OnGrep);
    for (int round = 0; round < 3; ++round) outcomes[which].Count += re.GrepFiles();
    outcomes[which].Seen = Events;
    for (const Event& event : Events) {
      if (event.Sender != &re) ADD_FAILURE() << "event of another object";
    }
    Events.clear();
  };
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  for (int which = 0; which < 2; ++which) {
    const unsigned expected =
        3u * FilesPerThread * (which == 0 ? 3u : 2u);  // rounds, files, matches
    EXPECT_EQ(outcomes[which].Count, expected);
    EXPECT_EQ(outcomes[which].Seen.size(), expected);
    for (const Event& event : outcomes[which].Seen)
      EXPECT_EQ(event.File.rfind(dir / dirs[which], 0), 0u) << event.File;
  }
}

}  // namespace
