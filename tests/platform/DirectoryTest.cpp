// Listing a directory: names and kinds, links told apart, failures as values.
#include "platform/Directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

#include "TemporaryDirectory.h"
#include "platform/FaultSeam.h"
#include "platform/ThreadSlot.h"

namespace {

using Platform::EntryKind;
using TestSupport::TemporaryDirectory;
namespace fs = std::filesystem;

std::map<std::string, EntryKind> Listing(const std::string& path) {
  std::vector<Platform::DirectoryEntry> entries;
  EXPECT_TRUE(Platform::ListDirectory(path, entries));
  std::map<std::string, EntryKind> byName;
  for (const auto& entry : entries) byName[entry.Name] = entry.Kind;
  EXPECT_EQ(byName.size(), entries.size()) << "no name twice";
  return byName;
}

TEST(Directory, GivesEveryKind) {
  TemporaryDirectory dir;
  dir.Write("file", "x");
  dir.Write("sub/inner", "y");
  fs::create_symlink(dir / "file", dir / "link-to-file");
  fs::create_symlink(dir / "sub", dir / "link-to-dir");
  fs::create_symlink(dir / "missing", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

  const std::map<std::string, EntryKind> expected = {
      {"file", EntryKind::File},
      {"sub", EntryKind::Directory},
      {"link-to-file", EntryKind::LinkToFile},
      {"link-to-dir", EntryKind::LinkToDirectory},
      {"dangling", EntryKind::Other},
      {"pipe", EntryKind::Other},
  };
  EXPECT_EQ(Listing(dir.Path()), expected) << "'.' and '..' are left out";
}

TEST(Directory, EmptyDirectoryHasNoEntries) {
  TemporaryDirectory dir;
  EXPECT_TRUE(Listing(dir.Path()).empty());
}

TEST(Directory, FailuresAreValues) {
  TemporaryDirectory dir;
  dir.Write("file", "x");
  std::vector<Platform::DirectoryEntry> entries{{"stale", EntryKind::File}};

  EXPECT_FALSE(Platform::ListDirectory(dir / "missing", entries));
  EXPECT_EQ(Platform::LastError(), ENOENT);
  EXPECT_TRUE(entries.empty());

  EXPECT_FALSE(Platform::ListDirectory(dir / "file", entries));
  EXPECT_EQ(Platform::LastError(), ENOTDIR);

  {
    Platform::ScopedFault fault(Platform::Call::OpenDirectory, 1, EACCES);
    EXPECT_FALSE(Platform::ListDirectory(dir.Path(), entries));
    EXPECT_EQ(Platform::LastError(), EACCES);
    EXPECT_TRUE(Platform::ListDirectory(dir.Path(), entries)) << "only the planned call fails";
  }
  EXPECT_EQ(entries.size(), 1u);
}

TEST(Directory, NamesKeepEveryByte) {
  TemporaryDirectory dir;
  const std::string odd = "caf\xe9 \x01name";
  dir.Write(odd, "");
  EXPECT_EQ(Listing(dir.Path()).count(odd), 1u);
}

}  // namespace
