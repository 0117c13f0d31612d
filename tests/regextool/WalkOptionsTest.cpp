// Which files grep-files, find-files and change take: the ignore files of the tree and of the
// directories above it, and the walk's options (--max-depth, --exclude-dir, -R and --follow,
// --files, -t, -T and --type-list), with expectations written as grep and ripgrep print them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

class WalkOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("repo/.git/HEAD", "ref\n");
    Tree.Write("repo/.git/info/exclude", "*.tmp\n");
    Tree.Write("repo/.gitignore", "*.log\n");
    Tree.Write("repo/main.c", "x main\n");
    Tree.Write("repo/run.log", "x log\n");
    Tree.Write("repo/scratch.tmp", "x tmp\n");
    Tree.Write("repo/src/util.py", "x util\n");
    Tree.Write("repo/src/keep.log", "x keep\n");
    Tree.Write("repo/src/.ignore", "!keep.log\n");
    Tree.Write("repo/src/deep/Makefile", "x make\n");
    Tree.Write("repo/docs/guide.md", "x guide\n");
    Tree.Write("repo/docs/.rgignore", "guide.md\n");
  }
  ToolResult Run(std::vector<std::string> arguments, const std::string& in = "repo") {
    return RunIn(Tree / in, std::move(arguments));
  }
  TemporaryDirectory Tree;
};

TEST_F(WalkOptions, IgnoreFilesOfTheTreeAndAboveIt) {
  EXPECT_EQ(Run({"find-files", "x"}).Out, "main.c\nsrc/deep/Makefile\nsrc/keep.log\nsrc/util.py\n");
  EXPECT_EQ(Run({"grep-files", "x"}, "repo/src").Out,
            "deep/Makefile:x make\nkeep.log:x keep\nutil.py:x util\n");
  EXPECT_EQ(Run({"grep-files", "-c", "x", "."}, "repo/docs").Out, "")
      << "the .rgignore of the directory searched";
  EXPECT_EQ(Run({"find-files", "--no-ignore", "x"}).Out,
            "docs/guide.md\nmain.c\nrun.log\nscratch.tmp\nsrc/deep/Makefile\nsrc/keep.log\n"
            "src/util.py\n");
  EXPECT_EQ(Run({"find-files", "x", "run.log"}).Out, "run.log\n") << "a named file is searched";
  EXPECT_EQ(Run({"find-files", "-g", "*.{log,tmp}", "x"}).Out,
            "run.log\nscratch.tmp\nsrc/keep.log\n")
      << "a glob that takes a file outranks the ignore files";
  // Outside a repository a .gitignore is no ignore file; a .ignore is.
  Tree.Write("plain/.gitignore", "*.log\n");
  Tree.Write("plain/.ignore", "*.md\n");
  Tree.Write("plain/a.log", "x\n");
  Tree.Write("plain/b.md", "x\n");
  EXPECT_EQ(Run({"find-files", "x"}, "plain").Out, "a.log\n");
}

TEST_F(WalkOptions, ChangeLeavesIgnoredFilesAlone) {
  const ToolResult result = Run({"change", "x", "y", "."});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "repo/main.c"), "y main\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "repo/src/keep.log"), "y keep\n");
  for (const char* untouched : {"repo/run.log", "repo/scratch.tmp", "repo/docs/guide.md"})
    EXPECT_EQ(TemporaryDirectory::Read(Tree / untouched).substr(0, 2), "x ") << untouched;
  EXPECT_EQ(Run({"change", "--no-ignore", "x", "y", "."}).Status, 0);
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "repo/run.log"), "y log\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "repo/docs/guide.md"), "y guide\n");
}

TEST_F(WalkOptions, MaxDepthAndExcludedDirectories) {
  EXPECT_EQ(Run({"find-files", "--max-depth", "1", "x"}).Out, "main.c\n");
  EXPECT_EQ(Run({"find-files", "--max-depth", "2", "x", "src"}).Out,
            "src/deep/Makefile\nsrc/keep.log\nsrc/util.py\n");
  EXPECT_EQ(Run({"find-files", "--max-depth", "0", "x", "src", "main.c"}).Out, "main.c\n");
  EXPECT_EQ(Run({"grep-files", "--exclude-dir", "de*", "x", "src"}).Out,
            "src/keep.log:x keep\nsrc/util.py:x util\n");
  // As grep: a named directory is skipped by its last name too.
  const ToolResult named = Run({"grep-files", "--exclude-dir=src", "x", "src", "main.c"});
  EXPECT_EQ(named.Out, "main.c:x main\n");
  EXPECT_EQ(named.Status, 0);
}

