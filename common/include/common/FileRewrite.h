#pragma once
// Rewriting one file with its gathered replacements, without ever losing a byte of it.
//
// The file is streamed into a temporary file beside it (the bytes between matches copied, each
// match checked to be still in place and replaced), the temporary file is flushed and given
// the file's permission bits and owner, the file is copied to its saved copy when one is asked
// for, and only then is the new content put in place: by one rename, or, for a file with
// several hard links, by a recoverable copy over it in place so every name sees the new
// content. The check that the file is unchanged and its replacement happen under the file's
// advisory lock, so two runs never undo each other. A file that changed on disk since it was
// read is left to the other writer. Every failure is one problem report and leaves the file as
// it was (except a failed restore of the permission bits, which comes after the new content is
// in place, and an in-place copy cut short, which the next walk of its directory finishes); no
// temporary file outlives the rewrite.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  SaveCopyCollision
};

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
  // `saveName` empty: no saved copy.
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
  // The device of the file's file system (0 before the rewrite started).
  std::uint64_t Device() const;
  // Bytes of new content written so far.
  std::uint64_t Written() const;

 private:
  class Work;
  std::unique_ptr<Work> Rewrite;
};

// Rewrites `fileName` with all its replacements at once (a FileRewriter with one portion).
bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems);

}  // namespace Common
