#pragma once
// Every match of a Pattern in a file, as the pattern class's file search finds them: the file
// is one text, so a match may span lines, and positions count bytes from the file's start.
// The file is read once. Where no match can hold a line feed nor be empty (a literal without
// one, say) a large file is read in blocks of whole lines, so memory follows the block, not
// the file; any other file is read whole, into a buffer the matcher keeps for the next one.
//
//   auto pattern = grepcore::Pattern::Compile(R"(TODO\((\w+)\))");
//   grepcore::FileMatcher matcher(*pattern);
//   auto found = matcher.SearchPath("notes.txt", [](const grepcore::FileMatch& match) {
//     std::cout << match.Line() << ": " << match.Group(1).Text << '\n';
//     return true;  // false ends the search of this file
//   });
//   if (!found) std::cerr << found.Error().Message << '\n';

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "grepcore/Export.h"
#include "grepcore/Regex.h"
#include "grepcore/Result.h"
#include "grepcore/Walk.h"

namespace GrepEngine {
class FoundMatch;
}

namespace grepcore {

// One group of a file match: a view into the bytes read and its position in the file.
struct FileGroup {
  bool Matched = false;  // false: the group took no part (Text empty, Position 0)
  std::string_view Text;
  std::uint64_t Position = 0;
};

// One match as a FileMatcher hands it on; it and its views are valid during the call only.
class FileMatch {
 public:
  FileMatch(const GrepEngine::FoundMatch& found, std::uint64_t device, std::uint64_t inode)
      : Found(&found), DeviceNumber(device), InodeNumber(inode) {}
  GREPCORE_EXPORT std::string_view Text() const;
  GREPCORE_EXPORT std::uint64_t Position() const;
  // The line of the match's start, from 1 (each LF before it begins a new one).
  GREPCORE_EXPORT std::uint64_t Line() const;
  // Groups, the whole match (0) included; Group(i) beyond them is not Matched.
  GREPCORE_EXPORT std::size_t Size() const;
  GREPCORE_EXPORT FileGroup Group(std::size_t i) const;
  // The file being read, as it was opened: its device and inode (0, 0 for a buffer).
  std::uint64_t Device() const { return DeviceNumber; }
  std::uint64_t Inode() const { return InodeNumber; }
  // The engine's own form, for the toolkit's pattern classes.
  const GrepEngine::FoundMatch& Internals() const { return *Found; }

 private:
  const GrepEngine::FoundMatch* Found;
  std::uint64_t DeviceNumber;
  std::uint64_t InodeNumber;
};

// Receives each match; returns false to end the search of the file (no error).
using FileMatchSink = std::function<bool(const FileMatch& match)>;

struct FileMatchOptions {
  MatchOptions Match;
  std::uint64_t BlocksFrom = std::uint64_t{1} << 20;  // files this large are read in blocks,
  std::size_t BlockSize = std::size_t{1} << 20;       // of this size, where the pattern allows
};

// The number of matches handed on (the one at which the sink stopped included).
struct FileMatchSummary {
  std::uint64_t Matches = 0;
};

// One thread's matcher: its plan and its buffer. Errors: Io (the file could not be opened or
// read: the matches handed on before stand), EngineGaveUp (its complexity or stack limit: the
// matches before that point were handed on, none after).
class FileMatcher {
 public:
  GREPCORE_EXPORT explicit FileMatcher(const Pattern& pattern, FileMatchOptions options = {});
  // A search the toolkit's pattern classes planned themselves (Plan is defined inside the
  // toolkit only).
  struct Plan;
  GREPCORE_EXPORT explicit FileMatcher(std::unique_ptr<Plan> plan);
  GREPCORE_EXPORT ~FileMatcher();
  FileMatcher(const FileMatcher&) = delete;
  FileMatcher& operator=(const FileMatcher&) = delete;

  // A walked file, opened relative to its directory's handle and checked to be the entry
  // walked (a link swapped in since is refused). Only a regular file is read.
  GREPCORE_EXPORT Result<FileMatchSummary> SearchFile(const WalkedFile& file,
                                                      const FileMatchSink& sink);
  // A regular file a user names (a link to one followed).
  GREPCORE_EXPORT Result<FileMatchSummary> SearchPath(const std::string& path,
                                                      const FileMatchSink& sink);
  // Text already in memory, searched where it lies.
  GREPCORE_EXPORT Result<FileMatchSummary> SearchBuffer(std::string_view text,
                                                        const FileMatchSink& sink);

 private:
  std::unique_ptr<Plan> Held;
};

}  // namespace grepcore
