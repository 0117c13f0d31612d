#pragma once
// The toolkit's own working files beside a file it changes, and what a later run does with the
// ones a killed run left behind.
//
// Two kinds carry a name, each ending in a marker no walk ever searches:
//   ".<name>.<random>.~rxtmp"      a temporary file (new content, or a saved copy being written)
//   ".<name>.<inode>.~rxcopy"      the complete, durable new content of the file <name> (whose
//                                  inode number, in hexadecimal, is <inode>) while it is copied
//                                  over that file in place; kept until the copy is durable
// The process that writes one holds an advisory lock on it for as long as it works with it, so a
// working file whose lock can be taken belongs to a process that no longer runs.
//
// Other users may write in the directory, so a working file is acted on only when it is
// trusted: a regular file (a link is never followed), one link, mode exactly 0600, owned by the
// owner of the file it belongs to, and for a ".~rxcopy" file a record after the content,
// written with it, that names the target's device and inode and the content's length and
// checksum, all of which must hold. A ".~rxtmp" file may instead be owned by the running user
// (mode 0600), or have exactly its file's owner and mode (new content killed between taking its
// name and its rename).
// Everything else is left as it is and reported. Every call works relative to the
// directory's handle.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/Directory.h"

namespace Platform {

enum class WorkingFileKind {
  None,            // not a working file of the toolkit
  Temporary,       // ".~rxtmp": removed once its process is gone
  InterruptedCopy  // ".~rxcopy": its in-place copy is finished, then it is removed
};

// What the directory entry `ownName` (a name without a directory) is.
WorkingFileKind KindOfWorkingFile(const std::string& ownName);
inline bool IsWorkingFile(const std::string& ownName) {
  return KindOfWorkingFile(ownName) != WorkingFileKind::None;
}

enum class TidyMode {
  Finish,   // finish interrupted copies, remove abandoned temporary files
  LookOnly  // change nothing on disk (a dry run): only tell what is unfinished
};

enum class TidyOutcome {
  Tidied,      // finished or removed (or nothing is left to do)
  Unfinished,  // LookOnly: trusted and abandoned, left as it is
  InUse,       // a running process holds it
  Untrusted,   // not provably the toolkit's own for its target: left alone
  Failed       // trusted, but finishing or removing it failed (Error says why)
};

struct TidyResult {
  std::string WorkingName;  // the working file's own name
  TidyOutcome Outcome = TidyOutcome::Tidied;
  // The own name of the file of this directory whose in-place copy is unfinished because of
  // this working file (a ".~rxcopy" not tidied): a walk must not hand that file on. Empty
  // for a temporary file and for a copy whose target is not in the directory.
  std::string BlockedName;
  std::uint64_t BlockedInode = 0;  // that file's inode: its other names are blocked too
  int Error = 0;                   // errno of the failing call for Failed, else 0
};

// Tidies the working file `ownName` of `directory` as `mode` says.
TidyResult TidyWorkingFile(const Directory& directory, const std::string& ownName,
                           TidyMode mode = TidyMode::Finish);

// Tidies every working file among `entries` (the listing of `directory`; other entries are
// passed over) and returns the own names of the directory's files that a walk must pass
// over: those whose in-place copy is unfinished (untrusted, in use by a live run, failed to
// finish, or, with LookOnly, not finished), under every name the file has among `entries`. Every
// working file not Tidied is appended to `untidied` when given, for the walker to report.
std::set<std::string> TidyWorkingFiles(const Directory& directory,
                                       const std::vector<DirectoryEntry>& entries,
                                       TidyMode mode = TidyMode::Finish,
                                       std::vector<TidyResult>* untidied = nullptr);

}  // namespace Platform
