// The core's change run: what its plan finds in real files, and what its commit writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "grepcore/Change.h"
#include "platform/FaultSeam.h"

namespace {

using grepcore::ChangeOptions;
using grepcore::ChangePlan;
using grepcore::ChangeProblemKind;
using grepcore::PlannedAction;
using TestSupport::TemporaryDirectory;

class ChangeTest : public ::testing::Test {
 protected:
  std::vector<grepcore::WalkedFile> Files(const std::vector<std::string>& names) {
    std::vector<grepcore::WalkedFile> files;
    for (const std::string& name : names) {
      auto file = grepcore::LocateFile(dir / name);
      EXPECT_TRUE(file) << name;
      struct stat status {};
      EXPECT_EQ(::lstat((dir / name).c_str(), &status), 0);
      file->Device = status.st_dev;
      file->Inode = status.st_ino;
      files.push_back(std::move(*file));
    }
    return files;
  }

  ChangePlan Plan(const std::vector<std::string>& names, const std::string& pattern,
                  const std::string& format, ChangeOptions options = {}) {
    options.Format = format;
    return grepcore::PlanChange(Files(names), *grepcore::Pattern::Compile(pattern), options);
  }

  std::string Read(const std::string& name) const { return TemporaryDirectory::Read(dir / name); }

