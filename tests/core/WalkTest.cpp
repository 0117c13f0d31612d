// Picking files as line-oriented search tools do: paths as given, directories searched
// through in byte order, globs, hidden names, .gitignore rules and the toolkit's masks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "DirectoryHandle.h"
#include "Glob.h"
#include "IgnoreRules.h"
#include "TemporaryDirectory.h"
#include "grepcore/Walk.h"
#include "platform/FaultSeam.h"

namespace {

using grepcore::Glob;
using grepcore::IgnoreRules;
using grepcore::IgnoreVerdict;
using grepcore::WalkProblem;
using PathSelection = grepcore::WalkOptions;
using ::testing::ElementsAre;
using TestSupport::TemporaryDirectory;
namespace fs = std::filesystem;

TEST(Glob, WildcardsStayInsideOneComponent) {
  EXPECT_TRUE(Glob("*.c").Matches("main.c"));
  EXPECT_TRUE(Glob("*.c").Matches(".c"));
  EXPECT_FALSE(Glob("*.c").Matches("src/main.c"));
  EXPECT_FALSE(Glob("*.c").Matches("main.cc"));
  EXPECT_TRUE(Glob("?.txt").Matches("a.txt"));
  EXPECT_FALSE(Glob("?.txt").Matches("ab.txt"));
  EXPECT_FALSE(Glob("a?b").Matches("a/b"));
  EXPECT_TRUE(Glob("[a-c]x").Matches("bx"));
  EXPECT_FALSE(Glob("[!a-c]x").Matches("bx"));
  EXPECT_TRUE(Glob("[^a-c]x").Matches("dx"));
  EXPECT_TRUE(Glob("[x").Matches("[x")) << "an unclosed bracket is an ordinary character";
  EXPECT_TRUE(Glob("a\\*").Matches("a*"));
  EXPECT_FALSE(Glob("a\\*").Matches("ab"));
}

TEST(Glob, DoubleStarCrossesDirectoriesAndBracesGiveAlternatives) {
  EXPECT_TRUE(Glob("src/**/*.h").Matches("src/a.h"));
  EXPECT_TRUE(Glob("src/**/*.h").Matches("src/x/y/a.h"));
  EXPECT_FALSE(Glob("src/**/*.h").Matches("lib/a.h"));
  EXPECT_TRUE(Glob("**/test").Matches("test"));
  EXPECT_TRUE(Glob("**/test").Matches("a/b/test"));
  EXPECT_TRUE(Glob("build/**").Matches("build/x/y"));
  EXPECT_TRUE(Glob("*.{txt,conf}").Matches("a.conf"));
  EXPECT_TRUE(Glob("*.{txt,conf}").Matches("a.txt"));
  EXPECT_FALSE(Glob("*.{txt,conf}").Matches("a.log"));
  EXPECT_TRUE(Glob("{a,b{c,d}}.x").Matches("bd.x"));
  EXPECT_TRUE(Glob("{a,b").Matches("{a,b"));
  EXPECT_TRUE(Glob("src/*.c").HasSlash());
  EXPECT_FALSE(Glob("*.c").HasSlash());
}

TEST(IgnoreRules, CommonGitignoreForms) {
  const IgnoreRules rules(
      "# build output\n"
      "*.o\n"
      "\n"
      "!keep.o\n"
      "build/\n"
      "/top.txt\n"
      "doc/*.html\n"
      "trailing.txt   \n"
      "\\#hash\n");
  EXPECT_EQ(rules.Judge("a.o", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("deep/er/a.o", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("keep.o", false), IgnoreVerdict::Included);
  EXPECT_EQ(rules.Judge("build", true), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("x/build", true), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("build", false), IgnoreVerdict::NoRule) << "a file named build stays";
  EXPECT_EQ(rules.Judge("top.txt", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("sub/top.txt", false), IgnoreVerdict::NoRule) << "anchored";
  EXPECT_EQ(rules.Judge("doc/a.html", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("x/doc/a.html", false), IgnoreVerdict::NoRule);
  EXPECT_EQ(rules.Judge("trailing.txt", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("#hash", false), IgnoreVerdict::Ignored);
  EXPECT_EQ(rules.Judge("build output", false), IgnoreVerdict::NoRule);
}

class PathWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("b.txt", "b\n");
    Tree.Write("a.c", "a\n");
    Tree.Write("src/main.c", "m\n");
    Tree.Write("src/util.h", "u\n");
    Tree.Write("src/deep/x.c", "x\n");
    Tree.Write(".hidden", "h\n");
    Tree.Write(".config/c.txt", "c\n");
    Tree.Write(".git/HEAD", "ref\n");
    Tree.Write("Z.txt", "z\n");
  }

  std::vector<std::string> Walk(PathSelection selection) {
    std::vector<std::string> files;
    Problems.clear();
    Problems = grepcore::Walk(
        selection, [&](grepcore::WalkedFile&& file) { files.push_back(std::move(file.Path)); });
    return files;
  }

  PathSelection In(std::vector<std::string> relative) {
    PathSelection selection;
    for (const std::string& path : relative) selection.Roots.push_back(Tree / path);
    return selection;
  }

  std::string At(const std::string& relative) { return Tree / relative; }

  TemporaryDirectory Tree;
  std::vector<WalkProblem> Problems;
};

TEST_F(PathWalk, DirectoryIsSearchedThroughInByteOrderSkippingHiddenAndGit) {
  EXPECT_THAT(Walk(In({""})), ElementsAre(At("Z.txt"), At("a.c"), At("b.txt"), At("src/deep/x.c"),
                                          At("src/main.c"), At("src/util.h")));
  EXPECT_TRUE(Problems.empty());
}

TEST_F(PathWalk, AWalkAskedToStopStopsAtOnceInsideADirectoryAndAcrossRoots) {
  for (const std::size_t wanted : {1u, 4u, 5u}) {
    std::vector<std::string> files;
    PathSelection selection = In({"", "a.c"});
    grepcore::WalkUntil(selection, [&](grepcore::WalkedFile&& file) {
      files.push_back(std::move(file.Path));
      return files.size() < wanted;
    });
    const std::vector<std::string> all = {At("Z.txt"), At("a.c"), At("b.txt"), At("src/deep/x.c"),
                                          At("src/main.c")};
    EXPECT_EQ(files, std::vector<std::string>(all.begin(), all.begin() + wanted));
  }
}

TEST_F(PathWalk, HiddenTakesDotNamesButNotGit) {
  PathSelection selection = In({""});
  selection.Hidden = true;
  const std::vector<std::string> files = Walk(selection);
  EXPECT_THAT(files, ::testing::Contains(At(".hidden")));
  EXPECT_THAT(files, ::testing::Contains(At(".config/c.txt")));
  EXPECT_THAT(files, ::testing::Not(::testing::Contains(At(".git/HEAD"))));
  EXPECT_THAT(Walk(In({".git"})), ElementsAre(At(".git/HEAD"))) << "named, it is searched";
}

TEST_F(PathWalk, PathsKeepTheirOrderAndFilesAsGivenAreAlwaysTaken) {
  PathSelection selection = In({"src/util.h", "a.c", "src/deep"});
  selection.Include = {"*.txt"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/util.h"), At("a.c")));
  EXPECT_THAT(Walk(In({".hidden"})), ElementsAre(At(".hidden")));
}

TEST_F(PathWalk, NoPathsMeansTheCurrentDirectoryWithBareNames) {
  const fs::path before = fs::current_path();
  fs::current_path(Tree.Path() + "/src");
  const std::vector<std::string> files = Walk(PathSelection());
  fs::current_path(before);
  EXPECT_THAT(files, ElementsAre("deep/x.c", "main.c", "util.h"));
}

TEST_F(PathWalk, TrailingSlashIsNotDoubled) {
  EXPECT_THAT(Walk(In({"src/deep/"})), ElementsAre(At("src/deep/x.c")));
}

TEST_F(PathWalk, IncludeAndExcludeTakeBaseNames) {
  PathSelection selection = In({""});
  selection.Include = {"*.c", "*.h"};
  selection.Exclude = {"u*"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("a.c"), At("src/deep/x.c"), At("src/main.c")));
}

TEST_F(PathWalk, GlobsIncludeExcludeAndLastOneWins) {
  PathSelection selection = In({""});
  selection.Globs = {"*.{c,h}", "!main.c"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("a.c"), At("src/deep/x.c"), At("src/util.h")));
  selection.Globs = {"!deep"};
  EXPECT_THAT(Walk(selection),
              ElementsAre(At("Z.txt"), At("a.c"), At("b.txt"), At("src/main.c"), At("src/util.h")));
  selection.Globs = {"src/**/*.c"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/deep/x.c"), At("src/main.c")));
  selection.Globs = {"/*.txt"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("Z.txt"), At("b.txt")));
}

TEST_F(PathWalk, GitignoreIsHonouredPerDirectoryUnlessSwitchedOff) {
  Tree.Write(".gitignore", "*.txt\n!Z.txt\ndeep/\n");
  Tree.Write("src/.gitignore", "main.c\n");
  Tree.Write("src/keep.txt", "k\n");
  Tree.Write("src/sub/.gitignore", "!*.txt\n");
  Tree.Write("src/sub/back.txt", "b\n");
  EXPECT_THAT(Walk(In({""})),
              ElementsAre(At("Z.txt"), At("a.c"), At("src/sub/back.txt"), At("src/util.h")));
  PathSelection selection = In({""});
  selection.IgnoreFiles.clear();
  EXPECT_EQ(Walk(selection).size(), 8u) << "all but the hidden .gitignore files";
}

TEST_F(PathWalk, SavedCopiesAreSkipped) {
  Tree.Write("a.c.bak", "old\n");
  PathSelection selection = In({""});
  selection.SkipExtension = "bak";
  selection.Include = {"a.*"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("a.c")));
}

TEST_F(PathWalk, LinksInsideDirectoriesAreNotFollowed) {
  fs::create_directory_symlink(At("src"), At("linked-dir"));
  fs::create_symlink(At("a.c"), At("linked-file.c"));
  PathSelection selection = In({""});
  selection.Include = {"*.c"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("a.c"), At("src/deep/x.c"), At("src/main.c")));
  EXPECT_THAT(Walk(In({"linked-file.c"})), ElementsAre(At("linked-file.c"))) << "named, it is read";
}

TEST_F(PathWalk, MissingPathIsAProblemAndTheRestIsWalked) {
  EXPECT_THAT(Walk(In({"nothere", "a.c"})), ElementsAre(At("a.c")));
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Kind, grepcore::WalkProblemKind::Missing);
  EXPECT_EQ(Problems[0].Path, At("nothere"));
  EXPECT_EQ(Problems[0].Message, "No such file or directory");
}

