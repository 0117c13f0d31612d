// change end to end, the plan and its commit: one file reached by several names is changed
// once, a final line feed ends the last line, saved copies that would collide refuse the whole
// run, names are names even with wild-card characters, and large runs are written in batches
// with the same bytes as a one-by-one rewrite.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

std::vector<std::string> With(std::vector<std::string> arguments,
                              const std::vector<std::string>& before) {
  arguments.insert(arguments.begin() + 1, before.begin(), before.end());
  return arguments;
}

// Every occurrence of `from` in `text` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class OneFileManyNames : public ::testing::TestWithParam<const char*> {
 protected:
  TemporaryDirectory Tree;
};

TEST_P(OneFileManyNames, ALinkAndItsTargetAreOneFileChangedOnce) {
  Tree.Write("real", "x\n");
  ASSERT_EQ(::symlink("real", (Tree / "lnk").c_str()), 0);
  const std::vector<std::string> threads = {"-j", GetParam()};
  const ToolResult dry =
      RunIn(Tree.Path(), With({"change", "-n", "x", "xx", "real", "lnk"}, threads));
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_THAT(dry.Out, HasSubstr("dry run: 1 replacement in 1 file would be written"));
  EXPECT_THAT(dry.Err, HasSubstr("regextool: lnk: skipped: the same file as real"));
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "real"), "x\n");

  const ToolResult real = RunIn(Tree.Path(), With({"change", "x", "xx", "real", "lnk"}, threads));
  EXPECT_EQ(real.Status, 0) << real.Out << real.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "real"), "xx\n");
  EXPECT_THAT(real.Out, HasSubstr("1 replacement written, 1 file changed"));
  EXPECT_THAT(real.Err, HasSubstr("regextool: lnk: skipped: the same file as real"));
  EXPECT_THAT(real.Out, Not(HasSubstr("not changed")));
  EXPECT_TRUE(fs::is_symlink(Tree / "lnk"));

  // The link first: the run goes through it and says where it leads.
  const ToolResult linkFirst =
      RunIn(Tree.Path(), With({"change", "xx", "y", "lnk", "real"}, threads));
  EXPECT_EQ(linkFirst.Status, 0) << linkFirst.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "real"), "y\n");
  EXPECT_THAT(linkFirst.Out, HasSubstr("lnk -> real"));
  EXPECT_THAT(linkFirst.Err, HasSubstr("regextool: real: skipped: the same file as lnk -> real"));
  EXPECT_TRUE(fs::is_symlink(Tree / "lnk"));
}

TEST_P(OneFileManyNames, HardLinksAndANameGivenTwiceAreOneFile) {
  Tree.Write("a", "x\nx\n");
  ASSERT_EQ(::link((Tree / "a").c_str(), (Tree / "b").c_str()), 0);
  const std::vector<std::string> threads = {"-j", GetParam()};
  const ToolResult dry =
      RunIn(Tree.Path(), With({"change", "-n", "x", "xx", "a", "b", "a"}, threads));
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_THAT(dry.Out, HasSubstr("dry run: 2 replacements in 1 file would be written"));

  const ToolResult real = RunIn(Tree.Path(), With({"change", "x", "xx", "a", "b", "a"}, threads));
  EXPECT_EQ(real.Status, 0) << real.Out << real.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "a"), "xx\nxx\n");
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "b"), "xx\nxx\n");
  EXPECT_THAT(real.Out, HasSubstr("2 replacements written, 1 file changed"));
  EXPECT_THAT(real.Out, Not(HasSubstr("ChangedWhileRewriting")));
  EXPECT_THAT(real.Err, HasSubstr("regextool: b: skipped: the same file as a"));
  EXPECT_THAT(real.Err, HasSubstr("regextool: a: skipped: the same file as a"));

  // Met twice in a walk, through both names: still one file.
  Tree.Write("d/one", "x\n");
  ASSERT_EQ(::link((Tree / "d/one").c_str(), (Tree / "d/two").c_str()), 0);
  const ToolResult walked = RunIn(Tree.Path(), With({"change", "x", "y", "d"}, threads));
  EXPECT_EQ(walked.Status, 0) << walked.Out << walked.Err;
  EXPECT_EQ(TemporaryDirectory::Read(Tree / "d/two"), "y\n");
  EXPECT_THAT(walked.Err, HasSubstr("d/two: skipped: the same file as d/one"));
}

