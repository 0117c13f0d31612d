// Rewriting one file: exact content, saved copies, permission bits, links, and every problem.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "common/FileRewrite.h"
#include "platform/FaultSeam.h"

namespace {

using Common::ProblemReport;
using Common::RewriteProblem;
using TestSupport::TemporaryDirectory;

// Replacements that own their texts.
struct Plan {
  std::vector<std::int64_t> positions;
  std::vector<std::string> matches;
  std::vector<std::string> replacements;
  void Add(std::int64_t position, std::string match, std::string replacement) {
    positions.push_back(position);
    matches.push_back(std::move(match));
    replacements.push_back(std::move(replacement));
  }
  std::vector<Common::Replacement> View() const {
    std::vector<Common::Replacement> view;
    for (std::size_t i = 0; i < positions.size(); ++i)
      view.push_back({positions[i], &matches[i], &replacements[i]});
    return view;
  }
};

// Every occurrence of `needle` in `text`, each replaced by `with`.
Plan ReplaceAll(const std::string& text, const std::string& needle, const std::string& with) {
  Plan plan;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size()))
    plan.Add(static_cast<std::int64_t>(at), needle, with);
  return plan;
}

std::string Expected(const std::string& text, const std::string& needle, const std::string& with) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    out.append(text, from, at - from);
    out += with;
    from = at + needle.size();
  }
  return out + text.substr(from);
}

mode_t ModeOf(const std::string& path) {
  struct stat info;
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

class FileRewriteTest : public ::testing::Test {
 protected:
  void TearDown() override { Platform::ClearFaults(); }

  bool Rewrite(const std::string& path, const Plan& plan, const std::string& saveName = "") {
    return Common::RewriteFile(path, plan.View(), saveName, problems);
  }

  TemporaryDirectory dir;
  std::vector<ProblemReport> problems;
};

TEST_F(FileRewriteTest, ContentIsExactAroundEveryKindOfMatch) {
  const std::string big(200000, 'z');
  struct Case {
    const char* name;
    std::string text, needle, with;
  } cases[] = {
      {"match at the start and the end", "abXcdX", "X", "<>"},
      {"adjacent matches", "XXXX", "X", "yy"},
      {"only a match", "X", "X", ""},
      {"empty replacement deletes", "aXbXc", "X", ""},
      {"long tail after the last match", "X" + big + "end", "X", "Y"},
      {"long gap before a match", big + "X" + big, "X", "-"},
      {"long match text", "a" + big + "b", big, "s"},
      {"binary bytes and CRLF", std::string("\0\xff\r\nX\r\n\0", 8), "X", std::string("\0\n", 2)},
      {"growing replacement", "aXa", "X", std::string(100000, 'g')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("file.txt", c.text);
    EXPECT_TRUE(Rewrite(path, ReplaceAll(c.text, c.needle, c.with)));
    EXPECT_EQ(TemporaryDirectory::Read(path), Expected(c.text, c.needle, c.with));
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"file.txt"}) << "no stray temporary file";
  }
}

TEST_F(FileRewriteTest, SavedCopyHoldsTheOldContentAndReplacesAnOlderOne) {
  const std::string path = dir.Write("notes.txt", "old X text");
  const std::string save = dir.Write("notes.bak", "an older saved copy");
  ASSERT_TRUE(Rewrite(path, ReplaceAll("old X text", "X", "Y"), save));
  EXPECT_EQ(TemporaryDirectory::Read(path), "old Y text");
  EXPECT_EQ(TemporaryDirectory::Read(save), "old X text");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"notes.bak", "notes.txt"}));
}

TEST_F(FileRewriteTest, PermissionBitsAndOwnerAreKept) {
  const std::string path = dir.Write("script.sh", "echo X");
  ASSERT_EQ(::chmod(path.c_str(), 0751), 0);
  ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0) << "tests run as root";
  ASSERT_TRUE(Rewrite(path, ReplaceAll("echo X", "X", "Y")));
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0751u);
  EXPECT_EQ(info.st_uid, 1234u);
  EXPECT_EQ(info.st_gid, 5678u);
}

TEST_F(FileRewriteTest, HardLinkedFilesKeepTheirIdentity) {
  const std::string path = dir.Write("a", "one X two");
  const std::string other = dir / "b";
  ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
  ASSERT_TRUE(Rewrite(path, ReplaceAll("one X two", "X", "Y")));
  EXPECT_EQ(TemporaryDirectory::Read(other), "one Y two");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FileRewriteTest, ALinkedFileIsChangedThroughItsLink) {
  const std::string target = dir.Write("real/data.txt", "X");
  const std::string link = dir / "link.txt";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(Rewrite(link, ReplaceAll("X", "X", "new")));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(TemporaryDirectory::Read(target), "new");
  EXPECT_EQ(dir.Entries("real"), std::vector<std::string>{"data.txt"});
}

