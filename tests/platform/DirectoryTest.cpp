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
  Platform::Directory directory;
  EXPECT_TRUE(directory.Open(path));
  EXPECT_TRUE(directory.List(entries));
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
  Platform::Directory directory;

  EXPECT_FALSE(directory.Open(dir / "missing"));
  EXPECT_EQ(Platform::LastError(), ENOENT);
  EXPECT_FALSE(directory.IsOpen());

  EXPECT_FALSE(directory.Open(dir / "file"));
  EXPECT_EQ(Platform::LastError(), ENOTDIR);

  std::vector<Platform::DirectoryEntry> entries{{"stale", EntryKind::File}};
  EXPECT_FALSE(directory.List(entries)) << "nothing open";
  EXPECT_TRUE(entries.empty());
  {
    Platform::ScopedFault fault(Platform::Call::OpenDirectory, 1, EACCES);
    EXPECT_FALSE(directory.Open(dir.Path()));
    EXPECT_EQ(Platform::LastError(), EACCES);
    EXPECT_TRUE(directory.Open(dir.Path())) << "only the planned call fails";
  }
  EXPECT_TRUE(directory.List(entries));
  EXPECT_EQ(entries.size(), 1u);
}

TEST(Directory, ChildrenAreReachedThroughTheHandleNeverThroughALink) {
  TemporaryDirectory dir;
  dir.Write("sub/inner", "y");
  fs::create_symlink(dir / "sub", dir / "link-to-dir");
  Platform::Directory root;
  ASSERT_TRUE(root.Open(dir.Path()));
  Platform::Directory child;
  ASSERT_TRUE(child.OpenChild(root, "sub"));
  std::vector<Platform::DirectoryEntry> entries;
  ASSERT_TRUE(child.List(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Name, "inner");
  EXPECT_FALSE(child.OpenChild(root, "link-to-dir"));
  EXPECT_FALSE(child.OpenChild(root, "missing"));

  ASSERT_TRUE(child.OpenChild(root, "sub"));
  Platform::Directory parent;
  EXPECT_TRUE(parent.OpenParent(child, root.Identity()));
  EXPECT_EQ(parent.Identity(), root.Identity());
  EXPECT_FALSE(parent.OpenParent(child, child.Identity())) << "'..' is not the expected directory";
  EXPECT_EQ(Platform::LastError(), ESTALE);
  EXPECT_FALSE(parent.IsOpen());
}

TEST(Directory, ListingTwiceGivesTheSameEntries) {
  TemporaryDirectory dir;
  dir.Write("a", "");
  dir.Write("b", "");
  Platform::Directory directory;
  ASSERT_TRUE(directory.Open(dir.Path()));
  std::vector<Platform::DirectoryEntry> first, second;
  ASSERT_TRUE(directory.List(first));
  ASSERT_TRUE(directory.List(second));
  EXPECT_EQ(first.size(), 2u);
  EXPECT_EQ(second.size(), 2u);
}

TEST(Directory, NamesKeepEveryByte) {
  TemporaryDirectory dir;
  const std::string odd = "caf\xe9 \x01name";
  dir.Write(odd, "");
  EXPECT_EQ(Listing(dir.Path()).count(odd), 1u);
}

}  // namespace

namespace {

// Climbing from a directory to the top: each parent found by its handle, each child's name by
// its identity, whatever path reached the first (a link included); the top has no parent.
TEST(Directory, ClimbsToTheTopNamingEachDirectoryOnTheWay) {
  TemporaryDirectory dir;
  dir.Write("a/b/c/file", "x");
  fs::create_directory_symlink(dir / "a/b", dir / "shortcut");
  Platform::Directory at;
  ASSERT_TRUE(at.Open(dir / "shortcut/c"));
  std::vector<std::string> names;
  for (int i = 0; i < 4096; ++i) {
    Platform::Directory parent;
    if (!parent.OpenAbove(at)) {
      EXPECT_EQ(Platform::LastError(), 0) << "only the top ends the climb";
      break;
    }
    std::string name;
    ASSERT_TRUE(parent.NameOf(at.Identity(), name));
    names.insert(names.begin(), name);
    at = std::move(parent);
  }
  std::string path;
  for (const std::string& name : names) path += "/" + name;
  EXPECT_EQ(path, fs::canonical(dir.Path()).string() + "/a/b/c");
  std::string none;
  EXPECT_FALSE(at.NameOf(Platform::DirectoryIdentity{1, 1}, none)) << "no such child";
}

TEST(Directory, HoldsTellsAnyEntryButADanglingLink) {
  TemporaryDirectory dir;
  dir.Write("file", "x");
  dir.Write("sub/inner", "y");
  fs::create_symlink(dir / "missing", dir / "dangling");
  Platform::Directory directory;
  ASSERT_TRUE(directory.Open(dir.Path()));
  EXPECT_TRUE(directory.Holds("file"));
  EXPECT_TRUE(directory.Holds("sub"));
  EXPECT_FALSE(directory.Holds("dangling"));
  EXPECT_FALSE(directory.Holds("nothere"));
  EXPECT_FALSE(Platform::Directory().Holds("file")) << "a closed directory holds nothing";
  Platform::ScopedFault fault(Platform::Call::OpenAbove, 1, EACCES);
  Platform::Directory parent;
  EXPECT_FALSE(parent.OpenAbove(directory));
  EXPECT_EQ(Platform::LastError(), EACCES);
  EXPECT_FALSE(parent.IsOpen());
}

}  // namespace
