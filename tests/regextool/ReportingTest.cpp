// What the program prints about a change run's problems and about replacements, checked on
// records a test builds (as root, most problems cannot be provoked on disk).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <utility>

#include "ChangeReport.h"
#include "JsonCheck.h"
#include "TextEscaping.h"

namespace {

using ::testing::HasSubstr;
using Kind = grepcore::ChangeProblemKind;
using Problem = grepcore::ChangeProblem;

Problem Make(const std::string& file, Kind kind, std::uint64_t position, unsigned error,
             const std::string& expected = "") {
  Problem problem;
  problem.Name = file;
  problem.Kind = kind;
  problem.Position = position;
  problem.SystemError = error;
  problem.Matched = expected;
  return problem;
}

TEST(ProblemTable, EveryProblemHasItsName) {
  const std::pair<Kind, const char*> all[] = {
      {Kind::OpenFileFailed, "OpenFileFailed"},
      {Kind::CreateTemporaryFailed, "CreateTemporaryFailed"},
      {Kind::ReadFailed, "ReadFailed"},
      {Kind::WriteFailed, "WriteFailed"},
      {Kind::MatchChanged, "MatchChanged"},
      {Kind::SaveCopyFailed, "SaveCopyFailed"},
      {Kind::ReplaceFailed, "ReplaceFailed"},
      {Kind::RestoreAttributesFailed, "RestoreAttributesFailed"},
      {Kind::ChangedWhileRewriting, "ChangedWhileRewriting"},
      {Kind::SearchAbandoned, "SearchAbandoned"},
      {Kind::SaveCopyCollision, "SaveCopyCollision"},
      {Kind::OwnerNotKept, "OwnerNotKept"},
      {Kind::CopyUnfinished, "CopyUnfinished"},
      {Kind::SaveCopyExists, "SaveCopyExists"},
      {Kind::MatchSpansLines, "MatchSpansLines"},
      {Kind::NotTheWalkedFile, "NotTheWalkedFile"},
      {Kind::DirectoryReplaced, "DirectoryReplaced"},
      {Kind::ChangedSincePlanned, "ChangedSincePlanned"},
  };
  for (const auto& [kind, name] : all) EXPECT_EQ(RegexTool::ProblemName(kind), name);
}

TEST(ProblemTable, RowsAreAlignedWithTheSystemsErrorText) {
  const std::vector<Problem> problems = {
      Make("notes/a.txt", Kind::OpenFileFailed, 0, EACCES),
      Make("/long/path/.b.txt.tmp", Kind::WriteFailed, 4096, ENOSPC),
      Make("c.txt", Kind::MatchChanged, 17, 0, "old\n")};
  std::ostringstream out;
  RegexTool::PrintProblemTable(out, problems, {"notes/a.txt", "b.txt", "c.txt"});
  const std::string expected = std::string("3 files were not changed:\n") +
                               "  file                           problem         position  error\n"
                               "  notes/a.txt                    OpenFileFailed  0         " +
                               std::strerror(EACCES) + "\n" +
                               "  b.txt (/long/path/.b.txt.tmp)  WriteFailed     4096      " +
                               std::strerror(ENOSPC) + "\n" +
                               "  c.txt                          MatchChanged    17        the "
                               "file no longer holds \"old\\n\" there\n";
  EXPECT_EQ(out.str(), expected);
}

TEST(ProblemTable, TheRunsOwnProblemsKeepTheirWordsAndTheirFile) {
  // A link in the walked file's place reads as a file not opened; a rewrite problem that comes
  // with words is shown as the run's own: under its own name, without a position.
  Problem replaced = Make("d/f", Kind::NotTheWalkedFile, 9, ELOOP);
  replaced.Message = "a link took the walked name";
  const RegexTool::ProblemRow own = RegexTool::RowOf(replaced, "d/g");
  EXPECT_EQ(own.File, "d/f");
  EXPECT_EQ(own.Other, "");
  EXPECT_EQ(own.Problem, "OpenFileFailed");
  EXPECT_EQ(own.Position, 0u);
  EXPECT_EQ(own.Error, "a link took the walked name");

  Problem worded = Make("d/.f.tmp", Kind::WriteFailed, 5, EIO);
  worded.Message = "the disk went away";
  const RegexTool::ProblemRow words = RegexTool::RowOf(worded, "d/f");
  EXPECT_EQ(words.File, "d/.f.tmp");
  EXPECT_EQ(words.Problem, "WriteFailed");
  EXPECT_EQ(words.Error, "the disk went away");

  // Without words, the same record names its owner first and tells its error number.
  const RegexTool::ProblemRow rewrite =
      RegexTool::RowOf(Make("d/.f.tmp", Kind::WriteFailed, 5, EIO), "d/f");
  EXPECT_EQ(rewrite.File, "d/f");
  EXPECT_EQ(rewrite.Other, "d/.f.tmp");
  EXPECT_EQ(rewrite.Position, 5u);
  EXPECT_EQ(rewrite.Error, std::strerror(EIO));
}

TEST(ProblemTable, NothingForNoProblems) {
  std::ostringstream out;
  RegexTool::PrintProblemTable(out, {});
  EXPECT_EQ(out.str(), "");
}

TEST(Summary, RealAndDryRunsSayWhatHappened) {
  RegexTool::ChangeSummary summary;
  summary.Replacements = 1;
  summary.FilesChanged = 1;
  std::ostringstream real;
  RegexTool::PrintSummary(real, summary);
  EXPECT_EQ(real.str(), "1 replacement written, 1 file changed\n");
  summary.DryRun = true;
  summary.Replacements = 5;
  summary.FilesChanged = 2;
  std::ostringstream dry;
  RegexTool::PrintSummary(dry, summary);
  EXPECT_EQ(dry.str(),
            "dry run: 5 replacements in 2 files would be written; nothing was changed\n");
}

TEST(Escaping, JsonIsValidForEveryByte) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string json = RegexTool::JsonString(all);
  EXPECT_TRUE(ToolTest::JsonCheck::IsValid(json));
  EXPECT_THAT(json, HasSubstr("\\u0000"));
  EXPECT_THAT(json, HasSubstr("\\u00C3"));  // a lead byte with nothing after it is stray
}

TEST(Escaping, Utf8IsCheckedStrictly) {
  using RegexTool::Utf8SequenceLength;
  EXPECT_EQ(Utf8SequenceLength("\xc3\xa9", 0), 2u);
  EXPECT_EQ(Utf8SequenceLength("\xe2\x82\xac", 0), 3u);
  EXPECT_EQ(Utf8SequenceLength("\xf0\x9f\x98\x80", 0), 4u);
  EXPECT_EQ(Utf8SequenceLength("\xc0\xaf", 0), 0u);          // overlong
  EXPECT_EQ(Utf8SequenceLength("\xed\xa0\x80", 0), 0u);      // surrogate
  EXPECT_EQ(Utf8SequenceLength("\xf4\x90\x80\x80", 0), 0u);  // beyond U+10FFFF
  EXPECT_EQ(Utf8SequenceLength("\xe2\x82", 0), 0u);          // cut off
  EXPECT_EQ(Utf8SequenceLength("\x80", 0), 0u);              // stray continuation
  EXPECT_EQ(RegexTool::QuoteReadable("\xe2\x82 \xc3\xa9\x01"), "\"\\xE2\\x82 \xc3\xa9\\x01\"");
}

}  // namespace
