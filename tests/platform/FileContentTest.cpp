// Taking a file's content for a search: regular files only, plain reads, failures as values,
// and a file that changes size while it is read.
#include "platform/FileContent.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TemporaryDirectory.h"
#include "platform/Directory.h"
#include "platform/FaultSeam.h"
#include "platform/ThreadSlot.h"

namespace {

using Platform::Call;
using Platform::FileContent;
using TestSupport::TemporaryDirectory;

std::string ReadAllOf(FileContent& content, std::vector<char>& buffer) {
  std::uint64_t length = 0;
  EXPECT_TRUE(content.ReadAll(buffer, length));
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

TEST(FileContent, ReadsWholeOrInPiecesByPathOrThroughItsDirectory) {
  TemporaryDirectory dir;
  const std::string bytes("a\0b\xff\nc", 6);
  const std::string path = dir.Write("f", bytes);
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Open(path.c_str()));
  EXPECT_EQ(content.SizeAtOpen(), 6u);
  EXPECT_EQ(ReadAllOf(content, buffer), bytes) << "NUL and high bytes kept";

  Platform::Directory directory;
  ASSERT_TRUE(directory.Open(dir.Path()));
  ASSERT_TRUE(content.Open(directory, "f"));
  std::string pieces;
  char piece[4];
  for (std::size_t got = 1; got != 0;) {
    ASSERT_TRUE(content.Read(piece, sizeof piece, got));
    pieces.append(piece, got);
  }
  EXPECT_EQ(pieces, bytes);
}

TEST(FileContent, BufferIsReusedAndOnlyGrows) {
  TemporaryDirectory dir;
  const std::string big = dir.Write("big", std::string(1000, 'x'));
  const std::string small = dir.Write("small", "tiny");
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Open(big.c_str()));
  EXPECT_EQ(ReadAllOf(content, buffer).size(), 1000u);
  const char* storage = buffer.data();
  ASSERT_TRUE(content.Open(small.c_str()));
  EXPECT_EQ(ReadAllOf(content, buffer), "tiny") << "the length is the file's, not the buffer's";
  EXPECT_EQ(buffer.data(), storage) << "no new allocation for a smaller file";
  EXPECT_EQ(buffer.size(), 1000u);
}

TEST(FileContent, FollowsLinks) {
  TemporaryDirectory dir;
  const std::string target = dir.Write("target", "through the link");
  std::filesystem::create_symlink(target, dir / "link");
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Open((dir / "link").c_str()));
  EXPECT_EQ(ReadAllOf(content, buffer), "through the link");
}

// A FIFO with no writer would block an ordinary open for ever.
TEST(FileContent, RefusesWhatIsNotARegularFileWithoutWaiting) {
  TemporaryDirectory dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  Platform::Directory directory;
  ASSERT_TRUE(directory.Open(dir.Path()));
  FileContent content;
  for (const std::string& path : {dir / "pipe", dir.Path(), std::string("/dev/null")}) {
    EXPECT_FALSE(content.Open(path.c_str())) << path;
    EXPECT_EQ(Platform::LastError(), EINVAL) << path;
  }
  EXPECT_FALSE(content.Open(directory, "pipe"));
  EXPECT_EQ(Platform::LastError(), EINVAL);
}

TEST(FileContent, ReadsUpToTheSizeAtOpenOrToWhereTheFileEnded) {
  TemporaryDirectory dir;
  const std::string path = dir.Write("f", "0123456789");
  std::vector<char> buffer;
  FileContent content;

  ASSERT_TRUE(content.Open(path.c_str()));
  ASSERT_EQ(::truncate(path.c_str(), 4), 0);
  EXPECT_EQ(ReadAllOf(content, buffer), "0123") << "shrunk after the open";

  dir.Write("f", "0123456789");
  ASSERT_TRUE(content.Open(path.c_str()));
  dir.Write("f", "0123456789 and more");
  EXPECT_EQ(ReadAllOf(content, buffer), "0123456789") << "grown after the open";
}

TEST(FileContent, EachFailingStepIsReported) {
  TemporaryDirectory dir;
  const std::string path = dir.Write("f", "content");
  std::vector<char> buffer;
  FileContent content;
  {
    Platform::ScopedFault fault(Call::OpenForReading, 1, EIO);
    EXPECT_FALSE(content.Open(path.c_str()));
    EXPECT_EQ(Platform::LastError(), EIO);
  }
  {
    ASSERT_TRUE(content.Open(path.c_str()));
    Platform::ScopedFault fault(Call::Read, 1, EIO);
    std::uint64_t length = 0;
    EXPECT_FALSE(content.ReadAll(buffer, length));
    EXPECT_EQ(Platform::LastError(), EIO);
    EXPECT_EQ(length, 0u);
  }
  EXPECT_FALSE(content.Open((dir / "missing").c_str()));
  EXPECT_EQ(Platform::LastError(), ENOENT);
  Platform::Directory closed;
  EXPECT_FALSE(content.Open(closed, "f"));
}

}  // namespace
