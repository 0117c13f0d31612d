#pragma once
// New content written beside the file it will replace, and put in place without a moment at
// which the file holds neither its old nor its new content.
//
// The file is created in the target's own directory (so a rename never crosses a file system),
// unnamed where the file system allows it: a process killed while writing leaves nothing
// behind. Where it must carry a name, the name is a working-file name (WorkingFiles.h) that no
// walk searches, and the writer holds an advisory lock on it, so a later run can tell a leftover
// of a killed process from a file in use. A temporary file that was not put in place is removed
// when the object ends. Everything happens relative to the directory's handle: a directory
// swapped for a link after it was opened redirects nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Directory.h"
#include "platform/Files.h"

namespace Platform {

class TemporaryFile {
 public:
  // Creates an empty file (mode 0600) in `directory`, for its entry `besideName`. Name() is
  // `shownDirectory` + "/" + the file's own name (its own name alone when `shownDirectory` is
  // empty). On failure the object is false, Name() is the name that was tried and
  // LastError() says why.
  static TemporaryFile CreateIn(std::shared_ptr<const Directory> directory,
                                const std::string& besideName, const std::string& shownDirectory);
  // The same beside the file `path` names (its directory opened as the path says).
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
  const std::string& Name() const { return ShownName; }

  // Puts the content in place of the entry `target` of its directory (a path: its own name
  // after the last '/') in one step; the temporary file is then gone. The content must be
  // flushed before. A link of that name is replaced, never followed.
  bool ReplaceByRename(const std::string& target);

  // Copies the content over the entry `target` of its directory in place, so the target keeps
  // its identity and every hard link to it sees the new content. With `inode` not 0, the
  // entry must still be the file (`device`, `inode`), else nothing happens and the error code
  // is ESTALE; a link there is ELOOP. The copy is recoverable: the flushed content first takes
  // a durable working-file name with a record binding it to the target (its device, inode,
  // the content's length and checksum), owned by the target's owner, then is copied, the
  // target is flushed, and only then is the working file removed. A process killed during
  // the copy leaves that working file, and the next walk of the directory finishes the copy
  // (TidyWorkingFile). A copy that fails part-way is left to be finished the same way.
  bool ReplaceInPlace(const std::string& target, std::uint64_t device = 0, std::uint64_t inode = 0);

 private:
  TemporaryFile() = default;
  bool GiveName(const std::string& ownName);
  void Discard();

  std::unique_ptr<File> Handle;
  std::shared_ptr<const Directory> Folder;
  std::string OwnName;  // in Folder, once Named
  std::string ShownDirectory;
  std::string ShownName;
  bool Named = false;  // the file is reachable under OwnName
};

// The working-file name (".<name>.<inode>.~rxcopy") under which the new content of the file
// `ownName`, whose inode number is `inode`, waits while it is copied over that file.
std::string InPlaceCopyName(const std::string& ownName, std::uint64_t inode);

// The record an in-place copy's working file carries after the new content: it binds the
// content (`length` bytes at `content`) to its target (`device`, `inode`). Exposed so tests
// can forge one as an attacker would.
std::vector<char> InPlaceCopyRecord(std::uint64_t device, std::uint64_t inode, const char* content,
                                    std::size_t length);

// Writes a copy of `input`'s whole content (read from its start, whatever was read of it
// before) as the entry `ownName` of `directory`: a temporary file given `attributes` and the
// access rules of `input` (KeepAccessRules), flushed, then renamed over that name (a link
// there is replaced, never followed). False on failure, which leaves `ownName` as it was.
bool WriteSavedCopy(const File& input, const FileAttributes& attributes,
                    std::shared_ptr<const Directory> directory, const std::string& ownName,
                    bool allowOwnerChange);

}  // namespace Platform
