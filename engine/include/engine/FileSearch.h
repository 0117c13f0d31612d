#pragma once
// Searching the files a mask names: set an expression, then grep files (every match) or find
// files (each file with a match). Callbacks are plain functions; inside a grep callback the
// search object describes the current match.
//
// A file is taken whole as one text, so a match may span lines; positions count bytes from
// the file's start (64-bit). The mask is an optional directory part and a name pattern with
// * and ?; with recursion the name pattern is applied in every sub-directory below, files of a
// directory before its sub-directories, each in byte order of names, depth first. Links to
// files are searched, links to directories never entered. Files and directories that cannot
// be opened or read are passed over. Each file is read once, into one buffer reused from file
// to file (large files are mapped instead), so memory follows the largest file, not the tree.
// A callback must not start a run of the same object (another object's run is fine).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace GrepEngine {

struct SearchPlan;
class FoundMatch;

class FileSearch {
 public:
  FileSearch();
  ~FileSearch();
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;

  // Compiles `expression` (up to its first NUL) in the default syntax (SyntaxBits::Normal),
  // case-insensitive when asked. Returns 0 on success, else the engine's error code; a search
  // then finds nothing until an expression compiles.
  unsigned SetExpression(const char* expression, bool caseInsensitive);

  // Returns false to stop the whole run.
  using GrepCallback = bool (*)(const char* file, const FileSearch& search);
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

  // The files of the current (or last) run on which the engine gave up (its complexity or
  // stack limit), in walk order. Matches of such a file found before giving up have been
  // reported; none after, and the run goes on with the next file. A file joins the list when
  // its search ends, so a callback for the next file, or the caller after the run, learns it
  // before acting on the file's matches.
  const std::vector<std::string>& AbandonedFiles() const { return Abandoned; }

  // The literal scan and the required-literal prefilter are on by default and give the same
  // matches as the engine alone (they may also spare the engine a text it would give up on);
  // switching them off is for comparing the two.
  void UseFastPaths(bool on);

 private:
  template <class OnFile>
  void Run(const char* mask, bool recurse, OnFile onFile);

  std::unique_ptr<SearchPlan> Plan;
  std::string ExpressionText;
  bool FastPaths = true;
  std::vector<char> Buffer;  // the content of small files, reused from file to file
  std::vector<std::string> Abandoned;
  const FoundMatch* Current = nullptr;
};

}  // namespace GrepEngine