TEST_F(PathWalk, MaskNamesFilesOfOneDirectoryOrOfTheTreeWithRecursion) {
  EXPECT_THAT(Walk(In({"*.{txt,c}"})), ElementsAre(At("Z.txt"), At("a.c"), At("b.txt")));
  PathSelection selection = In({"src/*.c"});
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/main.c")));
  selection.MaskRecursion = true;
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/deep/x.c"), At("src/main.c")));
  EXPECT_TRUE(Walk(In({"nothere/*.txt"})).empty());
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Path, At("nothere/*.txt"));
}

// The pattern class's masks differ from a search tool's paths in every rule the class
// promises: what the name part means, the order, links, hidden names and what a root is.
TEST_F(PathWalk, ClassMasksKeepTheirOwnRules) {
  Tree.Write("src/deep/[x].c", "b\n");
  Tree.Write("src/main.c.d/n", "n\n");
  fs::create_symlink(At("a.c"), At("src/linked.c"));
  fs::create_symlink(At("src/deep"), At("src/deeper.c"));
  PathSelection selection = In({"src/*.c"});
  selection.RootsAreMasks = true;
  selection.MaskRecursion = true;
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/linked.c"), At("src/main.c"),
                                           At("src/deep/[x].c"), At("src/deep/x.c")))
      << "files before sub-directories; a link to a file taken, one to a directory not entered";
  selection = In({"src/deep/[x].c"});
  selection.RootsAreMasks = true;
  EXPECT_THAT(Walk(selection), ElementsAre(At("src/deep/[x].c"))) << "brackets are no wildcard";
  selection = In({"*"});
  selection.RootsAreMasks = true;
  EXPECT_THAT(Walk(selection), ElementsAre(At(".hidden"), At("Z.txt"), At("a.c"), At("b.txt")));
  selection = In({".git/*"});
  selection.RootsAreMasks = true;
  EXPECT_THAT(Walk(selection), ElementsAre(At(".git/HEAD")));
  selection = In({"src"});
  selection.RootsAreMasks = true;
  EXPECT_TRUE(Walk(selection).empty()) << "a directory named as a mask is no file";
  selection = In({"*/*.c"});
  selection.RootsAreMasks = true;
  EXPECT_TRUE(Walk(selection).empty()) << "the directory part is taken as it is";
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Kind, grepcore::WalkProblemKind::Missing);
}