  TemporaryDirectory dir;
};

TEST_F(ChangeTest, ThePlanRecordsEachFileAndItsReplacements) {
  dir.Write("a.txt", "one two\ntwo\n");
  dir.Write("b.txt", "nothing here\n");
  dir.Write("c.bin", std::string("two\0two", 7));
  ChangeOptions keep;
  keep.KeepAll = true;
  const ChangePlan plan = Plan({"a.txt", "b.txt", "c.bin"}, "two", "2", keep);
  ASSERT_EQ(plan.Files.size(), 3u);
  const grepcore::PlannedFile& a = plan.Files[0];
  EXPECT_EQ(a.Action, PlannedAction::Write);
  EXPECT_EQ(a.Size, 12u);
  EXPECT_NE(a.Inode, 0u);
  EXPECT_NE(a.Fingerprint, plan.Files[1].Fingerprint);
  EXPECT_EQ(a.Changing, 2u);
  EXPECT_EQ(a.Growth, -4);
  ASSERT_TRUE(a.Kept);
  ASSERT_EQ(a.Replacements.size(), 2u);
  EXPECT_EQ(a.Replacements[1].Position, 8u);
  std::string result;
  ASSERT_TRUE(grepcore::ApplyReplacements("one two\ntwo\n", a.Replacements, result));
  EXPECT_EQ(result, "one 2\n2\n");
  EXPECT_EQ(plan.Files[1].Action, PlannedAction::NothingToDo);
  EXPECT_EQ(plan.Files[2].Action, PlannedAction::NothingToDo) << "it looks binary";
  EXPECT_EQ(Read("a.txt"), "one two\ntwo\n") << "a plan writes nothing";
}

TEST_F(ChangeTest, LineModeKeepsMatchesInTheirLinesAndTakesNoLineAfterTheLastFeed) {
  dir.Write("ends.txt", "a\nb\n");
  dir.Write("open.txt", "a\nb");
  dir.Write("spans.txt", "a\nb\n");
  const ChangePlan plan = Plan({"ends.txt", "open.txt"}, "$", ";");
  EXPECT_EQ(plan.Files[0].Changing, 2u) << "the empty text after the final feed is no line";
  EXPECT_EQ(plan.Files[1].Changing, 2u);
  const ChangePlan dot = Plan({"spans.txt"}, "a.b", "x");
  EXPECT_EQ(dot.Files[0].Action, PlannedAction::NothingToDo) << ". stops at a line feed";
  const ChangePlan feed = Plan({"spans.txt"}, "a\nb", "x");
  ASSERT_EQ(feed.Files[0].Problems.size(), 1u);
  EXPECT_EQ(feed.Files[0].Problems[0].Kind, ChangeProblemKind::MatchSpansLines);
  ChangeOptions whole;
  whole.WholeText = true;
  EXPECT_EQ(Plan({"spans.txt"}, "a.b", "x", whole).Files[0].Action, PlannedAction::Write);
}

TEST_F(ChangeTest, FilesTheRunMustNotWriteAreToldApart) {
  dir.Write("old.bak", "x");
  dir.Write("locked.txt", "x");
  ::chmod((dir / "locked.txt").c_str(), 0444);
  dir.Write("gone.txt", "x");
  ChangeOptions save;
  save.SaveExtension = "bak";
  std::vector<grepcore::WalkedFile> files = Files({"old.bak", "locked.txt", "gone.txt"});
  std::filesystem::remove(dir / "gone.txt");
  save.Format = "y";
  const ChangePlan plan = grepcore::PlanChange(files, *grepcore::Pattern::Compile("x"), save);
  EXPECT_EQ(plan.Files[0].Action, PlannedAction::SavedCopy);
  EXPECT_EQ(plan.Files[1].Action, PlannedAction::ReadOnly);
  EXPECT_EQ(plan.Files[2].Action, PlannedAction::Gone);
  // Another file put in the walked name before the read is not read.
  dir.Write("swapped.txt", "x");
  files = Files({"swapped.txt"});
  dir.Write("other.txt", "x");
  std::filesystem::rename(dir / "other.txt", dir / "swapped.txt");
  const ChangePlan swapped = grepcore::PlanChange(files, *grepcore::Pattern::Compile("x"), save);
  ASSERT_EQ(swapped.Files[0].Problems.size(), 1u);
  EXPECT_EQ(swapped.Files[0].Problems[0].Kind, ChangeProblemKind::NotTheWalkedFile);
}

TEST_F(ChangeTest, UnreadableFilesAndFilesTheEngineGaveUpOnAreProblemsNotChanges) {
  const std::string hard = "ab\n" + std::string(20000, 'a') + "db\n";
  dir.Write("hard.txt", hard);
  dir.Write("easy.txt", "ab\n");
  ChangeOptions options;
  options.Format = "X";
  const ChangePlan plan = grepcore::PlanChange(Files({"hard.txt", "easy.txt"}),
                                               *grepcore::Pattern::Compile("(a*)*\\1b"), options);
  ASSERT_EQ(plan.Files[0].Problems.size(), 1u);
  EXPECT_EQ(plan.Files[0].Problems[0].Kind, ChangeProblemKind::SearchAbandoned);
  EXPECT_TRUE(plan.Files[0].Replacements.empty()) << "never changed in part";
  EXPECT_EQ(plan.Files[1].Action, PlannedAction::Write);

  Platform::ScopedFault unreadable(Platform::Call::OpenForReading, 1, EACCES);
  const ChangePlan denied = Plan({"easy.txt"}, "a", "b");
  ASSERT_EQ(denied.Files[0].Problems.size(), 1u);
  EXPECT_EQ(denied.Files[0].Problems[0].Kind, ChangeProblemKind::OpenFileFailed);
  EXPECT_EQ(denied.Files[0].Problems[0].SystemError, static_cast<unsigned>(EACCES));
}

TEST_F(ChangeTest, AFileChangedBetweenPlanAndCommitIsNotRewritten) {
  dir.Write("a.txt", "cat cat\n");
  dir.Write("b.txt", "cat\n");
  ChangePlan plan = Plan({"a.txt", "b.txt"}, "cat", "dog");
  // The same size and the same matches, other bytes: only the fingerprint tells.
  {
    std::FILE* file = std::fopen((dir / "a.txt").c_str(), "r+");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 3, SEEK_SET);
    std::fputc('_', file);
    std::fclose(file);
  }
  const auto written = grepcore::CommitChange(plan);
  ASSERT_TRUE(written);
  ASSERT_EQ(written->size(), 2u);
  EXPECT_FALSE((*written)[0].Changed);
  ASSERT_EQ((*written)[0].Problems.size(), 1u);
  EXPECT_EQ((*written)[0].Problems[0].Kind, ChangeProblemKind::ChangedSincePlanned);
  EXPECT_EQ(Read("a.txt"), "cat_cat\n");
  EXPECT_TRUE((*written)[1].Changed);
  EXPECT_EQ(Read("b.txt"), "dog\n");
}

// What a kept plan recorded of a file, as a later apply holds the file to it.
grepcore::RecordedFile RecordOf(const grepcore::PlannedFile& file) {
  return {file.Device,      file.Inode,     file.Size,
          file.Fingerprint, file.NewSize(), file.NewFingerprint};
}

