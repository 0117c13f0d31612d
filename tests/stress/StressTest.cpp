// The toolkit at sizes and shapes that ordinary tests do not reach.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RegexClass::REMatchInfo;
using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

struct Positions {
  std::vector<std::int64_t> found;
  std::vector<std::string> files;
  void On(RE*, std::string file, const REMatchInfo& matches, unsigned, bool&) {
    found.push_back(matches.at(0).Position);
    files.push_back(file);
  }
};

TEST(Stress, AChangeRunOverTwentyThousandSmallFiles) {
  TemporaryDirectory dir;
  constexpr int Files = 20000;
  for (int i = 0; i < Files; ++i)
    dir.Write("d" + std::to_string(i % 100) + "/f" + std::to_string(i) + ".txt",
              "file " + std::to_string(i) + " says hello\n");
  RE re;
  re.SetExpression("hello");
  re.SetFormatString("goodbye");
  re.SetFilesToMatch(dir / "*.txt");
  re.SetDirectoryRecursion(true);
  EXPECT_EQ(re.ChangeFiles(), static_cast<unsigned>(Files));
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
  for (int i : {0, 1, 4999, 19999})
    EXPECT_EQ(TemporaryDirectory::Read(dir / ("d" + std::to_string(i % 100) + "/f" + std::to_string(i) + ".txt")),
              "file " + std::to_string(i) + " says goodbye\n");
  EXPECT_EQ(dir.Entries("d7").size(), static_cast<std::size_t>(Files / 100)) << "no stray files";
}

void WriteAt(int fd, std::uint64_t offset, const std::string& text) {
  ASSERT_EQ(::pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)),
            static_cast<ssize_t>(text.size()));
}

std::string ReadAt(const std::string& path, std::uint64_t offset, std::size_t length) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::string bytes(length, '\0');
  const ssize_t got = ::pread(fd, bytes.data(), length, static_cast<off_t>(offset));
  ::close(fd);
  bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return bytes;
}

// Offsets past 2^31 and 2^32 are reported and replaced exactly.
TEST(Stress, AFileBeyondFourGigabytes) {
  TemporaryDirectory dir;
  struct statvfs space;
  ASSERT_EQ(::statvfs(dir.Path().c_str(), &space), 0);
  const std::uint64_t available = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
  constexpr std::uint64_t Size = (std::uint64_t{3} << 30) + (std::uint64_t{1} << 30) + 4096;  // 4 GiB + 4 KiB
  if (available < 2 * Size + (std::uint64_t{1} << 30)) GTEST_SKIP() << "needs room for the file and its rewrite";

  const std::string path = dir / "big.bin";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(Size)), 0);  // sparse: reads as zeros
  const std::vector<std::uint64_t> at = {(std::uint64_t{1} << 31) - 3, (std::uint64_t{1} << 32) + 5,
                                         Size - 6};
  for (std::uint64_t offset : at) WriteAt(fd, offset, "needle");
  ::close(fd);

  Positions positions;
  RE re;
  re.SetExpression("needle");
  re.SetFilesToMatch(path);
  re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&positions, &Positions::On));
  EXPECT_EQ(re.GrepFiles(), 3u);
  ASSERT_EQ(positions.found.size(), 3u);
  for (std::size_t i = 0; i < at.size(); ++i) EXPECT_EQ(positions.found[i], static_cast<std::int64_t>(at[i]));

  re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure());
  re.SetFormatString("NEEDLE!");  // one byte longer: every later byte moves by one
  EXPECT_EQ(re.ChangeFiles(), 3u);
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
  EXPECT_EQ(std::filesystem::file_size(path), Size + 3);
  const std::string zero(1, '\0');
  EXPECT_EQ(ReadAt(path, at[0] - 1, 9), zero + "NEEDLE!" + zero);
  EXPECT_EQ(ReadAt(path, at[1] + 1 - 1, 9), zero + "NEEDLE!" + zero);
  EXPECT_EQ(ReadAt(path, at[2] + 2 - 1, 8), zero + "NEEDLE!");
}

TEST(Stress, ADeepDirectoryTree) {
  TemporaryDirectory dir;
  std::string relative;
  for (int depth = 0; depth < 600; ++depth) relative += "dd/";
  dir.Write(relative + "bottom.txt", "treasure");
  dir.Write("top.txt", "treasure");
  Positions positions;
  RE re;
  re.SetExpression("treasure");
  re.SetFilesToMatch(dir / "*.txt");
  re.SetDirectoryRecursion(true);
  re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&positions, &Positions::On));
  EXPECT_EQ(re.GrepFiles(), 2u);
  ASSERT_EQ(positions.files.size(), 2u);
  EXPECT_EQ(positions.files[1], dir / (relative + "bottom.txt"));
  re.SetFormatString("gold");
  EXPECT_EQ(re.ChangeFiles(), 2u);
  EXPECT_EQ(TemporaryDirectory::Read(dir / (relative + "bottom.txt")), "gold");
}

TEST(Stress, NamesWithSpacesNewlinesAndOddBytes) {
  TemporaryDirectory dir;
  const std::vector<std::string> names = {"with space.txt", "with\nnewline.txt", "bytes \xff\xfe.txt",
                                          "-leading-dash.txt", "quote'and\"double.txt"};
  for (const std::string& name : names) dir.Write("odd dir/" + name, "abc");
  RE re;
  re.SetExpression("b");
  re.SetFormatString("B");
  re.SetFilesToMatch(dir / "odd dir/*.txt");
  EXPECT_EQ(re.FindFiles(), names.size());
  EXPECT_EQ(re.ChangeFiles(), names.size());
  EXPECT_EQ(re.GetChangeFilesErrors(), nullptr);
  for (const std::string& name : names) EXPECT_EQ(TemporaryDirectory::Read(dir / ("odd dir/" + name)), "aBc") << name;
}

TEST(Stress, HardPatternsOnLargeTextsEndWithAValue) {
  const std::string text(1 << 20, 'a');
  // Without back-references the DFA answers; with one the backtracking engine gives up, and
  // that is a value too.
  for (const char* pattern : {"(a*)*b", "((a|aa)*)*b", "(a|a?)+b", "(.*)*x", "(a*)*b\\1"}) {
    RE re;
    re.SetExpression(pattern);
    re.SetStringToMatch(text);
    EXPECT_FALSE(re.Search()) << pattern;
    EXPECT_EQ(re.Grep(), 0u) << pattern;
  }
  TemporaryDirectory dir;
  dir.Write("hard.txt", text);
  for (const char* pattern : {"(a*)*b", "(a*)*b\\1"}) {
    RE change;
    change.SetExpression(pattern);
    change.SetFormatString("X");
    change.SetFilesToMatch(dir / "hard.txt");
    EXPECT_EQ(change.ChangeFiles(), 0u) << pattern;
    EXPECT_EQ(TemporaryDirectory::Read(dir / "hard.txt"), text) << pattern;
  }
}

}  // namespace
