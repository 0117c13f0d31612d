// The file mask: its wild cards, and the walk's files and order over real directories when its
// roots are masks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "DeepTree.h"
#include "DirectoryHandle.h"
#include "FileMask.h"
#include "TemporaryDirectory.h"
#include "grepcore/Walk.h"
#include "platform/FileContent.h"
#include "platform/FaultSeam.h"

namespace {

using grepcore::FileMask;
using grepcore::WildcardMatch;
using TestSupport::TemporaryDirectory;
namespace fs = std::filesystem;

// Walks `mask` as the pattern class does; false when the visitor ended the walk.
template <class Visit>
bool WalkMask(const std::string& mask, bool recurse, Visit visit) {
  grepcore::WalkOptions options;
  options.Roots = {mask};
  options.RootsAreMasks = true;
  options.MaskRecursion = recurse;
  bool ended = false;
  grepcore::WalkUntil(options, [&](grepcore::WalkedFile&& file) {
    ended = !visit(file);
    return !ended;
  });
  return !ended;
}

TEST(FileMask, Wildcards) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } const cases[] = {
      {"*", "anything", true},     {"*", "", true},           {"*", ".hidden", true},
      {"*.txt", "a.txt", true},    {"*.txt", ".txt", true},   {"*.txt", "a.txt.bak", false},
      {"*.txt", "a.TXT", false},   {"?", "a", true},          {"?", "", false},
      {"?", "ab", false},          {"a?c", "abc", true},      {"a?c", "ac", false},
      {"a*b*c", "aXbYc", true},    {"a*b*c", "abcbc", true},  {"a*b*c", "acb", false},
      {"*a*a*a", "aaaa", true},    {"*ab", "aab", true},      {"a**b", "ab", true},
      {"exact", "exact", true},    {"exact", "exact2", false}, {"", "", true},
      {"", "a", false},            {"\xe9*", "\xe9t\xe9", true}, {"?", "\xff", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(FileMask, SplitsAtTheLastSlash) {
  struct Case {
    const char* mask;
    const char* directory;
    const char* prefix;
    const char* pattern;
  } const cases[] = {
      {"*.txt", ".", "", "*.txt"},
      {"dir/*.txt", "dir/", "dir/", "*.txt"},
      {"/abs/dir/x?", "/abs/dir/", "/abs/dir/", "x?"},
      {"/name", "/", "/", "name"},
      {"a/b/", "a/b/", "a/b/", ""},
  };
  for (const Case& c : cases) {
    const FileMask mask(c.mask);
    EXPECT_EQ(mask.Directory(), c.directory) << c.mask;
    EXPECT_EQ(mask.PathPrefix(), c.prefix) << c.mask;
    EXPECT_EQ(mask.NamePattern(), c.pattern) << c.mask;
  }
}

std::vector<std::string> Walk(const std::string& mask, bool recurse) {
  std::vector<std::string> seen;
  WalkMask(mask, recurse, [&](const grepcore::WalkedFile& file) {
    seen.push_back(file.Path);
    return true;
  });
  return seen;
}

class MaskWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"b.txt", "a.txt", "B.txt", "c.log", "z/a.txt", "z/y/a.txt",
                             "z/b.txt", "m/n.txt", "m/o/p.txt", "m/o/q.log", "Z/a.txt"})
      dir.Write(file, "x");
  }
  void TearDown() override { Platform::ClearFaults(); }
  std::string Root() const { return dir.Path() + "/"; }
  TemporaryDirectory dir;
};

TEST_F(MaskWalkTest, FilesInByteOrderThenSubdirectoriesDepthFirst) {
  const std::string r = Root();
  EXPECT_EQ(Walk(r + "*.txt", false), (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt"}));
  EXPECT_EQ(Walk(r + "*.txt", true),
            (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt", r + "Z/a.txt",
                                      r + "m/n.txt", r + "m/o/p.txt", r + "z/a.txt",
                                      r + "z/b.txt", r + "z/y/a.txt"}));
  EXPECT_EQ(Walk(r + "a.txt", true),
            (std::vector<std::string>{r + "a.txt", r + "Z/a.txt", r + "z/a.txt", r + "z/y/a.txt"}))
      << "a name without wild cards is looked for in every directory";
  EXPECT_EQ(Walk(r + "z", true), std::vector<std::string>{}) << "directories are not files";
}

TEST(MaskWalk, NamesCompareAsUnsignedBytes) {
  TemporaryDirectory dir;
  for (const char* name : {"\xe9t\xe9", "z", "A", "\x01"}) dir.Write(name, "");
  const std::string r = dir.Path() + "/";
  EXPECT_EQ(Walk(r + "*", false),
            (std::vector<std::string>{r + "\x01", r + "A", r + "z", r + "\xe9t\xe9"}));
}

TEST_F(MaskWalkTest, MissingOrUnlistableDirectoryNamesNothing) {
  EXPECT_TRUE(Walk(Root() + "missing/*", true).empty());
  EXPECT_TRUE(Walk(Root() + "a.txt/*", true).empty());
  Platform::FailCall(Platform::Call::OpenDirectory, 1, EACCES);
  EXPECT_TRUE(Walk(Root() + "*.txt", true).empty());
}

TEST_F(MaskWalkTest, UnlistableSubdirectoryIsPassedOver) {
  const std::string r = Root();
  // Listing order: the root, then Z, then m (the second listing fails).
  Platform::FailCall(Platform::Call::OpenDirectory, 2, EACCES);
  const std::vector<std::string> seen = Walk(r + "*.txt", true);
  EXPECT_EQ(seen, (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt", r + "m/n.txt",
                                            r + "m/o/p.txt", r + "z/a.txt", r + "z/b.txt",
                                            r + "z/y/a.txt"}));
}