TEST_F(ChangeTest, AKeptPlanWritesOnlyFilesStillAsRecordedAndNothingTheSecondTime) {
  dir.Write("a.txt", "cat\n");
  dir.Write("b.txt", "cat cat\n");
  dir.Write("c.txt", "cat\n");
  ChangeOptions kept;
  kept.FingerprintNew = true;
  const ChangePlan first = Plan({"a.txt", "b.txt", "c.txt"}, "cat", "cats", kept);
  ASSERT_EQ(first.Files[1].Action, PlannedAction::Write);
  EXPECT_EQ(first.Files[1].NewFingerprint, grepcore::ContentFingerprint("cats cats\n"));
  EXPECT_EQ(first.Files[1].Fingerprint, grepcore::ContentFingerprint("cat cat\n"));
  EXPECT_EQ(Plan({"a.txt"}, "cat", "cats").Files[0].NewFingerprint, 0u)
      << "only a plan kept for later fingerprints the new content";
  std::vector<grepcore::RecordedFile> records;
  for (const grepcore::PlannedFile& file : first.Files) records.push_back(RecordOf(file));

  dir.Write("c.txt", "cat!\n");  // another program's change after the plan was made
  auto apply = [&] {
    ChangePlan again = Plan({"a.txt", "b.txt", "c.txt"}, "cat", "cats");
    const std::vector<grepcore::RecordedState> states =
        grepcore::HoldToRecords(again, [&](const grepcore::PlannedFile& file) {
          return &records[static_cast<std::size_t>(&file - again.Files.data())];
        });
    const auto written = grepcore::CommitChange(again);
    EXPECT_TRUE(written);
    std::size_t changed = 0;
    for (const grepcore::CommittedFile& file : *written) changed += file.Changed ? 1 : 0;
    EXPECT_EQ(again.Files[2].Action, PlannedAction::Problem);
    EXPECT_EQ(again.Files[2].Problems.at(0).Kind, ChangeProblemKind::ChangedSincePlanned);
    return std::make_pair(states, changed);
  };
  using State = grepcore::RecordedState;
  const auto once = apply();
  EXPECT_EQ(once.first, (std::vector<State>{State::AsRecorded, State::AsRecorded, State::Changed}));
  EXPECT_EQ(once.second, 2u);
  EXPECT_EQ(Read("a.txt"), "cats\n");
  EXPECT_EQ(Read("b.txt"), "cats cats\n");
  EXPECT_EQ(Read("c.txt"), "cat!\n");

  // The files now hold their new content under new inodes: already written, not again.
  const auto twice = apply();
  EXPECT_EQ(twice.first,
            (std::vector<State>{State::AlreadyWritten, State::AlreadyWritten, State::Changed}));
  EXPECT_EQ(twice.second, 0u);
  EXPECT_EQ(Read("a.txt"), "cats\n");
  EXPECT_EQ(Read("b.txt"), "cats cats\n");

  // The same content under another file is not the planned file.
  ::unlink((dir / "a.txt").c_str());
  dir.Write("a.txt", "cat\n");
  ChangePlan swapped = Plan({"a.txt"}, "cat", "cats");
  grepcore::RecordedFile moved = records[0];
  // Another inode than the file has now: a freed inode number (b.txt's, before its rewrite)
  // may be the new file's, so the recorded one plus one could be the very file.
  moved.Inode = swapped.Files[0].Inode + 1;
  auto movedRecord = [&](const grepcore::PlannedFile&) { return &moved; };
  EXPECT_EQ(grepcore::HoldToRecords(swapped, movedRecord), std::vector<State>{State::Changed});
  EXPECT_EQ(swapped.Files[0].Action, PlannedAction::Problem);
  // A file of no record is left alone too.
  ChangePlan unknown = Plan({"b.txt"}, "cat", "cats");
  auto none = [](const grepcore::PlannedFile&) -> const grepcore::RecordedFile* { return nullptr; };
  EXPECT_EQ(grepcore::HoldToRecords(unknown, none), std::vector<State>{State::Changed});
}