TEST_F(PathWalk, UnreadableDirectoryIsAProblemAndTheWalkGoesOn) {
  std::vector<std::string> files;
  {
    Platform::ScopedFault fault(Platform::Call::OpenDirectory, 2, EACCES);
    files = Walk(In({""}));
  }
  EXPECT_THAT(files, ElementsAre(At("Z.txt"), At("a.c"), At("b.txt")));
  ASSERT_EQ(Problems.size(), 1u);
  EXPECT_EQ(Problems[0].Kind, grepcore::WalkProblemKind::Unreadable);
  EXPECT_EQ(Problems[0].Path, At("src"));
  EXPECT_EQ(Problems[0].Message, "Permission denied");
}

TEST_F(PathWalk, BinaryMeansANulInTheFirstBlock) {
  Tree.Write("bin", std::string("ab\0cd", 5));
  Tree.Write("late", std::string(9000, 'x') + std::string(1, '\0'));
  EXPECT_TRUE(grepcore::LooksBinary(At("bin")));
  EXPECT_FALSE(grepcore::LooksBinary(At("late")));
  EXPECT_FALSE(grepcore::LooksBinary(At("a.c")));
  EXPECT_FALSE(grepcore::LooksBinary(At("nothere")));
}

TEST_F(PathWalk, LinksAreFollowedWhenAskedAndALoopIsNotEntered) {
  fs::create_directory_symlink(At("src"), At("linked-dir"));
  fs::create_symlink(At("a.c"), At("linked-file.c"));
  fs::create_directory_symlink(At("src"), At("src/deep/up"));
  PathSelection selection = In({""});
  selection.Include = {"*.c"};
  selection.FollowLinks = true;
  EXPECT_THAT(Walk(selection),
              ElementsAre(At("a.c"), At("linked-dir/deep/x.c"), At("linked-dir/main.c"),
                          At("linked-file.c"), At("src/deep/x.c"), At("src/main.c")));
  // The loop is named, as a warning, wherever it is met.
  ASSERT_EQ(Problems.size(), 2u);
  EXPECT_EQ(Problems[0].Kind, grepcore::WalkProblemKind::Loop);
  EXPECT_EQ(Problems[0].Path, At("linked-dir/deep/up"));
  EXPECT_EQ(Problems[1].Path, At("src/deep/up"));
  EXPECT_EQ(Problems[1].Message, "warning: recursive directory loop");
}

