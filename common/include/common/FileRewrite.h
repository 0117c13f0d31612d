#pragma once
// Rewriting one file with its gathered replacements, without ever losing a byte of it.
//
// The file is streamed into an exclusive temporary file beside it (the bytes between matches
// copied, each match checked to be still in place and replaced), the temporary file is flushed
// and given the file's permission bits and owner, the file is copied to its saved copy when
// one is asked for, and only then is the new content put in place: by one rename, or, for a
// file with several hard links, by copying over it in place so every name sees the new
// content. A file that changed on disk since it was read is left to the other writer. Every
// failure is one problem report and leaves the file as it was (except a failed restore of the
// permission bits, which comes after the new content is in place); no temporary file outlives
// the call.

#include <cstdint>
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
  SearchAbandoned
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

// Rewrites `fileName`. `saveName` empty: no saved copy. Problems are appended to `problems`.
// Returns true when the new content reached the file.
bool RewriteFile(const std::string& fileName, const std::vector<Replacement>& replacements,
                 const std::string& saveName, std::vector<ProblemReport>& problems);

}  // namespace Common