TEST_F(ChangeTest, AKeptPlanAppliedAgainLooksForSavedCopiesOnlyOfFilesStillToWrite) {
  dir.Write("a.txt", "cat\n");
  dir.Write("b.txt", "cat\n");
  ChangeOptions save;
  save.SaveExtension = "bak";
  save.FingerprintNew = true;
  ChangePlan first = Plan({"a.txt", "b.txt"}, "cat", "cats", save);
  std::vector<grepcore::RecordedFile> records;
  for (const grepcore::PlannedFile& file : first.Files) records.push_back(RecordOf(file));
  auto record = [&](const grepcore::PlannedFile& file) {
    return &records[file.File.Name == "a.txt" ? 0 : 1];
  };
  // Only a.txt was written (a run killed after it): its saved copy is its own, from before.
  ChangePlan part = Plan({"a.txt"}, "cat", "cats", save);
  ASSERT_TRUE(grepcore::CommitChange(part));
  ASSERT_EQ(Read("a.bak"), "cat\n");
  ChangePlan again = Plan({"a.txt", "b.txt"}, "cat", "cats", save);
  EXPECT_TRUE(again.Refused()) << "a.bak exists, and a.txt still matches";
  grepcore::HoldToRecords(again, record);
  EXPECT_FALSE(again.Refused());
  ASSERT_TRUE(grepcore::CommitChange(again));
  EXPECT_EQ(Read("a.txt"), "cats\n");
  EXPECT_EQ(Read("a.bak"), "cat\n");
  EXPECT_EQ(Read("b.txt"), "cats\n");
  EXPECT_EQ(Read("b.bak"), "cat\n");
  // An apply cut short after d.txt's saved copy was written, before d.txt changed: the copy
  // holds d.txt's content, so it is d.txt's own. Any other content is another file's.
  dir.Write("d.txt", "cat\n");
  ChangePlan planned = Plan({"d.txt"}, "cat", "cats", save);
  const grepcore::RecordedFile dRecord = RecordOf(planned.Files[0]);
  auto dRecordOf = [&](const grepcore::PlannedFile&) { return &dRecord; };
  dir.Write("d.bak", "cat\n");
  ChangePlan cut = Plan({"d.txt"}, "cat", "cats", save);
  ASSERT_TRUE(cut.Refused()) << "d.bak exists";
  EXPECT_EQ(grepcore::HoldToRecords(cut, dRecordOf),
            std::vector<grepcore::RecordedState>{grepcore::RecordedState::AsRecorded});
  EXPECT_FALSE(cut.Refused());
  ASSERT_TRUE(grepcore::CommitChange(cut));
  EXPECT_EQ(Read("d.txt"), "cats\n");
  EXPECT_EQ(Read("d.bak"), "cat\n");
  dir.Write("e.txt", "cat\n");
  ChangePlan fresh = Plan({"e.txt"}, "cat", "cats", save);
  const grepcore::RecordedFile eRecord = RecordOf(fresh.Files[0]);
  dir.Write("e.bak", "someone else's\n");
  ChangePlan other = Plan({"e.txt"}, "cat", "cats", save);
  grepcore::HoldToRecords(other, [&](const grepcore::PlannedFile&) { return &eRecord; });
  EXPECT_TRUE(other.Refused());
  // A collision among files still to write still refuses the plan.
  dir.Write("c.md", "cat\n");
  dir.Write("c.txt", "cat\n");
  ChangePlan pair = Plan({"c.md", "c.txt"}, "cat", "cats", save);
  std::vector<grepcore::RecordedFile> pairRecords;
  for (const grepcore::PlannedFile& file : pair.Files) pairRecords.push_back(RecordOf(file));
  grepcore::HoldToRecords(pair, [&](const grepcore::PlannedFile& file) {
    return &pairRecords[file.File.Name == "c.md" ? 0 : 1];
  });
  EXPECT_TRUE(pair.Refused());
}

TEST_F(ChangeTest, OneFileUnderTwoNamesIsRewrittenOnce) {
  dir.Write("a.txt", "a\n");
  ASSERT_EQ(::link((dir / "a.txt").c_str(), (dir / "b.txt").c_str()), 0);
  ChangeOptions threads;
  threads.Threads = 2;
  ChangePlan plan = Plan({"a.txt", "b.txt", "a.txt"}, "a", "aa", threads);
  EXPECT_EQ(plan.Files[0].Action, PlannedAction::Write);
  EXPECT_EQ(plan.Files[1].Action, PlannedAction::SameFile);
  EXPECT_EQ(plan.Files[1].SameAs, plan.Files[0].File.Shown);
  EXPECT_EQ(plan.Files[2].Action, PlannedAction::SameFile);
  const auto written = grepcore::CommitChange(plan);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->size(), 1u);
  EXPECT_EQ(Read("a.txt"), "aa\n");
  EXPECT_EQ(Read("b.txt"), "aa\n") << "every name sees the new content";
}

