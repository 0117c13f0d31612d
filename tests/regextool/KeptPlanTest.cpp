// change --plan and --apply end to end: a kept plan names each file to write with what was read
// of it, an apply writes only files still as planned, a second apply writes nothing, and any
// name survives the plan's text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KeptPlan.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

ino_t InodeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0);
  return status.st_ino;
}

TEST(KeptPlan, APlanChangesNothingAndAnApplyWritesOnlyFilesStillAsPlanned) {
  TemporaryDirectory tree;
  tree.Write("a.txt", "a cat\ncat\n");
  tree.Write("b.txt", "dog\n");
  tree.Write("c.txt", "cat cat\n");
  tree.Write("sub/d.txt", "cat\n");
  const ToolResult plan =
      RunIn(tree.Path(), {"change", "--plan", "plan", "-j", "2", "cat", "cats", "."});
  EXPECT_EQ(plan.Status, 0) << plan.Err;
  EXPECT_THAT(plan.Out, HasSubstr("plan kept in plan: 5 replacements in 3 files to be written; "
                                  "nothing was changed"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "a cat\ncat\n");
  const std::string text = TemporaryDirectory::Read(tree / "plan");
  EXPECT_THAT(text, StartsWith("regextool change plan 1\nargument\tcat\nargument\tcats\n"
                               "argument\t.\nfile\t./a.txt\t"))
      << "-j is how a run goes, not part of the change";
  EXPECT_THAT(text, Not(HasSubstr("b.txt"))) << "only files to write are kept";

  tree.Write("c.txt", "cat!\n");  // changed by someone else after the plan
  tree.Write("e.txt", "cat\n");   // new since the plan: not part of it
  const ToolResult apply = RunIn(tree.Path(), {"change", "--apply", "plan"});
  EXPECT_EQ(apply.Status, 2) << "a file left as changed is trouble";
  EXPECT_THAT(apply.Out, HasSubstr("3 replacements written, 2 files changed"));
  EXPECT_THAT(apply.Out, HasSubstr("./c.txt  ChangedSincePlanned"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "a cats\ncats\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "sub/d.txt"), "cats\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "c.txt"), "cat!\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "e.txt"), "cat\n");

  // A second apply (a task run again) finds the planned content in place and writes nothing.
  const ino_t inode = InodeOf(tree / "a.txt");
  const ToolResult again = RunIn(tree.Path(), {"change", "--apply", "plan", "--json", "-j", "1"});
  EXPECT_EQ(again.Status, 2) << again.Err;
  EXPECT_EQ(again.Out,
            "{\"file\":\"./a.txt\",\"outcome\":\"already-written\",\"replacements\":2}\n"
            "{\"file\":\"./c.txt\",\"outcome\":\"changed-since-plan\",\"replacements\":0,"
            "\"problem\":\"ChangedSincePlanned\",\"message\":\"the file changed since the plan "
            "was made; it was left as it is\"}\n"
            "{\"file\":\"./sub/d.txt\",\"outcome\":\"already-written\",\"replacements\":1}\n");
  EXPECT_THAT(again.Err, HasSubstr("./a.txt: skipped: it already holds the planned content"));
  EXPECT_EQ(InodeOf(tree / "a.txt"), inode) << "not rewritten";
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "a cats\ncats\n");
}

TEST(KeptPlan, AFileReplacedByAnotherWithTheSameContentOrDeletedIsNotWritten) {
  TemporaryDirectory tree;
  tree.Write("a.txt", "cat\n");
  tree.Write("b.txt", "cat\n");
  tree.Write("c.txt", "cat\n");
  ASSERT_EQ(::link((tree / "c.txt").c_str(), (tree / "c-link").c_str()), 0);
  ASSERT_EQ(
      RunIn(tree.Path(), {"change", "--plan", "plan", "cat", "cats", "a.txt", "b.txt", "c.txt"})
          .Status,
      0);
  tree.Write("a.new", "cat\n");  // a new file under the name: another inode
  ASSERT_EQ(::rename((tree / "a.new").c_str(), (tree / "a.txt").c_str()), 0);
  ASSERT_EQ(::unlink((tree / "b.txt").c_str()), 0);
  const ToolResult apply = RunIn(tree.Path(), {"change", "--apply", "plan", "--json"});
  EXPECT_EQ(apply.Status, 2);
  EXPECT_THAT(apply.Out, HasSubstr("{\"file\":\"a.txt\",\"outcome\":\"changed-since-plan\""));
  EXPECT_THAT(apply.Out, HasSubstr("{\"file\":\"b.txt\",\"outcome\":\"gone\",\"replacements\":0}"));
  EXPECT_THAT(apply.Out,
              HasSubstr("{\"file\":\"c.txt\",\"outcome\":\"changed\",\"replacements\":1}"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "cat\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "c-link"), "cats\n");
  // A file with several links keeps its inode when written: its content tells it is done.
  const ToolResult again = RunIn(tree.Path(), {"change", "--apply", "plan", "--json"});
  EXPECT_THAT(again.Out, HasSubstr("{\"file\":\"c.txt\",\"outcome\":\"already-written\""));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "c.txt"), "cats\n");
}

TEST(KeptPlan, TheCommandsSettingsAndAnyNameSurviveThePlansText) {
  TemporaryDirectory tree;
  const std::string odd = "tab\there\nline \\ \x01 \xff.txt";
  tree.Write(odd, "Cat\n");
  tree.Write("-x", "Cat\n");
  ASSERT_EQ(RunIn(tree.Path(), {"change", "--plan", "plan", "-i", "--save-ext", "bak", "--", "cat",
                                "[$&]", odd, "-x"})
                .Status,
            0);
  const ToolResult apply = RunIn(tree.Path(), {"change", "--apply", "plan"});
  EXPECT_EQ(apply.Status, 0) << apply.Err << apply.Out;
  EXPECT_EQ(TemporaryDirectory::Read(tree / odd), "[Cat]\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "-x"), "[Cat]\n");
  EXPECT_EQ(TemporaryDirectory::Read(tree / "-x.bak"), "Cat\n") << "the plan's --save-ext";

  RegexTool::KeptPlan plan;
  std::string reason;
  ASSERT_TRUE(RegexTool::ReadKeptPlan(TemporaryDirectory::Read(tree / "plan"), plan, reason));
  EXPECT_EQ(plan.Arguments,
            (std::vector<std::string>{"-i", "--save-ext", "bak", "--", "cat", "[$&]", odd, "-x"}));
  ASSERT_EQ(plan.Files.size(), 2u);
  EXPECT_EQ(plan.Files[0].Path, odd);
  EXPECT_EQ(plan.Files[0].Replacements, 1u);
  EXPECT_EQ(RegexTool::KeptPlanText(plan), TemporaryDirectory::Read(tree / "plan"));
  for (const char* broken : {"", "a plan\n", "regextool change plan 1\nfile\tx\t1\n",
                             "regextool change plan 1\nargument\tbad \\q\n",
                             "regextool change plan 1\nargument\tunended"}) {
    EXPECT_FALSE(RegexTool::ReadKeptPlan(broken, plan, reason)) << broken;
    EXPECT_FALSE(reason.empty());
  }
}

TEST(KeptPlan, APlanIsKeptOnlyInANewFileAndAnApplyTakesNoOtherSettings) {
  TemporaryDirectory tree;
  tree.Write("a.txt", "cat\n");
  tree.Write("plan", "mine\n");
  ASSERT_EQ(::symlink("elsewhere", (tree / "planted").c_str()), 0);
  for (const char* taken : {"plan", "planted"}) {
    const ToolResult plan = RunIn(tree.Path(), {"change", "--plan", taken, "cat", "dog", "a.txt"});
    EXPECT_EQ(plan.Status, 2);
    EXPECT_THAT(plan.Err, HasSubstr("the plan was not kept"));
  }
  EXPECT_EQ(TemporaryDirectory::Read(tree / "plan"), "mine\n");
  EXPECT_EQ(::access((tree / "elsewhere").c_str(), F_OK), -1);

  ASSERT_EQ(RunIn(tree.Path(), {"change", "--plan", "kept", "cat", "dog", "a.txt"}).Status, 0);
  const ToolResult extra = RunIn(tree.Path(), {"change", "--apply", "kept", "-i"});
  EXPECT_EQ(extra.Status, 2);
  EXPECT_THAT(extra.Err, HasSubstr("only -j and --json go with --apply"));
  const ToolResult notPlan = RunIn(tree.Path(), {"change", "--apply", "plan"});
  EXPECT_EQ(notPlan.Status, 2);
  EXPECT_THAT(notPlan.Err, HasSubstr("it is no change plan"));
  const ToolResult dry =
      RunIn(tree.Path(), {"change", "-n", "--plan", "other", "cat", "dog", "a.txt"});
  EXPECT_EQ(dry.Status, 2);
  EXPECT_THAT(dry.Err, HasSubstr("--plan and --dry-run do not go together"));
  const ToolResult json = RunIn(tree.Path(), {"change", "--json", "cat", "dog", "a.txt"});
  EXPECT_EQ(json.Status, 2);
  EXPECT_THAT(json.Err, HasSubstr("--json goes with --apply"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "cat\n");

  // A plan with nothing to write applies as nothing, without a look at the directory.
  ASSERT_EQ(RunIn(tree.Path(), {"change", "--plan", "empty", "zebra", "dog", "a.txt"}).Status, 1);
  const ToolResult empty = RunIn(tree.Path(), {"change", "--apply", "empty", "--json"});
  EXPECT_EQ(empty.Status, 1) << empty.Err;
  EXPECT_EQ(empty.Out, "");
  EXPECT_EQ(empty.Err, "");
}

}  // namespace

// The locale decides what a pattern means: a plan kept under one and applied under another
// would write a change nobody looked at, so those files are left as they are.
TEST(KeptPlan, AnApplyThatPlansAnotherChangeWritesNothing) {
  TemporaryDirectory tree;
  tree.Write("a.txt", "un caf\xC3\xA9\n");
  ToolTest::ToolRun keep;
  keep.Arguments = {"change", "--plan", "plan", "caf.", "coffee", "a.txt"};
  keep.WorkingDirectory = tree.Path();
  keep.Environment = {"LC_ALL=C.UTF-8"};
  ASSERT_EQ(ToolTest::RunTool(keep).Status, 0);

  const ToolResult bytes = RunIn(tree.Path(), {"change", "--apply", "plan"});
  EXPECT_EQ(bytes.Status, 2);
  EXPECT_THAT(bytes.Out, HasSubstr("a.txt  ChangedSincePlanned"));
  EXPECT_THAT(bytes.Out, HasSubstr("the change planned now is not the one the plan kept"));
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "un caf\xC3\xA9\n");

  ToolTest::ToolRun apply = keep;
  apply.Arguments = {"change", "--apply", "plan"};
  const ToolResult characters = ToolTest::RunTool(apply);
  EXPECT_EQ(characters.Status, 0) << characters.Err << characters.Out;
  EXPECT_EQ(TemporaryDirectory::Read(tree / "a.txt"), "un coffee\n");
}
