// The streams a command line is handed, through the shared library: whole inputs and blocks
// from files and pipes, what a stream is, and a writer that keeps its first failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "TemporaryDirectory.h"
#include "grepcore/Streams.h"
#include "grepcore/Walk.h"

namespace {

using TestSupport::TemporaryDirectory;

// A descriptor the test owns.
class Fd {
 public:
  explicit Fd(int fd = -1) : Value(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return Value; }
  void Reset() {
    if (Value >= 0) ::close(Value);
    Value = -1;
  }

 private:
  int Value;
};

struct Pipe {
  Pipe() {
    int ends[2];
    if (::pipe(ends) == 0) {
      Read = ends[0];
      Write = ends[1];
    }
  }
  ~Pipe() {
    if (Read >= 0) ::close(Read);
    if (Write >= 0) ::close(Write);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  void CloseWrite() {
    ::close(Write);
    Write = -1;
  }
  void CloseRead() {
    ::close(Read);
    Read = -1;
  }
  int Read = -1;
  int Write = -1;
};

// A descriptor number that is certainly not open.
int ClosedDescriptor() {
  Fd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  const int number = fd.Get();
  fd.Reset();
  return number;
}

// More than a pipe holds, so reader and writer must take turns.
std::string LargeText() {
  std::string text;
  for (int i = 0; text.size() < (300u << 10); ++i) text += "line " + std::to_string(i) + '\n';
  text += '\0';
  text += "no line feed at the end";
  return text;
}

void ExpectIoError(const grepcore::Error& error, int code, const std::string& path) {
  EXPECT_EQ(error.Kind, grepcore::ErrorKind::Io);
  EXPECT_EQ(error.Code, static_cast<unsigned>(code));
  EXPECT_EQ(error.Message, std::strerror(code));
  EXPECT_EQ(error.Path, path);
}

TEST(ReadWhole, AFileIsReadByteForByteAndItsFailuresNameIt) {
  TemporaryDirectory tree;
  const std::string content = LargeText();
  const std::string path = tree.Write("patterns", content);
  const grepcore::Result<std::string> read = grepcore::ReadWholeFile(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, content);
  const std::string empty = tree.Write("empty", "");
  ASSERT_TRUE(grepcore::ReadWholeFile(empty));
  EXPECT_EQ(*grepcore::ReadWholeFile(empty), "");

  const grepcore::Result<std::string> missing = grepcore::ReadWholeFile(tree / "none");
  ASSERT_FALSE(missing);
  ExpectIoError(missing.Error(), ENOENT, tree / "none");
  // A directory opens but cannot be read.
  const grepcore::Result<std::string> directory = grepcore::ReadWholeFile(tree.Path());
  ASSERT_FALSE(directory);
  ExpectIoError(directory.Error(), EISDIR, tree.Path());
}

TEST(WriteNewFile, WritesOnlyAFileItCreatesNeverThroughAnExistingNameOrLink) {
  TemporaryDirectory tree;
  const std::string content = LargeText();
  ASSERT_TRUE(grepcore::WriteNewFile(tree / "plan", content));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "plan"), content);

  const grepcore::Result<bool> again = grepcore::WriteNewFile(tree / "plan", "other");
  ASSERT_FALSE(again);
  ExpectIoError(again.Error(), EEXIST, tree / "plan");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "plan"), content) << "an existing file is kept";

  // A link planted at the name, dangling or not, is not followed.
  ASSERT_EQ(::symlink("target", (tree / "planted").c_str()), 0);
  const grepcore::Result<bool> planted = grepcore::WriteNewFile(tree / "planted", "x");
  ASSERT_FALSE(planted);
  EXPECT_EQ(::access((tree / "target").c_str(), F_OK), -1) << "nothing was created through it";
  const grepcore::Result<bool> missing = grepcore::WriteNewFile(tree / "none/plan", "x");
  ASSERT_FALSE(missing);
  ExpectIoError(missing.Error(), ENOENT, tree / "none/plan");
}

TEST(ReadWhole, AnInputIsReadFromWhereItStandsAndStaysOpen) {
  TemporaryDirectory tree;
  const std::string path = tree.Write("input", "skipped|the rest\n");
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_GE(file.Get(), 0);
  ASSERT_EQ(::lseek(file.Get(), 8, SEEK_SET), 8);
  const grepcore::Result<std::string> rest = grepcore::ReadWholeInput(file.Get());
  ASSERT_TRUE(rest);
  EXPECT_EQ(*rest, "the rest\n");
  EXPECT_NE(::fcntl(file.Get(), F_GETFD), -1);
  // At the end already: nothing more, and no error.
  ASSERT_TRUE(grepcore::ReadWholeInput(file.Get()));
  EXPECT_EQ(*grepcore::ReadWholeInput(file.Get()), "");
}