TEST_F(ChangeTest, SavedCopyCollisionsRefuseTheWholeRun) {
  dir.Write("a.md", "x");
  dir.Write("a.txt", "x");
  dir.Write("b.txt", "x");
  dir.Write("b.bak", "an older file");
  ChangeOptions save;
  save.SaveExtension = "bak";
  ChangePlan plan = Plan({"a.md", "a.txt", "b.txt"}, "x", "y", save);
  ASSERT_TRUE(plan.Refused());
  ASSERT_EQ(plan.Collisions.size(), 2u);
  EXPECT_EQ(plan.Collisions[0].Kind, ChangeProblemKind::SaveCopyCollision);
  EXPECT_EQ(plan.Collisions[0].Name, plan.Files[1].File.Shown);
  EXPECT_EQ(plan.Collisions[1].Kind, ChangeProblemKind::SaveCopyExists);
  const auto written = grepcore::CommitChange(plan);
  ASSERT_FALSE(written);
  EXPECT_EQ(written.Error().Kind, grepcore::ErrorKind::BadArgument);
  for (const char* name : {"a.md", "a.txt", "b.txt"}) EXPECT_EQ(Read(name), "x") << name;
  EXPECT_EQ(Read("b.bak"), "an older file");
  EXPECT_EQ(dir.Entries().size(), 4u);
}

