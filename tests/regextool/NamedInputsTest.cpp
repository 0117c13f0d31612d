// What grep-files reads: files named on the command line as they are (devices, FIFOs, process
// substitutions, pattern files alike), files met in a walk only when regular, and never an
// input that is its own output, which would read back its lines until the disk is full.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "FifoWriter.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using TestSupport::FifoWriter;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

// A FIFO whose one writer writes `text` to the first reader, then closes its end: a reader that
// reads to the end gets exactly `text` (FifoWriter serves reader after reader).
class OneShotFifo {
 public:
  OneShotFifo(std::string path, std::string text)
      : Path(std::move(path)), Text(std::move(text)), Writer([this] { Serve(); }) {}
  ~OneShotFifo() {
    const int release = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK);  // ends a pending open
    Writer.join();
    if (release >= 0) ::close(release);
  }
  OneShotFifo(const OneShotFifo&) = delete;
  OneShotFifo& operator=(const OneShotFifo&) = delete;

 private:
  void Serve() {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    const int fd = ::open(Path.c_str(), O_WRONLY);
    if (fd < 0) return;
    const ssize_t written = ::write(fd, Text.data(), Text.size());
    (void)written;
    ::close(fd);
  }
  std::string Path;
  std::string Text;
  std::thread Writer;
};

class NamedInputs : public ::testing::Test {
 protected:
  void SetUp() override { Tree.Write("f", "x1\nyy\nx2\n"); }
  ToolResult Run(std::vector<std::string> arguments) {
    return RunIn(Tree.Path(), std::move(arguments));
  }
  // A run whose standard output is appended to `output` (relative to the tree), as `>> output`.
  ToolResult RunAppendingTo(const std::string& output, std::vector<std::string> arguments,
                            const std::string& input = "") {
    ToolTest::ToolRun run;
    run.Arguments = std::move(arguments);
    run.WorkingDirectory = Tree.Path();
    run.Out = ToolTest::OutputKind::AppendTo;
    run.OutputPath = Tree / output;
    if (!input.empty()) {
      run.In = ToolTest::InputKind::Path;
      run.InputPath = Tree / input;
    }
    run.FileSizeLimit = 1 << 20;  // a run that reads its own output stops here
    return ToolTest::RunTool(run);
  }
  TemporaryDirectory Tree;
};

TEST_F(NamedInputs, DevicesAndFifosNamedAreReadAsTheyAre) {
  const ToolResult withNull = Run({"grep-files", "x", "f", "/dev/null"});
  EXPECT_EQ(withNull.Status, 0) << withNull.Err;
  EXPECT_EQ(withNull.Out, "f:x1\nf:x2\n");
  EXPECT_EQ(withNull.Err, "");
  EXPECT_EQ(Run({"grep-files", "x", "/dev/null"}).Status, 1);

  ASSERT_EQ(::mkfifo((Tree / "pipe").c_str(), 0600), 0);
  for (const char* threads : {"1", "4"}) {
    const OneShotFifo writer(Tree / "pipe", "needle\nhay\n");
    const ToolResult fifo = Run({"grep-files", "-j", threads, "-n", "needle|x2", "f", "pipe", "f"});
    EXPECT_EQ(fifo.Status, 0) << fifo.Err;
    EXPECT_EQ(fifo.Out, "f:3:x2\npipe:1:needle\nf:3:x2\n") << threads << " threads";
  }
}

TEST_F(NamedInputs, AProcessSubstitutionIsReadToItsEnd) {
  // What `<(cmd)` gives: a pipe's reading end, inherited, named /dev/fd/N.
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string text = "one\nneedle two\nthree needle\n";
  ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(ends[1]);
  const ToolResult result =
      Run({"grep-files", "-c", "needle", "/dev/fd/" + std::to_string(ends[0])});
  ::close(ends[0]);
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "2\n");
}

TEST_F(NamedInputs, PatternFilesAreReadAsTheyAreToo) {
  const ToolResult none = Run({"grep-files", "-f", "/dev/null", "f"});
  EXPECT_EQ(none.Status, 1) << none.Err;  // no pattern at all: nothing matches
  EXPECT_EQ(none.Out, "");
  ASSERT_EQ(::mkfifo((Tree / "patterns").c_str(), 0600), 0);
  Tree.Write("g", "a needle\nhay\n");
  const OneShotFifo writer(Tree / "patterns", "needle\n");
  const ToolResult fromFifo = Run({"grep-files", "-f", "patterns", "g"});
  EXPECT_EQ(fromFifo.Status, 0) << fromFifo.Err;
  EXPECT_EQ(fromFifo.Out, "a needle\n");
}

TEST_F(NamedInputs, AFifoMetInAWalkIsNeverOpened) {
  Tree.Write("dir/a", "needle\n");
  ASSERT_EQ(::mkfifo((Tree / "dir/pipe").c_str(), 0600), 0);
  FifoWriter writer(Tree / "dir/pipe");
  const ToolResult result = Run({"grep-files", "needle", "dir"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "dir/a:needle\n");
  EXPECT_EQ(writer.Served(), 0);
}

TEST_F(NamedInputs, ANamedFileThatCannotBeOpenedIsNamed) {
  // Root reads past permission bits; nobody can open a socket.
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = Tree / "sock";
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const ToolResult result = Run({"grep-files", "x1", "sock", "f"});
  ::close(listener);
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Out, "f:x1\n");
  EXPECT_THAT(result.Err, HasSubstr("regextool: sock: "));
}

TEST_F(NamedInputs, AnInputThatIsTheOutputIsPassedOverWithAWord) {
  const std::string before = TemporaryDirectory::Read(Tree / "f");
  const ToolResult named = RunAppendingTo("f", {"grep-files", "x", "f"});
  EXPECT_EQ(named.Status, 2);
  EXPECT_EQ(named.Err, "regextool: f: input file is also the output\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "f"), before);

  const ToolResult standard = RunAppendingTo("f", {"grep-files", "x", "-"}, "f");
  EXPECT_EQ(standard.Status, 2);
  EXPECT_EQ(standard.Err, "regextool: (standard input): input file is also the output\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "f"), before);

  // The other inputs are searched all the same; the exit status says what was passed over.
  Tree.Write("g", "x3\n");
  const ToolResult others = RunAppendingTo("f", {"grep-files", "-j", "2", "x", "g", "f", "g"});
  EXPECT_EQ(others.Status, 2);
  EXPECT_EQ(others.Err, "regextool: f: input file is also the output\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "f"), before + "g:x3\ng:x3\n");
}

TEST_F(NamedInputs, TheOutputMetInAWalkIsPassedOverToo) {
  Tree.Write("dir/a", "x\n");
  Tree.Write("dir/out", "");  // what `> dir/out` leaves before the run
  const ToolResult result = RunAppendingTo("dir/out", {"grep-files", "x", "dir"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Err, "regextool: dir/out: input file is also the output\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "dir/out"), "dir/a:x\n");
}

TEST_F(NamedInputs, NamesAndCountsCannotFeedTheirInput) {
  // As in grep: -c, -l, -L and -q print nothing that the search could read back.
  const std::string before = TemporaryDirectory::Read(Tree / "f");
  EXPECT_EQ(RunAppendingTo("f", {"grep-files", "-c", "x", "f"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "f"), before + "2\n");
  EXPECT_EQ(RunAppendingTo("f", {"find-files", "x", "f"}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "f"), before + "2\nf\n");
  EXPECT_EQ(RunAppendingTo("f", {"grep-files", "-q", "x", "-"}, "f").Status, 0);
}

}  // namespace