TEST_F(PathWalk, MaxDepthCountsTheRootsOwnEntriesAsOne) {
  PathSelection selection = In({""});
  selection.MaxDepth = 1;
  EXPECT_THAT(Walk(selection), ElementsAre(At("Z.txt"), At("a.c"), At("b.txt")));
  selection.MaxDepth = 2;
  EXPECT_THAT(Walk(selection),
              ElementsAre(At("Z.txt"), At("a.c"), At("b.txt"), At("src/main.c"), At("src/util.h")));
  selection.MaxDepth = 0;
  EXPECT_TRUE(Walk(selection).empty());
  EXPECT_THAT(Walk(In({"a.c"})), ElementsAre(At("a.c"))) << "a named file is always taken";
}

TEST_F(PathWalk, IgnoreFilesRankRgignoreOverIgnoreOverGitignoreOverExclude) {
  Tree.Write(".git/info/exclude", "*.h\nb.txt\n");
  Tree.Write(".gitignore", "*.c\n!util.h\n");
  Tree.Write(".ignore", "!a.c\nZ.txt\n");
  Tree.Write("src/.rgignore", "main.c\nx.c\n");
  Tree.Write("src/deep/.ignore", "!x.c\n");  // deeper, but of lower rank
  EXPECT_THAT(Walk(In({""})), ElementsAre(At("a.c"), At("src/util.h")));
  Tree.Write(".rgignore", "!b.txt\n");
  EXPECT_THAT(Walk(In({""})), ElementsAre(At("a.c"), At("b.txt"), At("src/util.h")));
  PathSelection selection = In({""});
  selection.IgnoreFiles.clear();
  EXPECT_EQ(Walk(selection).size(), 6u);
}