// A backup takes the file's whole name with the suffix after it, as sed -i.bak names it: an
// earlier backup of the file is replaced, never followed if it is a link, and a file whose name
// ends with the suffix is an earlier backup, not changed.
TEST_F(ChangeTest, BackupsAppendTheSuffixAndReplaceAnEarlierBackup) {
  dir.Write("f.txt", "x one\n");
  dir.Write("f.txt.bak", "an earlier backup");
  dir.Write("g.txt", "x two\n");
  dir.Write("secret", "not to be touched");
  ASSERT_EQ(::symlink((dir / "secret").c_str(), (dir / "g.txt.bak").c_str()), 0);
  dir.Write("h.md", "x three\n");
  ChangeOptions backup;
  backup.BackupSuffix = ".bak";
  backup.SaveExtension = "orig";  // the suffix takes its place
  ChangePlan plan = Plan({"f.txt", "f.txt.bak", "g.txt", "h.md"}, "x", "y", backup);
  ASSERT_FALSE(plan.Refused());
  EXPECT_EQ(plan.Files[0].SaveName, "f.txt.bak");
  EXPECT_EQ(plan.Files[1].Action, PlannedAction::NothingToDo);
  ASSERT_TRUE(grepcore::CommitChange(plan));
  EXPECT_EQ(Read("f.txt"), "y one\n");
  EXPECT_EQ(Read("f.txt.bak"), "x one\n");
  EXPECT_EQ(Read("g.txt.bak"), "x two\n");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "g.txt.bak"));
  EXPECT_EQ(Read("secret"), "not to be touched");
  EXPECT_EQ(Read("h.md.bak"), "x three\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "h.orig"));

  // Run again: the backups carry the suffix, so they are passed over, not backed up in turn.
  dir.Write("f.txt", "x again\n");
  ChangePlan again = Plan({"f.txt", "f.txt.bak"}, "x", "z", backup);
  EXPECT_EQ(again.Files[1].Action, PlannedAction::SavedCopy);
  ASSERT_TRUE(grepcore::CommitChange(again));
  EXPECT_EQ(Read("f.txt.bak"), "x again\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "f.txt.bak.bak"));

  // A suffix that would put the backup in another directory refuses the run.
  ChangeOptions away;
  away.BackupSuffix = "/../x";
  ChangePlan refused = Plan({"f.txt"}, "x", "y", away);
  EXPECT_TRUE(refused.Refused());
  EXPECT_FALSE(grepcore::CommitChange(refused));
  EXPECT_EQ(Read("f.txt"), "z again\n");
}

TEST_F(ChangeTest, FirstOnlyReplacesTheFirstMatchOfEachLine) {
  dir.Write("a.txt", "a a a\nb\na a\na");
  ChangeOptions first;
  first.FirstOnly = true;
  ChangePlan plan = Plan({"a.txt"}, "a", "X", first);
  EXPECT_EQ(plan.Files[0].Matches, 3u);
  ASSERT_TRUE(grepcore::CommitChange(plan));
  EXPECT_EQ(Read("a.txt"), "X a a\nb\nX a\nX");
  // A first match that leaves its text as it was still is the line's first.
  dir.Write("b.txt", "ab ac\n");
  ChangePlan same = Plan({"b.txt"}, "a.", "ab", first);
  EXPECT_EQ(same.Files[0].Action, PlannedAction::NothingToDo);
  // In the whole text, the first match of each line too (sed reads lines, even with -z off).
  dir.Write("c.txt", "a a\na a\n");
  first.WholeText = true;
  ChangePlan whole = Plan({"c.txt"}, "a", "X", first);
  ASSERT_TRUE(grepcore::CommitChange(whole));
  EXPECT_EQ(Read("c.txt"), "X a\nX a\n");
}

TEST_F(ChangeTest, BatchesOfManyFilesAreWrittenWithTheirSavedCopies) {
  std::vector<std::string> names;
  for (int i = 0; i < 150; ++i) {
    names.push_back("f" + std::to_string(i) + ".txt");
    dir.Write(names.back(), "value " + std::to_string(i) + "\n");
  }
  ChangeOptions save;
  save.SaveExtension = "orig";
  save.Threads = 2;
  ChangePlan plan = Plan(names, "([a-z]+) ([0-9]+)", "$2=$1", save);
  std::size_t seen = 0;
  const auto written = grepcore::CommitChange(plan, [&](const grepcore::CommittedFile& file) {
    EXPECT_EQ(file.Planned, seen++) << "in the plan's order";
  });
  ASSERT_TRUE(written);
  EXPECT_EQ(seen, 150u);
  for (int i = 0; i < 150; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(Read("f" + n + ".txt"), n + "=value\n");
    EXPECT_EQ(Read("f" + n + ".orig"), "value " + n + "\n");
  }
  EXPECT_EQ(dir.Entries().size(), 300u) << "no working file is left";
}

TEST_F(ChangeTest, AFileWithMoreReplacementsThanThePlanKeepsIsFoundAgainAtCommit) {
  std::string content;
  for (int i = 0; i < 300000; ++i) content += "ab\n";
  dir.Write("many.txt", content);
  ChangePlan plan = Plan({"many.txt"}, "b", "BBBB");
  ASSERT_EQ(plan.Files[0].Action, PlannedAction::Write);
  EXPECT_FALSE(plan.Files[0].Kept);
  EXPECT_EQ(plan.Files[0].Changing, 300000u);
  ASSERT_TRUE(grepcore::CommitChange(plan));
  std::string expected;
  for (int i = 0; i < 300000; ++i) expected += "aBBBB\n";
  EXPECT_EQ(Read("many.txt"), expected);
}

// A failing flush or rename never leaves a file half written: each is old or new.
TEST_F(ChangeTest, ABatchIsDurableAndEachFileOldOrNewWhateverFails) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) dir.Write(name, "old\n");
  {
    ChangePlan plan = Plan({"a.txt", "b.txt", "c.txt"}, "old", "new");
    Platform::ScopedFault flush(Platform::Call::Sync, 1, EIO);  // the batch's one flush
    const auto written = grepcore::CommitChange(plan);
    ASSERT_TRUE(written);
    for (const grepcore::CommittedFile& file : *written)
      EXPECT_TRUE(file.Changed) << "each file was then flushed on its own";
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(Read(name), "new\n");
  }
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) dir.Write(name, "old\n");
  {
    ChangePlan plan = Plan({"a.txt", "b.txt", "c.txt"}, "old", "new");
    Platform::ScopedFault rename(Platform::Call::Replace, 2, EIO);
    const auto written = grepcore::CommitChange(plan);
    ASSERT_TRUE(written);
    EXPECT_TRUE((*written)[0].Changed);
    EXPECT_FALSE((*written)[1].Changed);
    ASSERT_EQ((*written)[1].Problems.size(), 1u);
    EXPECT_EQ((*written)[1].Problems[0].Kind, ChangeProblemKind::ReplaceFailed);
    EXPECT_TRUE((*written)[2].Changed);
  }
  EXPECT_EQ(Read("a.txt"), "new\n");
  EXPECT_EQ(Read("b.txt"), "old\n");
  EXPECT_EQ(Read("c.txt"), "new\n");
  EXPECT_EQ(dir.Entries().size(), 3u) << "no working file is left";
}

TEST(Replacements, AppliedAtTheirPositionsAndCheckedAgainstTheContent) {
  std::vector<grepcore::PlannedReplacement> plan = {{2, "cd", "X"}, {6, "g", "YY"}};
  std::string result;
  ASSERT_TRUE(grepcore::ApplyReplacements("abcdefgh", plan, result));
  EXPECT_EQ(result, "abXefYYh");
  plan[1].Matched = "q";  // the file no longer holds what was found
  EXPECT_FALSE(grepcore::ApplyReplacements("abcdefgh", plan, result));
  const std::vector<grepcore::PlannedReplacement> beyond = {{7, "hi", "X"}};
  EXPECT_FALSE(grepcore::ApplyReplacements("abcdefgh", beyond, result));
}

}  // namespace
