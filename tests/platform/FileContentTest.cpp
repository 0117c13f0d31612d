// Taking a file's whole content: read into the reused buffer or mapped, failures as values.
#include "platform/FileContent.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TemporaryDirectory.h"
#include "platform/FaultSeam.h"
#include "platform/ThreadSlot.h"

namespace {

using Platform::Call;
using Platform::FileContent;
using TestSupport::TemporaryDirectory;

std::string TextOf(const FileContent& content) {
  return std::string(content.Data(), static_cast<std::size_t>(content.Size()));
}

TEST(FileContent, ReadsOrMapsByThreshold) {
  TemporaryDirectory dir;
  const std::string bytes("a\0b\xff\nc", 6);
  const std::string path = dir.Write("f", bytes);
  struct Case {
    std::uint64_t threshold;
    bool mapped;
  } const cases[] = {{1u << 20, false}, {7, false}, {6, true}, {1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.threshold);
    std::vector<char> buffer;
    FileContent content;
    ASSERT_TRUE(content.Load(path.c_str(), buffer, c.threshold));
    EXPECT_EQ(content.Mapped(), c.mapped);
    EXPECT_EQ(TextOf(content), bytes) << "NUL and high bytes kept";
    EXPECT_EQ(buffer.empty(), c.mapped) << "a mapped file does not touch the buffer";
  }
}

TEST(FileContent, EmptyFileHasUsableEmptyContent) {
  TemporaryDirectory dir;
  const std::string path = dir.Write("empty", "");
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Load(path.c_str(), buffer, 0));
  EXPECT_FALSE(content.Mapped()) << "nothing to map";
  EXPECT_EQ(content.Size(), 0u);
  EXPECT_NE(content.Data(), nullptr);
}

TEST(FileContent, BufferIsReusedAndOnlyGrows) {
  TemporaryDirectory dir;
  const std::string big = dir.Write("big", std::string(1000, 'x'));
  const std::string small = dir.Write("small", "tiny");
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Load(big.c_str(), buffer));
  const char* storage = buffer.data();
  ASSERT_TRUE(content.Load(small.c_str(), buffer));
  EXPECT_EQ(TextOf(content), "tiny") << "the size is the file's, not the buffer's";
  EXPECT_EQ(buffer.data(), storage) << "no new allocation for a smaller file";
  EXPECT_EQ(buffer.size(), 1000u);
}

TEST(FileContent, FollowsLinks) {
  TemporaryDirectory dir;
  const std::string target = dir.Write("target", "through the link");
  std::filesystem::create_symlink(target, dir / "link");
  std::vector<char> buffer;
  FileContent content;
  ASSERT_TRUE(content.Load((dir / "link").c_str(), buffer));
  EXPECT_EQ(TextOf(content), "through the link");
}

TEST(FileContent, EachFailingStepIsReported) {
  TemporaryDirectory dir;
  const std::string path = dir.Write("f", "content");
  struct Case {
    const char* name;
    Call call;
    std::uint64_t threshold;
  } const cases[] = {
      {"open", Call::OpenForReading, 1u << 20},
      {"read", Call::Read, 1u << 20},
      {"map", Call::Map, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> buffer;
    FileContent content;
    ASSERT_TRUE(content.Load(path.c_str(), buffer, c.threshold)) << "earlier content";
    Platform::ScopedFault fault(c.call, 1, EIO);
    EXPECT_FALSE(content.Load(path.c_str(), buffer, c.threshold));
    EXPECT_EQ(Platform::LastError(), EIO);
    EXPECT_EQ(content.Size(), 0u) << "earlier content is let go";
    EXPECT_FALSE(content.Mapped());
  }
  std::vector<char> buffer;
  FileContent content;
  EXPECT_FALSE(content.Load((dir / "missing").c_str(), buffer));
  EXPECT_EQ(Platform::LastError(), ENOENT);
  EXPECT_FALSE(content.Load(dir.Path().c_str(), buffer)) << "a directory has no content to read";
}

}  // namespace