INSTANTIATE_TEST_SUITE_P(Threads, OneFileManyNames, ::testing::Values("1", "4"));

TEST(ChangeLines, AFinalLineFeedEndsTheLastLine) {
  TemporaryDirectory tree;
  struct Case {
    const char* pattern;
    const char* format;
    const char* before;
    const char* after;
    bool wholeText;
  } cases[] = {
      {"^", "# ", "a\nb\n", "# a\n# b\n", false},
      {"$", ";", "a\nb\n", "a;\nb;\n", false},
      {"^", "# ", "a\nb", "# a\n# b", false},  // no final line feed: the last line still counts
      {"$", ";", "a\nb", "a;\nb;", false},
      {"^", "# ", "a\n\n", "# a\n# \n", false},     // an empty last line is a line
      {"^", "# ", "a\nb\n", "# a\n# b\n# ", true},  // the whole text: the empty end is text too
      {"$", ";", "a\nb\n", "a;\nb;\n;", true},
  };
  for (const Case& c : cases) {
    tree.Write("f", c.before);
    std::vector<std::string> arguments = {"change", c.pattern, c.format, "f"};
    if (c.wholeText) arguments.insert(arguments.begin() + 1, "--whole-text");
    const ToolResult dry = RunIn(tree.Path(), With(arguments, {"-n"}));
    const ToolResult real = RunIn(tree.Path(), arguments);
    EXPECT_EQ(real.Status, 0) << real.Err;
    EXPECT_EQ(TemporaryDirectory::Read(tree / "f"), c.after) << c.pattern << " on " << c.before;
    // The dry run counts what the real run writes.
    const std::string count = real.Out.substr(0, real.Out.find(" replacement"));
    EXPECT_THAT(dry.Out, HasSubstr("dry run: " + count + " replacement"))
        << c.pattern << " on " << c.before;
  }
}