// As ripgrep: a glob that matches decides before ignore files, types and hidden names do; a
// rule that re-includes a hidden name takes it.
TEST_F(PathWalk, AMatchingGlobOutranksIgnoreFilesTypesAndHiddenNames) {
  Tree.Write(".gitignore", "*.c\nsrc/\n");
  Tree.Write(".env", "e\n");
  PathSelection selection = In({""});
  selection.Globs = {"*.c", ".env", "src"};
  selection.Types = {"txt"};
  EXPECT_THAT(Walk(selection),
              ElementsAre(At(".env"), At("a.c"), At("src/deep/x.c"), At("src/main.c")));
  selection.Globs = {"!*.txt"};
  selection.Types.clear();
  EXPECT_THAT(Walk(selection), ElementsAre()) << "excluded by the glob, or ignored";
  Tree.Write(".gitignore", "!.env\n.config/\n!.config/\n");
  EXPECT_THAT(Walk(In({""})),
              ElementsAre(At(".config/c.txt"), At(".env"), At("Z.txt"), At("a.c"), At("b.txt"),
                          At("src/deep/x.c"), At("src/main.c"), At("src/util.h")));
}

TEST(IgnoreFiles, GitignoreCountsOnlyInsideARepositoryAndTheOthersEverywhere) {
  TemporaryDirectory tree;
  tree.Write("plain/.gitignore", "*.c\n");
  tree.Write("plain/.ignore", "*.h\n");
  tree.Write("plain/a.c", "a\n");
  tree.Write("plain/b.h", "b\n");
  tree.Write("plain/inner/.git/HEAD", "ref\n");
  tree.Write("plain/inner/c.c", "c\n");
  tree.Write("plain/inner/d.h", "d\n");
  tree.Write("plain/inner/.gitignore", "*.x\n");
  tree.Write("plain/inner/e.x", "e\n");
  std::vector<std::string> files;
  grepcore::WalkOptions options;
  options.Roots = {tree / "plain"};
  grepcore::Walk(options, [&](grepcore::WalkedFile&& file) { files.push_back(file.Path); });
  EXPECT_THAT(files, ElementsAre(tree / "plain/a.c", tree / "plain/inner/c.c"))
      << "outside a repository .gitignore does not count; inside the one below it does";
}

