#pragma once
// New content written beside the file it will replace, and put in place without a moment at
// which the file holds neither its old nor its new content.
//
// The file is created in the target's own directory (so a rename never crosses a file system),
// unnamed where the file system allows it: a process killed while writing leaves nothing
// behind. Where it must carry a name, the name is a working-file name (WorkingFiles.h) that no
// walk searches, and the writer holds an advisory lock on it, so a later run can tell a leftover
// of a killed process from a file in use. A temporary file that was not put in place is removed
// when the object ends.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Files.h"

namespace Platform {

class TemporaryFile {
 public:
  // Creates an empty file (mode 0600) beside `path`. On failure the object is false, Name()
  // is the name that was tried and LastError() says why.
  static TemporaryFile CreateBeside(const std::string& path);

  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&& other) = delete;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  explicit operator bool() const { return Handle != nullptr; }
  // The open file to write the new content to (and to give attributes, and to flush).
  File& Output() { return *Handle; }
  // The name the file has, or takes when it is put in place: the name problem reports give.
  const std::string& Name() const { return OwnName; }

  // Puts the content in place of `target` in one step; the temporary file is then gone. The
  // content must be flushed before.
  bool ReplaceByRename(const std::string& target);

  // Copies the content over `target` in place, so the target keeps its identity and every
  // hard link to it sees the new content. The copy is recoverable: the flushed content first
  // takes a durable working-file name that records the target, then is copied, the target is
  // flushed, and only then is the working file removed. A process killed during the copy
  // leaves that working file, and the next walk of the directory finishes the copy
  // (TidyWorkingFile). A copy that fails part-way is left to be finished the same way.
  bool ReplaceInPlace(const std::string& target);

 private:
  TemporaryFile() = default;
  bool GiveName(const std::string& name);
  void Discard();

  std::unique_ptr<File> Handle;
  std::string OwnName;
  std::string Directory;
  bool Named = false;  // the file is reachable under OwnName
};

// The working-file name (".<name>.<inode>.~rxcopy") under which the new content of the file
// `ownName`, whose inode number is `inode`, waits while it is copied over that file.
std::string InPlaceCopyName(const std::string& ownName, std::uint64_t inode);

// Finishes the in-place copy recorded by the working file `copyName` in `directory`: its
// content goes over its target, the target is flushed, the working file is removed. Does
// nothing (and returns false) while another process works with that file.
bool FinishInPlaceCopy(const std::string& directory, const std::string& copyName);

// Removes the temporary file `temporaryName` of `directory` when no process holds it any more.
bool RemoveAbandonedTemporary(const std::string& directory, const std::string& temporaryName);

}  // namespace Platform