// Each failure: one report with the right fields, the file as it was, no stray file.
TEST_F(FileRewriteTest, EveryProblemLeavesTheFileAsItWas) {
  const std::string text = "head X " + std::string(100000, 'm') + " X tail";
  struct Case {
    const char* name;
    Platform::Call fault;  // KindCount: no fault
    unsigned nth;
    RewriteProblem expected;
    bool temporaryName;  // the report names the temporary file
    bool withSaveCopy;
  } cases[] = {
      {"open", Platform::Call::OpenForReading, 1, RewriteProblem::OpenFileFailed, false, false},
      {"temporary", Platform::Call::CreateTemporary, 1, RewriteProblem::CreateTemporaryFailed, true,
       false},
      {"read", Platform::Call::Read, 2, RewriteProblem::ReadFailed, false, false},
      {"write", Platform::Call::Write, 1, RewriteProblem::WriteFailed, true, false},
      {"flush", Platform::Call::Sync, 1, RewriteProblem::WriteFailed, true, false},
      {"save copy", Platform::Call::CopyFile, 1, RewriteProblem::SaveCopyFailed, false, true},
      // The saved copy is put in place first, then the file.
      {"replace", Platform::Call::Replace, 2, RewriteProblem::ReplaceFailed, false, true},
      {"changed", Platform::Call::Describe, 2, RewriteProblem::ChangedWhileRewriting, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    problems.clear();
    const std::string path = dir.Write("f.txt", text);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const std::string save = c.withSaveCopy ? dir / "f.bak" : "";
    Platform::FailCall(c.fault, c.nth, EIO);
    EXPECT_FALSE(Rewrite(path, ReplaceAll(text, "X", "Y"), save));
    Platform::ClearFaults();
    ASSERT_EQ(problems.size(), 1u);
    const ProblemReport& problem = problems[0];
    EXPECT_EQ(problem.Problem, c.expected);
    if (c.temporaryName) {
      EXPECT_NE(problem.FileName, path);
      EXPECT_EQ(std::filesystem::path(problem.FileName).parent_path(), dir.Path());
    } else if (c.expected == RewriteProblem::SaveCopyFailed) {
      EXPECT_EQ(problem.FileName, save);
    } else {
      EXPECT_EQ(problem.FileName, path);
    }
    if (c.expected != RewriteProblem::ChangedWhileRewriting) {
      EXPECT_EQ(problem.LastError, unsigned(EIO));
    }
    EXPECT_EQ(TemporaryDirectory::Read(path), text);
    EXPECT_EQ(ModeOf(path), 0640u);
    std::vector<std::string> expectedEntries{"f.txt"};
    if (c.expected == RewriteProblem::ReplaceFailed)
      expectedEntries.insert(expectedEntries.begin(), "f.bak");
    EXPECT_EQ(dir.Entries(), expectedEntries);
    std::filesystem::remove(dir / "f.bak");
  }
}

TEST_F(FileRewriteTest, ReadAndWriteProblemsCarryTheirPositions) {
  // The file is read and the new content written 64 KiB at a time.
  const std::string text = std::string(200000, 'g') + "X";
  const std::string path = dir.Write("f", text);
  Platform::FailCall(Platform::Call::Read, 2, EIO);
  EXPECT_FALSE(Rewrite(path, ReplaceAll(text, "X", "Y")));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::ReadFailed);
  EXPECT_EQ(problems[0].FilePointer, 65536u) << "the read position after the failed read";

  problems.clear();
  Platform::FailCall(Platform::Call::Write, 2, ENOSPC);
  EXPECT_FALSE(Rewrite(path, ReplaceAll(text, "X", "Y")));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::WriteFailed);
  EXPECT_EQ(problems[0].FilePointer, 65536u) << "the write position after the failed write";
  EXPECT_EQ(problems[0].LastError, unsigned(ENOSPC));
  EXPECT_EQ(TemporaryDirectory::Read(path), text);
}

TEST_F(FileRewriteTest, AShortenedFileIsAReadProblem) {
  const std::string path = dir.Write("f", "abcX");
  Plan plan;
  plan.Add(10, "X", "Y");  // found when the file was longer
  EXPECT_FALSE(Rewrite(path, plan));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::ReadFailed);
  EXPECT_EQ(problems[0].FilePointer, 4u) << "the end of the file";
  EXPECT_EQ(TemporaryDirectory::Read(path), "abcX");
}

TEST_F(FileRewriteTest, AChangedMatchIsReportedWithWhatWasExpected) {
  const std::string path = dir.Write("f", "abcZdef");
  Plan plan;
  plan.Add(1, "b", "B");
  plan.Add(3, "X", "Y");
  EXPECT_FALSE(Rewrite(path, plan));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::MatchChanged);
  EXPECT_EQ(problems[0].FilePointer, 3u);
  EXPECT_EQ(problems[0].MatchString, "X");
  EXPECT_EQ(problems[0].LastError, 0u);
  EXPECT_EQ(TemporaryDirectory::Read(path), "abcZdef");
}

// The new content gets the file's access rules before it has a name; where it cannot, the
// file keeps its old content rather than take wider or narrower rules.
TEST_F(FileRewriteTest, AFailedRestoreOfThePermissionBitsLeavesTheFileAsItWas) {
  const std::string path = dir.Write("f", "X");
  Platform::FailCall(Platform::Call::SetAttributes, 1, EPERM);
  EXPECT_FALSE(Rewrite(path, ReplaceAll("X", "X", "Y")));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::RestoreAttributesFailed);
  EXPECT_EQ(problems[0].LastError, unsigned(EPERM));
  EXPECT_EQ(TemporaryDirectory::Read(path), "X");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f"});
}

TEST_F(FileRewriteTest, AMissingFileIsAnOpenProblem) {
  EXPECT_FALSE(Rewrite(dir / "gone", ReplaceAll("X", "X", "Y")));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Problem, RewriteProblem::OpenFileFailed);
  EXPECT_EQ(problems[0].LastError, unsigned(ENOENT));
  EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