// The ignore files of the directories above a root judge what is below it by its path from
// them; .gitignore files only up to the repository's top, the others to the top of the tree.
TEST(IgnoreFiles, DirectoriesAboveTheRootCountUpToTheRepositorysTop) {
  TemporaryDirectory tree;
  tree.Write("outer/.gitignore", "*.txt\n");
  tree.Write("outer/.ignore", "*.md\n");
  tree.Write("outer/repo/.git/HEAD", "ref\n");
  tree.Write("outer/repo/.git/info/exclude", "*.tmp\n");
  tree.Write("outer/repo/.gitignore", "*.log\n/src/skip/\nsrc/one.c\n");
  tree.Write("outer/repo/src/.gitignore", "!keep.log\n");
  for (const char* name : {"a.txt", "b.md", "c.log", "keep.log", "d.tmp", "one.c", "two.c",
                           "skip/e.c", "deep/skip/f.c"})
    tree.Write(std::string("outer/repo/src/") + name, "x\n");
  const std::string src = tree / "outer/repo/src";
  std::vector<std::string> files;
  grepcore::WalkOptions options;
  options.Roots = {src, src + "/deep"};
  grepcore::Walk(options, [&](grepcore::WalkedFile&& file) { files.push_back(file.Path); });
  EXPECT_THAT(files, ElementsAre(src + "/a.txt", src + "/deep/skip/f.c", src + "/keep.log",
                                 src + "/two.c", src + "/deep/skip/f.c"));
  files.clear();
  const fs::path before = fs::current_path();
  fs::current_path(src + "/deep");
  options.Roots.clear();
  grepcore::Walk(options, [&](grepcore::WalkedFile&& file) { files.push_back(file.Path); });
  fs::current_path(before);
  EXPECT_THAT(files, ElementsAre("skip/f.c")) << "the current directory climbs as well";
}

TEST(IgnoreFiles, ALinkedWorktreeReadsItsRepositorysExcludeFile) {
  TemporaryDirectory tree;
  tree.Write("main/.git/info/exclude", "*.x\n");
  tree.Write("main/.git/worktrees/w/commondir", "../..\n");
  tree.Write("w/.git", "gitdir: " + tree / "main/.git/worktrees/w" + "\n");
  tree.Write("w/.gitignore", "*.y\n");
  for (const char* name : {"w/a.x", "w/b.y", "w/c.z"}) tree.Write(name, "x\n");
  std::vector<std::string> files;
  grepcore::WalkOptions options;
  options.Roots = {tree / "w"};
  grepcore::Walk(options, [&](grepcore::WalkedFile&& file) { files.push_back(file.Path); });
  EXPECT_THAT(files, ElementsAre(tree / "w/c.z"));
}

TEST_F(PathWalk, ExcludedDirectoriesAndFileTypes) {
  PathSelection selection = In({""});
  selection.ExcludeDirectories = {"de*"};
  EXPECT_THAT(Walk(selection),
              ElementsAre(At("Z.txt"), At("a.c"), At("b.txt"), At("src/main.c"), At("src/util.h")));
  selection = In({"src", "a.c"});
  selection.ExcludeDirectories = {"src"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("a.c"))) << "a named directory by its last name";
  selection = In({""});
  selection.Types = {"c"};
  EXPECT_THAT(Walk(selection),
              ElementsAre(At("a.c"), At("src/deep/x.c"), At("src/main.c"), At("src/util.h")));
  selection.Types = {"txt", "nosuchtype"};
  selection.NotTypes = {"c"};
  EXPECT_THAT(Walk(selection), ElementsAre(At("Z.txt"), At("b.txt")));
  selection.Types.clear();
  EXPECT_THAT(Walk(selection), ElementsAre(At("Z.txt"), At("b.txt")));
  selection.Types = {"nosuchtype"};
  EXPECT_TRUE(Walk(selection).empty()) << "an unknown type names no file";
}