TEST(ChangeSavedCopies, ACollisionRefusesTheWholeRunBeforeAnythingIsWritten) {
  TemporaryDirectory tree;
  tree.Write("u.c", "str_a\n");
  tree.Write("u.h", "str_b\n");
  tree.Write("v.txt", "str_c\n");
  const auto entries = tree.Entries();
  const std::vector<std::string> run = {"change", "--save-ext", "bak", "str_",
                                        "s_",     "v.txt",      "u.c", "u.h"};
  const ToolResult dry = RunIn(tree.Path(), With(run, {"-n"}));
  EXPECT_EQ(dry.Status, 2);
  EXPECT_THAT(dry.Out, HasSubstr("u.h (u.bak)"));
  EXPECT_THAT(dry.Out, HasSubstr("SaveCopyCollision"));
  EXPECT_THAT(dry.Out, HasSubstr("the saved copy of u.c"));
  EXPECT_THAT(dry.Err, HasSubstr("the run would be refused"));

  const ToolResult real = RunIn(tree.Path(), run);
  EXPECT_EQ(real.Status, 2);
  EXPECT_THAT(real.Out, HasSubstr("u.h (u.bak)"));
  EXPECT_THAT(real.Out, HasSubstr("the saved copy of u.c"));
  EXPECT_THAT(real.Out, HasSubstr("0 replacements written, 0 files changed"));
  EXPECT_THAT(real.Err, HasSubstr("nothing was changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "u.c"), "str_a\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "u.h"), "str_b\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "v.txt"),
            "str_c\n");                // before the collision, untouched too
  EXPECT_EQ(tree.Entries(), entries);  // no saved copy, no temporary file

  // A saved copy that would replace an existing file refuses the run the same way.
  tree.Write("w.bak", "a user's file\n");
  tree.Write("w.txt", "str_d\n");
  const ToolResult existing =
      RunIn(tree.Path(), {"change", "--save-ext", "bak", "str_", "s_", "v.txt", "w.txt"});
  EXPECT_EQ(existing.Status, 2);
  EXPECT_THAT(existing.Out, HasSubstr("w.txt (w.bak)"));
  EXPECT_THAT(existing.Out, HasSubstr("SaveCopyExists"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "v.txt"), "str_c\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "w.bak"), "a user's file\n");
}

TEST(ChangeNames, NamesWithWildCardCharactersAreNames) {
  TemporaryDirectory tree;
  tree.Write("a*b.txt", "old\n");
  tree.Write("a?b.txt", "old\n");
  tree.Write("axb.txt", "old\n");  // what the names would match as masks
  tree.Write("dir/c*.txt", "old\n");
  const ToolResult named = RunIn(tree.Path(), {"change", "old", "new", "a*b.txt", "a?b.txt"});
  EXPECT_EQ(named.Status, 0) << named.Out << named.Err;
  EXPECT_THAT(named.Out, HasSubstr("2 replacements written, 2 files changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a*b.txt"), "new\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a?b.txt"), "new\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "axb.txt"), "old\n");
  const ToolResult walked = RunIn(tree.Path(), {"change", "old", "new", "dir"});
  EXPECT_EQ(walked.Status, 0) << walked.Out << walked.Err;
  EXPECT_EQ(TemporaryDirectory::Read(tree / "dir/c*.txt"), "new\n");
  // A path that names nothing is still a mask.
  const ToolResult mask = RunIn(tree.Path(), {"change", "old", "new", "ax?.txt"});
  EXPECT_EQ(mask.Status, 0) << mask.Out << mask.Err;
  EXPECT_EQ(TemporaryDirectory::Read(tree / "axb.txt"), "new\n");
}

TEST(ChangeBatches, ADirectoryOfManyFilesIsWrittenInBatchesWithTheSameBytes) {
  TemporaryDirectory tree;
  std::vector<std::string> names, before;
  for (int i = 0; i < 150; ++i) {
    std::string content;
    for (int line = 0; line <= i % 9; ++line)
      content += "line " + std::to_string(line) + " old.host " + std::to_string(i) + "\n";
    if (i % 10 == 3) content += "no final line feed old.host";
    names.push_back("many/f" + std::to_string(1000 + i) + ".conf");
    before.push_back(content);
    tree.Write(names.back(), content);
  }
  ASSERT_EQ(::link((tree / names[7]).c_str(), (tree / "many/hard-link-of-7").c_str()), 0);
  const ToolResult result =
      RunIn(tree.Path(), {"change", "-j", "4", "old\\.host", "new.example.host", "many"});
  EXPECT_EQ(result.Status, 0) << result.Out << result.Err;
  unsigned expected = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(TemporaryDirectory::Read(tree / names[i]),
              Replaced(before[i], "old.host", "new.example.host"))
        << names[i];
    expected += static_cast<unsigned>(i % 9 + 1 + (i % 10 == 3 ? 1 : 0));
  }
  EXPECT_THAT(result.Out,
              HasSubstr(std::to_string(expected) + " replacements written, 150 files changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "many/hard-link-of-7"),
            TemporaryDirectory::Read(tree / names[7]));
  for (const std::string& name : tree.Entries("many"))
    EXPECT_EQ(name.find('~'), std::string::npos) << name;
}

TEST(ChangeBatches, AFileWithMoreReplacementsThanThePlanKeepsIsStreamed) {
  // 400,000 replacements outgrow what the plan keeps of one file: they are found again at the
  // file's turn and streamed into its rewrite, with the same result.
  TemporaryDirectory tree;
  std::string content;
  for (int i = 0; i < 100000; ++i) content += "a a a a\n";
  tree.Write("big.txt", content);
  tree.Write("small.txt", "a\n");
  const ToolResult result = RunIn(tree.Path(), {"change", "a", "bc", "big.txt", "small.txt"});
  EXPECT_EQ(result.Status, 0) << result.Out << result.Err;
  EXPECT_THAT(result.Out, HasSubstr("400001 replacements written, 2 files changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "big.txt"), Replaced(content, "a", "bc"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "small.txt"), "bc\n");
}

TEST(ChangeSearch, AFileTheEngineGaveUpOnIsNeverChangedInPart) {
  // The first line's match is found before the engine gives up on the second line.
  TemporaryDirectory tree;
  const std::string content = "ab\n" + std::string(20000, 'a') + "db\n";
  tree.Write("f.txt", content);
  tree.Write("g.txt", "ab\n");
  const ToolResult result = RunIn(tree.Path(), {"change", "(a*)*\\1b", "X", "f.txt", "g.txt"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Out, HasSubstr("SearchAbandoned"));
  EXPECT_THAT(result.Out, HasSubstr("1 replacement written, 1 file changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "f.txt"), content);
  EXPECT_EQ(TemporaryDirectory::Read(tree / "g.txt"), "X\n");
}

}  // namespace
