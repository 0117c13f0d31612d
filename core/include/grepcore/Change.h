#pragma once
// The file change run: every match of a pattern in a set of files replaced, each file
// rewritten safely. It comes in two steps, so a caller can look before anything is written:
//
//   auto plan = grepcore::PlanChange(files, pattern, options);   // reads, searches, replaces
//   if (plan.Refused()) return report(plan.Collisions);          // nothing was written
//   auto written = grepcore::CommitChange(plan);                 // durable batches
//
// The plan reads each file once (whole: a file is held in memory while it is searched) and
// records what it is (device, inode, size, a fingerprint of its content), every replacement
// that changes the text and every problem found. A file reached by several names (hard links,
// a link and its target, a name given twice) is planned once, by device and inode, under its
// first name. When a planned saved copy would take the name of another planned saved copy or
// of any existing file, the plan is refused as a whole.
//
// The commit writes each planned file only when it is still the file that was planned (same
// identity, size and fingerprint; else ChangedSincePlanned), through the toolkit's file
// rewrite: relative to the directory handle the walk reached it by, following no link swapped
// in, with its saved copy, its owner and mode kept, in batches of up to 64 files or 64 MB of new
// content made durable with one flush per file system before any of them takes its name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Export.h"
#include "grepcore/Regex.h"
#include "grepcore/Result.h"
#include "grepcore/Walk.h"

namespace grepcore {

struct ChangeOptions {
  std::string Format;         // $&, $0..$9, $`, $', $$; empty: the matches are deleted
  MatchOptions Match;         // how the pattern matches (line mode adds NotDotNewline and
                              // LineFeedLines)
  bool WholeText = false;     // else line by line, as sed: see PlannedFile::Problems
  std::string SaveExtension;  // without its dot; empty: no saved copies
  // Appended to the file's own name for its saved copy, in place of SaveExtension (f.txt ->
  // f.txt.bak, as sed -i names its backups): an entry of that name is replaced, as an earlier
  // backup of the same file, and files whose names end with it are passed over as saved
  // copies. A suffix holding '/' refuses the plan. Empty: none.
  std::string BackupSuffix;
  bool FirstOnly = false;       // only the first match of each line is replaced (sed without g)
  bool Binary = false;          // change files whose first 8 KiB hold a NUL byte too
  bool KeepAll = false;         // keep every replacement (a dry run's diff needs them)
  bool FingerprintNew = false;  // fingerprint each file's new content too (a plan kept for
                                // later: see HoldToRecord)
  unsigned Threads = 1;         // files read and searched, and prepared, at once
};

// What went wrong with one file. The first kinds are numbered as the toolkit's file rewrite and
// the pattern classes' problem records number them.
enum class ChangeProblemKind : unsigned char {
  OpenFileFailed,
  CreateTemporaryFailed,
  ReadFailed,
  WriteFailed,
  MatchChanged,
  SaveCopyFailed,
  ReplaceFailed,
  RestoreAttributesFailed,
  ChangedWhileRewriting,
  SearchAbandoned,    // the engine gave up on the file: it is left as it is
  SaveCopyCollision,  // two planned saved copies share a name
  OwnerNotKept,
  CopyUnfinished,
  // The run's own.
  SaveCopyExists,       // a file of the saved copy's name exists
  MatchSpansLines,      // line mode: a match takes a line feed
  NotTheWalkedFile,     // a link or another file took the walked name before it was read
  DirectoryReplaced,    // the file's directory was moved or replaced since the walk
  ChangedSincePlanned,  // the file is no longer what the plan read
};

struct ChangeProblem {
  ChangeProblemKind Kind = ChangeProblemKind::OpenFileFailed;
  std::string Name;            // the file (or its saved copy, its temporary file) concerned
  std::string Other;           // another file the problem names (the one whose saved copy...)
  std::uint64_t Position = 0;  // where in the file, when known
  std::string Matched;         // MatchChanged from the rewrite: the text expected there
  unsigned SystemError = 0;    // errno, 0 when none
  std::string Message;         // in words, for the run's own problems; empty for the rewrite's
};

// One replacement that changes the text: `Matched` at `Position` becomes `Replacement`.
struct PlannedReplacement {
  std::uint64_t Position = 0;
  std::string Matched;
  std::string Replacement;
};

// Why a file is left alone without a problem of its own.
enum class PlannedAction {
  Write,        // it is to be rewritten
  NothingToDo,  // no replacement changes it (or it looks binary)
  SameFile,     // another name of a file planned before (SameAs)
  SavedCopy,    // its name carries the save extension (or ends with the backup suffix):
                // an earlier run's saved copy
  ReadOnly,     // its owner may not write it
  Gone,         // it was deleted before it was read
  Problem,      // see Problems
};

struct PlannedFile {
  WalkedFile File;
  PlannedAction Action = PlannedAction::NothingToDo;
  std::string SameAs;  // with SameFile: the name the file was planned under
  // What the plan read.
  std::uint64_t Device = 0, Inode = 0, Size = 0;
  std::uint64_t Fingerprint = 0;
  std::uint64_t NewFingerprint = 0;  // with FingerprintNew and Write: of the new content
  unsigned Matches = 0;
  unsigned Changing = 0;    // replacements that change the text
  std::int64_t Growth = 0;  // bytes they add (negative: remove)
  // The changing replacements, in ascending position, when the plan kept them (always with
  // KeepAll; else while they take no more than 4 MiB for the file and 64 MiB for the run:
  // the others are found again from the file at commit time, in bounded portions).
  std::vector<PlannedReplacement> Replacements;
  bool Kept = false;
  std::string SaveName;  // its saved copy's own name beside it; empty: none
  std::vector<ChangeProblem> Problems;

