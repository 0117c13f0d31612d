#pragma once
// Searching the files a mask names: set an expression, then grep files (every match) or find
// files (each file with a match). Callbacks are plain functions; inside a grep callback the
// search object describes the current match. It is the toolkit's walk with its roots read as
// masks (WalkOptions::RootsAreMasks) and its FileMatcher, planned with the pattern class's own
// compile.
//
// A file is searched as one text, so a match may span lines; positions count bytes from the
// file's start (64-bit). The mask is an optional directory part and a name pattern with * and
// ?; with recursion the name pattern is applied in every sub-directory below, files of a
// directory before its sub-directories, each in byte order of names, depth first, at any
// depth. Links to files are searched, links to directories never entered; anything that is
// not a regular file (a FIFO, a device) is passed over without being waited on, and so are
// the toolkit's own working files. Files and directories that cannot be opened or read are
// passed over; a large file whose reading fails part-way keeps the matches reported before.
//
// Each file is read once with plain reads (never mapped, so a file truncated meanwhile cannot
// harm the process: it is searched up to where it ended; what is appended after the open is
// not read). Memory: when no match can hold a LF (a literal without one, or a one-line
// pattern with a literal or byte run every match holds, and no Continuous bit) a large file is
// read a block at a time and searched a stretch of whole lines at a time, so memory follows
// the block size (or the longest line); any other file is read whole into one buffer reused
// from file to file, so memory follows the largest such file, not the tree.
// A callback must not start a run of the same object (another object's run is fine).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/MatchResults.h"
#include "engine/Pattern.h"
#include "grepcore/FileMatcher.h"
#include "grepcore/Walk.h"
#include "platform/Directory.h"

namespace GrepEngine {
struct SearchPlan;
}  // namespace GrepEngine

namespace grepcore {

class MaskSearch {
 public:
  MaskSearch();
  ~MaskSearch();
  MaskSearch(const MaskSearch&) = delete;
  MaskSearch& operator=(const MaskSearch&) = delete;

  // Compiles `expression` (up to its first NUL) in the default syntax (SyntaxBits::Normal),
  // case-insensitive when asked. Returns 0 on success, else the engine's error code; a search
  // then finds nothing until an expression compiles.
  unsigned SetExpression(const char* expression, bool caseInsensitive);

  // Returns false to stop the whole run.
  using GrepCallback = bool (*)(const char* file, const MaskSearch& search);
  using FindCallback = bool (*)(const char* file);

  // Calls `callback` once per match (files in walk order, matches in ascending position) under
  // the match word `matchWord` (MatchBits). Returns the number of matches, the one at which
  // the callback stopped included; 0 without a compiled expression. A null callback counts.
  unsigned GrepFiles(GrepCallback callback, const char* mask, bool recurse, unsigned matchWord);
  // Calls `callback` once per file holding at least one match; returns the number of such
  // files, the one at which the callback stopped included.
  unsigned FindFiles(FindCallback callback, const char* mask, bool recurse, unsigned matchWord);

  // Inside a GrepFiles callback: the number of sub-matches of the current match (the whole
  // match included), the text and position of sub-match i (empty and -1 when it took no part),
  // and the line of the match's start (from 1; each LF before it begins a new line). Outside a
  // callback there is no current match: 0, empty, -1 and 0.
  unsigned Marks() const;
  std::string What(unsigned i) const;
  std::int64_t Position(unsigned i) const;
  unsigned Line() const;
  // Sub-match i as a view into the file's bytes, valid only during the callback.
  GrepEngine::SubMatch Sub(unsigned i) const;
  // Inside a callback: the file being searched as the walk reached it, so a rewrite reaches the
  // same file whatever is renamed meanwhile: its directory (a handle of its own, shared by the
  // files of one directory), its own name there (for a file reached through a link, the
  // link's) and the device and inode of what was read. Outside a callback: all empty.
  struct WalkedLocation {
    std::shared_ptr<const Platform::Directory> Directory;
    std::string Name;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
  };
  WalkedLocation CurrentLocation() const;

  // The compiled expression the search runs with; null without one.
  std::shared_ptr<const GrepEngine::Pattern> CompiledPattern() const;

  // The files of the current (or last) run on which the engine gave up (its complexity or
  // stack limit), in walk order. Matches of such a file found before giving up have been
  // reported; none after, and the run goes on with the next file. A file joins the list when
  // its search ends, so a callback for the next file, or the caller after the run, learns it
  // before acting on the file's matches.
  const std::vector<std::string>& AbandonedFiles() const { return Abandoned; }
  // Why, file by file in the same order: the engine's error code (see ErrorTextOf).
  const std::vector<unsigned>& AbandonedFileCodes() const { return AbandonCodes; }
  // "file: message" for each of them, one a line; empty when there is none.
  std::string AbandonedFilesReason() const;

  // The literal scan and the required-literal prefilter are on by default and give the same
  // matches as the engine alone (they may also spare the engine a text it would give up on);
  // switching them off is for comparing the two.
  void UseFastPaths(bool on);

  // The files of the current (or last) run that the mask names but the walk passed over
  // because their in-place copy is unfinished (its working file untrusted, in use, or failing
  // to finish), in walk order; a file joins the list when the walk reaches its directory.
  const std::vector<std::string>& PassedOverFiles() const { return PassedOver; }

  // Whether the walk leaves the working files it meets as they are (a dry run) instead of
  // finishing or removing the ones it trusts; off by default. Files whose in-place copy is
  // unfinished are passed over either way.
  void LeaveWorkingFiles(bool leave) { LookOnly = leave; }

  // Files of at least `fromSize` bytes are read in blocks of `blockSize` bytes where the
  // pattern allows it (by default 1 MiB and 1 MiB); the matches are the same either way.
  void ReadInBlocks(std::uint64_t fromSize, std::size_t blockSize);

 private:
  template <class OnFile>
  void Run(const char* mask, bool recurse, unsigned matchWord, OnFile onFile);
  // Makes a walked file the current one for the length of its search.
  class Walking {
   public:
    Walking(MaskSearch& search, const WalkedFile& file);
    ~Walking();
    Walking(const Walking&) = delete;
    Walking& operator=(const Walking&) = delete;

   private:
    MaskSearch& Search;
  };

  std::unique_ptr<GrepEngine::SearchPlan> Plan;
  std::string ExpressionText;
  bool FastPaths = true;
  bool LookOnly = false;
  std::uint64_t BlocksFrom = std::uint64_t{1} << 20;
  std::size_t BlockSize = std::size_t{1} << 20;
  std::vector<std::string> Abandoned;
  std::vector<std::string> PassedOver;
  std::vector<unsigned> AbandonCodes;
  const FileMatch* Current = nullptr;
  // The file being searched, during a callback.
  const Platform::Directory* WalkedDirectory = nullptr;
  const std::string* WalkedName = nullptr;
  mutable std::shared_ptr<const Platform::Directory>
      SharedDirectory;  // a duplicate, made on demand
};

}  // namespace grepcore