TEST(ReadWhole, APipeIsReadUntilItsWriterCloses) {
  Pipe pipe;
  ASSERT_GE(pipe.Read, 0);
  const std::string content = LargeText();
  std::thread writer([&] {
    // In uneven pieces, as a slow producer delivers them.
    for (std::size_t at = 0; at < content.size();) {
      const std::size_t piece = std::min<std::size_t>(7919, content.size() - at);
      const ssize_t written = ::write(pipe.Write, content.data() + at, piece);
      if (written <= 0) break;
      at += static_cast<std::size_t>(written);
    }
    pipe.CloseWrite();
  });
  const grepcore::Result<std::string> read = grepcore::ReadWholeInput(pipe.Read);
  writer.join();
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, content);
}

TEST(ReadWhole, AClosedDescriptorIsAnErrorWithoutAPath) {
  const grepcore::Result<std::string> read = grepcore::ReadWholeInput(ClosedDescriptor());
  ASSERT_FALSE(read);
  ExpectIoError(read.Error(), EBADF, "");
}

TEST(ReadBlock, OneReadHandsOverWhatIsThereWithoutWaitingForMore) {
  Pipe pipe;
  ASSERT_GE(pipe.Read, 0);
  ASSERT_EQ(::write(pipe.Write, "ab\n", 3), 3);
  char block[64];
  // The writer is still open: a reader that waited for a full block would hang here.
  const grepcore::Result<std::size_t> first = grepcore::ReadBlock(pipe.Read, block, sizeof block);
  ASSERT_TRUE(first);
  EXPECT_EQ(std::string(block, *first), "ab\n");
  ASSERT_EQ(::write(pipe.Write, "cdef", 4), 4);
  const grepcore::Result<std::size_t> capped = grepcore::ReadBlock(pipe.Read, block, 2);
  ASSERT_TRUE(capped);
  EXPECT_EQ(std::string(block, *capped), "cd");
  pipe.CloseWrite();
  ASSERT_TRUE(grepcore::ReadBlock(pipe.Read, block, sizeof block));
  const grepcore::Result<std::size_t> end = grepcore::ReadBlock(pipe.Read, block, sizeof block);
  ASSERT_TRUE(end);
  EXPECT_EQ(*end, 0u);

  const grepcore::Result<std::size_t> bad =
      grepcore::ReadBlock(ClosedDescriptor(), block, sizeof block);
  ASSERT_FALSE(bad);
  ExpectIoError(bad.Error(), EBADF, "");
}