TEST_F(WalkOptions, DereferenceRecursiveAndFollowTakeLinksAndNameLoops) {
  fs::create_directory_symlink(Tree / "repo/src/deep", Tree / "repo/linked");
  fs::create_symlink(Tree / "repo/main.c", Tree / "repo/also.c");
  fs::create_directory_symlink("..", Tree / "repo/src/deep/up");
  EXPECT_EQ(Run({"find-files", "-r", "x", "."}).Out,
            "./main.c\n./src/deep/Makefile\n./src/keep.log\n./src/util.py\n");
  const ToolResult followed = Run({"find-files", "-R", "make", "."});
  EXPECT_EQ(followed.Status, 0);
  EXPECT_EQ(followed.Out, "./linked/Makefile\n./linked/up/deep/Makefile\n./src/deep/Makefile\n");
  EXPECT_EQ(followed.Err,
            "regextool: ./linked/up/deep/up: warning: recursive directory loop\n"
            "regextool: ./src/deep/up: warning: recursive directory loop\n");
  EXPECT_EQ(Run({"grep-files", "--follow", "main", "."}).Out, "./also.c:x main\n./main.c:x main\n");
}

TEST_F(WalkOptions, FilesListsWhatWouldBeSearched) {
  const ToolResult listed = Run({"grep-files", "--files"});
  EXPECT_EQ(listed.Status, 0);
  EXPECT_EQ(listed.Out, "main.c\nsrc/deep/Makefile\nsrc/keep.log\nsrc/util.py\n");
  EXPECT_EQ(Run({"find-files", "--files", "src/deep", "run.log"}).Out,
            "src/deep/Makefile\nrun.log\n")
      << "every word is a path";
  const ToolResult missing = Run({"grep-files", "--files", "nothere", "main.c"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_EQ(missing.Out, "main.c\n");
  EXPECT_EQ(missing.Err, "regextool: nothere: No such file or directory\n");
  EXPECT_EQ(Run({"grep-files", "--files", "docs"}).Status, 1) << "no file";
}

TEST_F(WalkOptions, FileTypes) {
  EXPECT_EQ(Run({"find-files", "-t", "py", "-t", "make", "x"}).Out,
            "src/deep/Makefile\nsrc/util.py\n");
  EXPECT_EQ(Run({"grep-files", "--files", "-T", "c", "--type-not=py"}).Out,
            "src/deep/Makefile\nsrc/keep.log\n");
  EXPECT_EQ(Run({"grep-files", "-t", "c", "x", "src/util.py"}).Out, "x util\n")
      << "a named file is searched whatever its type";
  const ToolResult unknown = Run({"grep-files", "-t", "cobol", "x"});
  EXPECT_EQ(unknown.Status, 2);
  EXPECT_EQ(unknown.Err, "regextool: unrecognized file type: cobol\n");
  const ToolResult list = Run({"find-files", "--type-list"});
  EXPECT_EQ(list.Status, 0);
  EXPECT_THAT(list.Out, HasSubstr("\ncmake: *.cmake, CMakeLists.txt\n"));
  EXPECT_THAT(list.Out, HasSubstr("\npy: *.py\n"));
  EXPECT_THAT(list.Out, HasSubstr("\nyaml: *.yaml, *.yml\n"));
  EXPECT_EQ(list.Out.substr(0, 22), "asm: *.S, *.asm, *.s\nc");
}

TEST_F(WalkOptions, HelpNamesEveryWalkOption) {
  for (const char* command : {"grep-files", "find-files"}) {
    const std::string help = Run({command, "--help"}).Out;
    for (const char* option : {"--max-depth", "--exclude-dir", "-R,", "--follow", "--files",
                               "--type ", "--type-not", "--type-list", "--no-ignore"})
      EXPECT_THAT(help, HasSubstr(option)) << command;
  }
}

}  // namespace