  std::uint64_t NewSize() const {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(Size) + Growth);
  }
};

struct ChangePlan {
  Pattern Searched;
  ChangeOptions Options;
  std::vector<PlannedFile> Files;  // in the order given
  // Saved-copy collisions (and a backup suffix that names another directory): when there
  // are any, nothing may be written.
  std::vector<ChangeProblem> Collisions;

  bool Refused() const { return !Collisions.empty(); }
};

// Called on the calling thread for each file in order, once it is planned, with the content
// the plan read (only while the call lasts; empty unless the file is to be written).
using PlannedFileSink = std::function<void(const PlannedFile& file, std::string_view content)>;

// Plans the change of `files` (see the top of this header). The empty text after a final line
// feed is no line in line mode, so no empty match is taken there.
GREPCORE_EXPORT ChangePlan PlanChange(std::vector<WalkedFile> files, const Pattern& pattern,
                                      const ChangeOptions& options,
                                      const PlannedFileSink& planned = {});

// A plan can be kept (written down, reviewed) and applied later by planning the same change
// again and holding each file to what the first plan recorded of it. A file is written only
// when it is still what was recorded; a file that already holds the recorded new content (an
// earlier apply of the same plan wrote it) is left alone, so applying a plan twice changes
// nothing the second time.
struct RecordedFile {
  std::uint64_t Device = 0, Inode = 0, Size = 0, Fingerprint = 0;
  std::uint64_t NewSize = 0, NewFingerprint = 0;  // the content it is to get
};

enum class RecordedState {
  AsRecorded,      // the same file with the same content: it is written as planned
  AlreadyWritten,  // it holds the recorded new content: left alone (NothingToDo)
  Changed,         // anything else: left alone with a ChangedSincePlanned problem
};

// Holds each file of `plan`, a new plan of the same change, to what `recorded` gives for it
// (null: nothing, so it is left alone as changed; a file that is gone stays Gone; with
// FingerprintNew, a file to write must also be getting the recorded new content), then finds
// the saved-copy collisions again among the files still to write: a file already written has
// its saved copy already, and an existing saved copy that holds a file's recorded content is
// the one an apply cut short wrote before the file changed. The state of each file, in the
// plan's order.
using RecordLookup = std::function<const RecordedFile*(const PlannedFile& file)>;
GREPCORE_EXPORT std::vector<RecordedState> HoldToRecords(ChangePlan& plan,
                                                         const RecordLookup& recorded);

// The fingerprint the plan records of a content (PlannedFile::Fingerprint, NewFingerprint).
GREPCORE_EXPORT std::uint64_t ContentFingerprint(std::string_view content);

// What became of one file the plan was to write.
struct CommittedFile {
  std::size_t Planned = 0;  // its index in the plan's Files
  bool Changed = false;     // the new content is in place
  bool Gone = false;        // deleted since it was planned: left alone
  std::vector<ChangeProblem> Problems;
};

using CommittedFileSink = std::function<void(const CommittedFile& file)>;

// Writes every file the plan is to write, in the plan's order, each at most once; each
// outcome goes to `committed` (on the calling thread) as its batch is put in place. A refused
// plan is a BadArgument error, and nothing is written. The plan's kept replacements are
// released as their files are written.
GREPCORE_EXPORT Result<std::vector<CommittedFile>> CommitChange(
    ChangePlan& plan, const CommittedFileSink& committed = {});

// `content` with `replacements` (ascending, apart) put in place; false when one does not find
// its text where it was planned.
GREPCORE_EXPORT bool ApplyReplacements(std::string_view content,
                                       const std::vector<PlannedReplacement>& replacements,
                                       std::string& result);

// The saved copy's own name for the own name `name`: its extension replaced by `extension`,
// or `extension` added when it has none.
GREPCORE_EXPORT std::string SavedCopyName(const std::string& name, const std::string& extension);

}  // namespace grepcore