TEST(FileTypes, CommonLanguagesAreKnownAndSorted) {
  const std::vector<grepcore::FileType> types = grepcore::FileTypes();
  for (const char* name : {"c", "cpp", "py", "rust", "go", "java", "js", "ts", "sh", "md", "json",
                           "yaml", "toml", "make", "cmake", "html", "css", "txt"})
    EXPECT_TRUE(grepcore::IsFileType(name)) << name;
  EXPECT_FALSE(grepcore::IsFileType("C"));
  for (std::size_t i = 1; i < types.size(); ++i) EXPECT_LT(types[i - 1].Name, types[i].Name);
  const auto make = std::find_if(types.begin(), types.end(), [](const grepcore::FileType& type) {
    return type.Name == "make";
  });
  ASSERT_NE(make, types.end());
  const auto matches = [&](const std::string& name) {
    return std::any_of(make->Globs.begin(), make->Globs.end(),
                       [&](const std::string& glob) { return Glob(glob).Matches(name); });
  };
  EXPECT_TRUE(matches("Makefile"));
  EXPECT_TRUE(matches("GNUmakefile"));
  EXPECT_TRUE(matches("rules.mk"));
  EXPECT_FALSE(matches("Makefile.txt"));
}

TEST(PathWalkEntries, EachFileComesWithItsDirectoryAndItsEntrysIdentity) {
  TemporaryDirectory tree;
  tree.Write("a/x.txt", "x");
  tree.Write("real.txt", "r");
  ASSERT_EQ(::symlink("real.txt", (tree / "lnk").c_str()), 0);
  ASSERT_EQ(::symlink("../real.txt", (tree / "a/inner-link").c_str()), 0);
  grepcore::WalkOptions selection;
  selection.Roots = {tree / "a", tree / "lnk"};
  selection.Identities = true;
  std::vector<grepcore::WalkedFile> files;
  const std::vector<WalkProblem> problems = grepcore::Walk(
      selection, [&](grepcore::WalkedFile&& file) { files.push_back(std::move(file)); });
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(files.size(), 2u);  // a link met in the walk is not followed
  struct stat x, real, a, top;
  ASSERT_EQ(::stat((tree / "a/x.txt").c_str(), &x), 0);
  ASSERT_EQ(::stat((tree / "real.txt").c_str(), &real), 0);
  ASSERT_EQ(::stat((tree / "a").c_str(), &a), 0);
  ASSERT_EQ(::stat(tree.Path().c_str(), &top), 0);
  EXPECT_EQ(files[0].Name, "x.txt");
  EXPECT_EQ(files[0].Path, tree / "a/x.txt");
  EXPECT_EQ(files[0].Inode, static_cast<std::uint64_t>(x.st_ino));
  ASSERT_TRUE(files[0].Directory && files[0].Directory->Open);
  EXPECT_EQ(files[0].Directory->Open->Identity().Inode, static_cast<std::uint64_t>(a.st_ino));
  // A link named on the command line is its target, shown as such.
  EXPECT_EQ(files[1].Name, "real.txt");
  EXPECT_EQ(files[1].Path, tree / "lnk");
  EXPECT_EQ(files[1].Shown, tree / "lnk" + " -> " + tree / "real.txt");
  EXPECT_EQ(files[1].Inode, static_cast<std::uint64_t>(real.st_ino));
  ASSERT_TRUE(files[1].Directory && files[1].Directory->Open);
  EXPECT_EQ(files[1].Directory->Open->Identity().Inode, static_cast<std::uint64_t>(top.st_ino));
}

}  // namespace
