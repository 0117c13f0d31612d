#pragma once
// Rewriting one file with its gathered replacements, without ever losing a byte of it.
//
// The file is streamed into a temporary file beside it (the bytes between matches copied, each
// match checked to be still in place and replaced), the temporary file is flushed and given
// the file's access rules, the file is copied to its saved copy when one is asked for, and
// only then is the new content put in place: by one rename, or, for a file with several hard
// links, by a recoverable copy over it in place so every name sees the new content. The check
// that the file is unchanged and its replacement happen under the file's advisory lock, so two
// runs never undo each other. A file that changed on disk since it was read is left to the
// other writer. Every failure is one problem report and leaves the file as it was (except an
// in-place copy cut short, which the next walk of its directory finishes); no temporary file
// outlives the rewrite.
//
// Other users may write in the directories a rewrite works in. So every open, temporary file,
// saved copy, rename and in-place copy happens relative to the handle of the file's directory,
// and the file is checked to be the one that was read (device and inode) at its open and again
// just before it is replaced: a file swapped for a link meanwhile is reported
// (ChangedWhileRewriting), never followed, and a folder swapped for one redirects nothing. The
// new content gets the old file's owner and group, permission bits, ACL and extended
// attributes before it gets a name; where the owner or group cannot be kept the file is left
// as it is (OwnerNotKept) unless the caller allows the change, and where the rest cannot, it
// is left as it is too (RestoreAttributesFailed).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Directory.h"

namespace Common {

// Problem kinds, numbered as the libraries publish them.
enum class RewriteProblem : unsigned char {
  OpenFileFailed,
  CreateTemporaryFailed,
  ReadFailed,
  WriteFailed,
  MatchChanged,
  SaveCopyFailed,
  ReplaceFailed,
  RestoreAttributesFailed,
  ChangedWhileRewriting,
  SearchAbandoned,
  SaveCopyCollision,
  OwnerNotKept,   // the new content's owner or group could not be the file's: left as it is
  CopyUnfinished  // an interrupted in-place copy of the file stays unfinished: not searched
};

// Where a file to rewrite is: its directory, open, and its own name there.
// A change run prepares rewritten files in batches and makes each batch durable with one flush
// per file system; a batch is put in place when it holds this many files or bytes of new
// content.
constexpr std::size_t BatchFiles = 64;
constexpr std::uint64_t BatchBytes = std::uint64_t{64} << 20;

struct FileLocation {
  std::shared_ptr<const Platform::Directory> Directory;  // the file's directory, open
  std::string Name;                                      // its own name in Directory
  std::uint64_t Device = 0, Inode = 0;  // the file as walked/read; 0,0: take what is there at Start
  std::string ShownName;                // the name problem reports give
};

// For a path a user named: its directory part is opened as given (links in it followed, the
// user named them) and a final symbolic link is resolved, relative to handles, to the target
// file's directory and own name. Device and Inode stay 0. False on failure, with the error
// code in Platform::LastError().
bool LocateFile(const std::string& path, FileLocation& location);

struct ProblemReport {
  RewriteProblem Problem = RewriteProblem::OpenFileFailed;
  std::string FileName;
  std::uint64_t FilePointer = 0;
  std::string MatchString;
  unsigned LastError = 0;
};

// One match of the file and what replaces it; matches come in ascending position, without
// overlap.
struct Replacement {
  std::int64_t Position = 0;
  const std::string* MatchString = nullptr;
  const std::string* ReplaceString = nullptr;
};

// A rewrite fed its matches in portions as they are found, so the matches of a file never need
// to be held all at once. Nothing reaches the file before Finish.
class FileRewriter {
 public:
  // The file at `location`. Its saved copy, unless `saveOwnName` is empty, is the entry
  // `saveOwnName` of the same directory. A final link at `location` is followed (relative to
  // handles): its target gets the new content and the link stays a link.
  FileRewriter(FileLocation location, std::string saveOwnName);
  // The file `fileName` names (the path's directory opened as given); `saveName` empty: no
  // saved copy, else a path (it may be in another directory).
  FileRewriter(std::string fileName, std::string saveName);
  ~FileRewriter();
  FileRewriter(const FileRewriter&) = delete;
  FileRewriter& operator=(const FileRewriter&) = delete;

  // Streams the new content up to and including these matches (they follow the ones added
  // before). After a failure later portions are passed over; Finish reports it.
  void Add(const std::vector<Replacement>& replacements);
  // Writes the rest and puts the new content in place. Problems are appended to `problems`;
  // true when the new content reached the file. The same as Prepare, then Commit.
  bool Finish(std::vector<ProblemReport>& problems);

  // The two halves of Finish, for a batch of files made durable together. Prepare writes the
  // rest of the new content, gives it the file's attributes and starts writing it to disk;
  // false on a failure (kept for Commit to report). SyncFileSystem makes all that is written
  // on the new content's file system durable at once. Commit flushes the new content (unless
  // `durable` says a SyncFileSystem after Prepare did), writes the saved copy and puts the new
  // content in place.
  bool Prepare();
  bool SyncFileSystem();
  bool Commit(std::vector<ProblemReport>& problems, bool durable);
  // Shows `watch` every block of the file as it is read into the new content, in order, so a
  // caller can check the new content was made from the bytes it expects. Set it before the
  // first Add.
  void WatchInput(std::function<void(std::string_view block)> watch);

  // The device of the file's file system (0 before the rewrite started).
  std::uint64_t Device() const;
  // Bytes of new content written so far.
  std::uint64_t Written() const;

  // Whether the file may change owner (to the running user) when its owner or group cannot be
  // kept; off by default, and then such a file is left as it is and reported OwnerNotKept.
  // With it on, set-id bits are dropped whenever the owner or group changes. Set it before
  // the first Add.
  void SetAllowOwnerChange(bool allow);
  bool GetAllowOwnerChange() const;

 private:
  class Work;
  std::unique_ptr<Work> Rewrite;
};

// A batch's flushes: each file system that holds a prepared rewrite is flushed once, before any
// file of the batch takes its new content, and each commit learns whether its flush held.
class BatchFlush {
 public:
  void Add(FileRewriter& prepared) {
    const auto [at, first] = Flushed.emplace(prepared.Device(), false);
    if (first) at->second = prepared.SyncFileSystem();
  }
  bool Durable(const FileRewriter& prepared) const {
    const auto at = Flushed.find(prepared.Device());
    return at != Flushed.end() && at->second;
  }

 private:
  std::map<std::uint64_t, bool> Flushed;  // by device
};

// Rewrites `fileName` with all its replacements at once (a FileRewriter with one portion).
bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems);
bool RewriteFile(FileLocation location, const std::vector<Replacement>& replacements,
                 const std::string& saveOwnName, std::vector<ProblemReport>& problems,
                 bool allowOwnerChange = false);

}  // namespace Common
