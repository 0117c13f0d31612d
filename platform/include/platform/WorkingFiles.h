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

#include <string>

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

// Tidies the working file `ownName` of `directory` when the process that wrote it no longer
// runs: an interrupted in-place copy is finished first (so its target holds the new content in
// full), a temporary file is removed. One still in use, or one that cannot be tidied (no
// permission, say), is left as it is. Never fails loudly: a walk calls it for each working file
// it meets and goes on.
void TidyWorkingFile(const std::string& directory, const std::string& ownName);

}  // namespace Platform