TEST_F(MaskWalkTest, StopsWhenTheVisitorSaysSo) {
  std::vector<std::string> seen;
  const bool completed = WalkMask(Root() + "*.txt", true, [&](const grepcore::WalkedFile& file) {
    seen.push_back(file.Path);
    return seen.size() < 4;
  });
  EXPECT_FALSE(completed);
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(MaskWalkTest, LinkedFilesAreNamedLinkedDirectoriesNotEntered) {
  const std::string r = Root();
  fs::create_symlink(r + "c.log", r + "linked.txt");
  fs::create_symlink(r + "m", r + "m/o/loop");  // a loop back up the tree
  fs::create_symlink(r + "z", r + "zz");
  fs::create_symlink(r + "nowhere", r + "dangling.txt");
  const std::vector<std::string> seen = Walk(r + "*.txt", true);
  EXPECT_EQ(seen, (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt", r + "linked.txt",
                                            r + "Z/a.txt", r + "m/n.txt", r + "m/o/p.txt",
                                            r + "z/a.txt", r + "z/b.txt", r + "z/y/a.txt"}));
}

// Restores the working directory on every way out.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path) : Saved(fs::current_path()) { fs::current_path(path); }
  ~WorkingDirectory() { fs::current_path(Saved); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path Saved;
};

TEST_F(MaskWalkTest, WithoutDirectoryPartTheCurrentDirectoryIsWalked) {
  const WorkingDirectory here(dir.Path());
  EXPECT_EQ(Walk("*.txt", false), (std::vector<std::string>{"B.txt", "a.txt", "b.txt"}));
  EXPECT_EQ(Walk("?.log", false), std::vector<std::string>{"c.log"});
  EXPECT_EQ(Walk("?.log", true), (std::vector<std::string>{"c.log", "m/o/q.log"}));
  EXPECT_EQ(Walk("m/o/*", false), (std::vector<std::string>{"m/o/p.txt", "m/o/q.log"}));
}

// Only a couple of directories are held open whatever the depth: the descriptors open while
// the bottom file is visited are as many as while a top file is.
std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST(MaskWalk, TreeDeeperThanTheLongestPathIsWalkedInFullByHandles) {
  TemporaryDirectory dir;
  const std::string name(60, 'd');
  constexpr int Depth = 120;  // about 7300 bytes of path
  TestSupport::DeepTree tree(dir.Path(), Depth, name);
  std::vector<std::string> expected;
  for (int level = 0; level <= Depth; level += 4) {
    tree.Write(level, "f.txt", "content " + std::to_string(level));
    tree.Write(level, "g.log", "");
    expected.push_back(tree.PathOf(level) + "/f.txt");
  }
  ASSERT_GT(expected.back().size(), static_cast<std::size_t>(PATH_MAX));

  std::vector<std::string> seen;
  std::vector<std::string> contents;
  std::vector<std::size_t> descriptors;
  WalkMask(dir.Path() + "/*.txt", true, [&](const grepcore::WalkedFile& file) {
    seen.push_back(file.Path);
    descriptors.push_back(OpenDescriptors());
    Platform::FileContent content;
    std::vector<char> buffer;
    std::uint64_t length = 0;
    if (content.Open(*file.Directory->Open, file.Name) && content.ReadAll(buffer, length))
      contents.emplace_back(buffer.data(), static_cast<std::size_t>(length));
    return true;
  });
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(contents.size(), expected.size()) << "every file read through its directory";
  EXPECT_EQ(contents.back(), "content 120");
  EXPECT_EQ(descriptors.front(), descriptors.back());
}

TEST_F(MaskWalkTest, WhenTheWayBackUpFailsTheDirectoryIsReopenedByItsPath) {
  const std::string r = Root();
  Platform::FailCall(Platform::Call::ReopenDirectory, 1, EACCES);
  EXPECT_EQ(Walk(r + "*.txt", true),
            (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt", r + "Z/a.txt",
                                      r + "m/n.txt", r + "m/o/p.txt", r + "z/a.txt",
                                      r + "z/b.txt", r + "z/y/a.txt"}));
}

TEST_F(MaskWalkTest, WhatCannotBeGotBackToIsPassedOver) {
  const std::string r = Root();
  // Z is walked; the way back to the root fails, and so does its path.
  Platform::FailCall(Platform::Call::ReopenDirectory, 1, EACCES);
  Platform::FailCall(Platform::Call::OpenDirectory, 3, EACCES);  // root, Z, then the root's path
  EXPECT_EQ(Walk(r + "*.txt", true),
            (std::vector<std::string>{r + "B.txt", r + "a.txt", r + "b.txt", r + "Z/a.txt"}));
}

// The toolkit's working files are never named, whatever the mask, and each is handed to the
// tidying once.
TEST(MaskWalk, WorkingFilesAreNeverNamed) {
  TemporaryDirectory dir;
  for (const char* file : {"a.txt", ".a.txt.Ab12Cd.~rxtmp", "sub/.b.1f2e.~rxcopy", "sub/b", ".~rxtmp"})
    dir.Write(file, "x");
  const std::string r = dir.Path() + "/";
  EXPECT_EQ(Walk(r + "*", true), (std::vector<std::string>{r + ".~rxtmp", r + "a.txt", r + "sub/b"}))
      << "a bare marker is no working file's name";
  EXPECT_TRUE(Walk(r + "*~rxtmp", false).size() == 1u);
}

}  // namespace