TEST(StreamKind, OnlyATerminalIsOne) {
  TemporaryDirectory tree;
  Fd file(::open(tree.Write("f", "x").c_str(), O_RDONLY | O_CLOEXEC));
  Pipe pipe;
  EXPECT_FALSE(grepcore::IsTerminal(file.Get()));
  EXPECT_FALSE(grepcore::IsTerminal(pipe.Write));
  EXPECT_FALSE(grepcore::IsTerminal(ClosedDescriptor()));
  Fd master(::posix_openpt(O_RDWR | O_NOCTTY));
  if (master.Get() < 0 || ::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0)
    GTEST_SKIP() << "no pseudo-terminals here";
  Fd terminal(::open(::ptsname(master.Get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_GE(terminal.Get(), 0);
  EXPECT_TRUE(grepcore::IsTerminal(terminal.Get()));
}

TEST(StreamKind, ARegularFileIsKnownByItsDeviceAndInode) {
  TemporaryDirectory tree;
  Fd file(::open(tree.Write("out", "").c_str(), O_WRONLY | O_CLOEXEC));
  struct stat status {};
  ASSERT_EQ(::fstat(file.Get(), &status), 0);
  const grepcore::Result<grepcore::StreamIdentity> identity = grepcore::IdentifyStream(file.Get());
  ASSERT_TRUE(identity);
  EXPECT_TRUE(identity->RegularFile);
  EXPECT_FALSE(identity->Pipe);
  EXPECT_EQ(identity->Device, static_cast<std::uint64_t>(status.st_dev));
  EXPECT_EQ(identity->Inode, static_cast<std::uint64_t>(status.st_ino));

  Pipe pipe;
  const grepcore::Result<grepcore::StreamIdentity> piped = grepcore::IdentifyStream(pipe.Write);
  ASSERT_TRUE(piped);
  EXPECT_FALSE(piped->RegularFile);
  EXPECT_TRUE(piped->Pipe);
  // A device is neither: a command line tells data sent to it from a console or /dev/null.
  Fd null(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  ASSERT_GE(null.Get(), 0);
  const grepcore::Result<grepcore::StreamIdentity> device = grepcore::IdentifyStream(null.Get());
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->RegularFile);
  EXPECT_FALSE(device->Pipe);

  const grepcore::Result<grepcore::StreamIdentity> closed =
      grepcore::IdentifyStream(ClosedDescriptor());
  ASSERT_FALSE(closed);
  ExpectIoError(closed.Error(), EBADF, "");
}

TEST(OutputWriter, EveryByteReachesAPipeAndCloseEndsIt) {
  Pipe pipe;
  const std::string content = LargeText();
  std::string received;
  std::thread reader([&] {
    char block[4096];
    ssize_t got;
    while ((got = ::read(pipe.Read, block, sizeof block)) > 0)
      received.append(block, static_cast<std::size_t>(got));
  });
  grepcore::OutputWriter writer(pipe.Write);
  pipe.Write = -1;  // the writer's close ends it
  EXPECT_TRUE(writer.Write(content.data(), 100));
  EXPECT_TRUE(writer.Write(content.data() + 100, content.size() - 100));
  EXPECT_TRUE(writer.Write(content.data(), 0));
  EXPECT_EQ(writer.Close(), 0);
  EXPECT_FALSE(writer.IsOpen());
  reader.join();
  EXPECT_EQ(received, content);
  // Closed: nothing more goes out, and a second close changes nothing.
  EXPECT_FALSE(writer.Write("x", 1));
  EXPECT_EQ(writer.Close(), 0);
}

TEST(OutputWriter, TheFirstFailureIsKeptAndLaterWritesAreDropped) {
  grepcore::IgnoreBrokenPipe();
  Pipe pipe;
  pipe.CloseRead();
  {
    grepcore::OutputWriter writer(pipe.Write);
    EXPECT_FALSE(writer.Write("lost\n", 5));
    EXPECT_EQ(writer.Error(), EPIPE);
    EXPECT_FALSE(writer.Write("also lost\n", 10));
    EXPECT_EQ(writer.Error(), EPIPE);
  }
  // Destroying the writer left the descriptor open.
  EXPECT_NE(::fcntl(pipe.Write, F_GETFD), -1);

  grepcore::OutputWriter failing(pipe.Write);
  pipe.Write = -1;
  EXPECT_FALSE(failing.Write("x", 1));
  // The close succeeds, but the write's failure is what is reported.
  EXPECT_EQ(failing.Close(), EPIPE);
}

TEST(OutputWriter, ABadDescriptorFailsItsWritesAndItsClose) {
  grepcore::OutputWriter unwritten(ClosedDescriptor());
  EXPECT_EQ(unwritten.Close(), EBADF);

  grepcore::OutputWriter written(ClosedDescriptor());
  EXPECT_FALSE(written.Write("x", 1));
  EXPECT_EQ(written.Error(), EBADF);
  EXPECT_EQ(written.Close(), EBADF);
}

// A walk hands each file on with an open handle on its directory, so a tree of more
// directories than the soft limit on descriptors needs that limit raised: under a soft limit
// of 64 the walk of 100 directories names what it could not open (nothing is lost unsaid),
// and after the raise it finds every file.
TEST(Streams, TheDescriptorLimitIsRaisedForATreeOfManyDirectories) {
  struct rlimit given {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &given), 0);
  if (given.rlim_max != RLIM_INFINITY && given.rlim_max < 512)
    GTEST_SKIP() << "the hard limit leaves no room to raise";
  TemporaryDirectory dir;
  for (int i = 0; i < 100; ++i) dir.Write("d" + std::to_string(i) + "/f.txt", "x\n");
  const auto walk = [&dir](std::size_t& files) {
    grepcore::WalkOptions options;
    options.Roots = {dir.Path()};
    std::vector<grepcore::WalkedFile> held;  // as a search holds them until they are read
    std::vector<grepcore::WalkProblem> problems = grepcore::Walk(
        options, [&](grepcore::WalkedFile&& file) { held.push_back(std::move(file)); });
    files = held.size();
    return problems.size();
  };
  struct rlimit low = given;
  low.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::size_t files = 0;
  EXPECT_GT(walk(files), 0u) << "the directories past the limit are named as problems";
  EXPECT_LT(files, 100u);

  const std::uint64_t now = grepcore::RaiseOpenDescriptorLimit();
  struct rlimit raised {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &raised), 0);
  EXPECT_EQ(raised.rlim_cur, given.rlim_max);
  EXPECT_EQ(now, given.rlim_max == RLIM_INFINITY ? UINT64_MAX
                                                 : static_cast<std::uint64_t>(given.rlim_max));
  EXPECT_EQ(walk(files), 0u);
  EXPECT_EQ(files, 100u);
  ::setrlimit(RLIMIT_NOFILE, &given);
}

}  // namespace
