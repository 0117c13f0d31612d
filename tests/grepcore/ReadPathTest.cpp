// The file operations against files that change under them: truncated while read, swapped for
// a FIFO after the walk listed them, trees too deep for a path, and the toolkit's own working
// files beside the searched ones.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DeepTree.h"
#include "FifoWriter.h"
#include "TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;
using RegexClass::REMatchInfo;
using TestSupport::TemporaryDirectory;

// Runs `operation` again and again in a child process while this process truncates `path` and
// grows it back; true when the child ended normally, never by a signal.
bool SurvivesTruncation(const std::string& path, const std::string& content,
                        const std::function<void()>& operation) {
  const pid_t child = ::fork();
  if (child == 0) {
    for (int i = 0; i < 30; ++i) operation();
    ::_exit(0);
  }
  if (child < 0) return false;
  int status = 0;
  for (unsigned round = 0;; ++round) {
    const pid_t ended = ::waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) continue;  // between a change run's steps
    if (::ftruncate(fd, static_cast<off_t>(round % 3 == 0 ? 0 : content.size() / (2 + round % 5))) == 0) {
      const ssize_t written = ::pwrite(fd, content.data(), content.size(), 0);
      (void)written;
    }
    ::close(fd);
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Large enough to be read in blocks; lines of text with a match in each.
std::string LargeText() {
  std::string text;
  while (text.size() < (std::size_t{4} << 20)) text += "a line with a needle in it, and more words\n";
  return text;
}

class ReadPathTest : public ::testing::Test {
 protected:
  TemporaryDirectory dir;
};

TEST_F(ReadPathTest, AFileTruncatedDuringEachOperationNeverKillsTheProcess) {
  const std::string content = LargeText();
  const std::string path = dir.Write("big.txt", content);
  struct Case {
    const char* name;
    const char* expression;
    std::function<unsigned(RE&)> run;
  } const cases[] = {
      {"GrepFiles", "needle", [](RE& re) { return re.GrepFiles(); }},
      {"GrepFiles, whole file", "needle.in", [](RE& re) { return re.GrepFiles(); }},
      {"FindFiles", "needle$", [](RE& re) { return re.FindFiles(); }},
      {"ChangeFiles", "needle", [](RE& re) { return re.ChangeFiles(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(SurvivesTruncation(path, content, [&] {
      RE re;
      re.SetExpression(c.expression);
      re.SetFormatString("NEEDLE");
      re.SetFilesToMatch(path);
      c.run(re);
    }));
  }
}

// The run's handler for a match in "a" replaces "b" by a FIFO (after the walk listed the
// directory, before "b" is opened); with `swapItself`, the handler for "b" replaces "b" (after
// it was searched, before the change run rewrites it).
struct Swapper {
  std::string Swapped;
  bool SwapItself = false;
  std::unique_ptr<TestSupport::FifoWriter> Writer;
  std::vector<std::string> Files;

  void Swap(const std::string& file) {
    Files.push_back(file);
    const std::string own = file.substr(file.rfind('/') + 1);
    if (Writer || own != (SwapItself ? "b" : "a")) return;
    ::unlink(Swapped.c_str());
    if (::mkfifo(Swapped.c_str(), 0600) == 0) Writer = std::make_unique<TestSupport::FifoWriter>(Swapped);
  }
  void OnMatch(RE*, std::string file, const REMatchInfo&, unsigned, bool&) { Swap(file); }
  void OnFound(RE*, std::string file, bool&) { Swap(file); }
};

TEST_F(ReadPathTest, AFileSwappedForAFifoIsPassedOverByEveryOperation) {
  for (int operation = 0; operation < 4; ++operation) {
    SCOPED_TRACE(operation);
    TemporaryDirectory files;
    for (const char* name : {"a", "b", "c"}) files.Write(name, "needle");
    Swapper swapper;
    swapper.Swapped = files / "b";
    swapper.SwapItself = operation == 3;
    RE re;
    re.SetExpression("needle");
    re.SetFormatString("NEEDLE");
    re.SetFilesToMatch(files / "*");
    re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&swapper, &Swapper::OnMatch));
    re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&swapper, &Swapper::OnFound));
    re.SetOnChangingFilesClosure(RE::FileMatchEventClosure(&swapper, &Swapper::OnMatch));
    const unsigned count = operation == 0 ? re.GrepFiles() : operation == 1 ? re.FindFiles() : re.ChangeFiles();
    ASSERT_TRUE(swapper.Writer);
    swapper.Writer.reset();
    struct stat status;
    ASSERT_EQ(::lstat(swapper.Swapped.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode)) << "left as it is";
    if (operation < 3) {
      EXPECT_EQ(count, 2u);
      EXPECT_EQ(swapper.Files, (std::vector<std::string>{files / "a", files / "c"}));
    } else {
      EXPECT_EQ(count, 2u) << "a and c changed";
      const auto* problems = re.GetChangeFilesErrors();
      ASSERT_NE(problems, nullptr);
      ASSERT_EQ(problems->size(), 1u);
      EXPECT_EQ(problems->at(0).FileName, files / "b");
      EXPECT_EQ(problems->at(0).Problem, RE::OpenFileFailed);
      EXPECT_EQ(TemporaryDirectory::Read(files / "c"), "NEEDLE");
    }
  }
}

struct FileNames {
  std::vector<std::string> Files;
  void OnMatch(RE*, std::string file, const REMatchInfo&, unsigned, bool&) { Files.push_back(file); }
  void OnFound(RE*, std::string file, bool&) { Files.push_back(file); }
};

TEST_F(ReadPathTest, EveryFileOfATreeDeeperThanTheLongestPathIsFound) {
  const std::string name(50, 'n');
  constexpr int Depth = 116;  // about 5900 bytes of path
  TestSupport::DeepTree tree(dir.Path(), Depth, name);
  std::vector<std::string> expected;
  for (int level = 0; level <= Depth; level += 4) {
    tree.Write(level, "f.txt", "a needle");
    expected.push_back(tree.PathOf(level) + "/f.txt");
  }
  ASSERT_EQ(expected.size(), 30u);
  ASSERT_GT(expected.back().size(), static_cast<std::size_t>(PATH_MAX));
  FileNames grepped, found;
  RE re;
  re.SetExpression("needle");
  re.SetFilesToMatch(dir / "*.txt");
  re.SetDirectoryRecursion(true);
  re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&grepped, &FileNames::OnMatch));
  re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&found, &FileNames::OnFound));
  EXPECT_EQ(re.GrepFiles(), 30u);
  EXPECT_EQ(re.FindFiles(), 30u);
  EXPECT_EQ(grepped.Files, expected);
  EXPECT_EQ(found.Files, expected);
}

TEST_F(ReadPathTest, WorkingFilesAreNeverSearched) {
  dir.Write("a.txt", "needle");
  dir.Write(".a.txt.Ab12Cd.~rxtmp", "needle");
  dir.Write("sub/.b.txt.1a2b.~rxcopy", "needle");
  FileNames found;
  RE re;
  re.SetExpression("needle");
  re.SetFilesToMatch(dir / "*");
  re.SetDirectoryRecursion(true);
  re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&found, &FileNames::OnFound));
  EXPECT_EQ(re.GrepFiles(), 1u);
  EXPECT_EQ(re.FindFiles(), 1u);
  EXPECT_EQ(found.Files, std::vector<std::string>{dir / "a.txt"});
}

}  // namespace
