#pragma once
// grep-files and find-files in line mode: the files the walk picks (and standard input for
// "-"), searched by several threads with the core's searcher, and reported in the order one
// thread would report them.

#include <cstdint>
#include <ostream>
#include <string>

#include "LinePatterns.h"
#include "LineReport.h"
#include "WalkSelection.h"

namespace RegexTool {

// What standard output is, so an input that is the same regular file is not read back.
struct OutputIdentity {
  bool RegularFile = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
};

struct LineSearchCommand {
  LineSearchSettings Search;
  PathSelection Selection;  // "-" among the paths is standard input
  LineOutput Output;
  bool ForceFileNames = false;  // -H
  bool NoFileNames = false;     // -h
  bool Text = false;            // -a: files with NUL bytes searched as text too
  bool LineBuffered = false;    // each block's lines reach the output once found (a terminal,
                                // --line-buffered), not when the output buffer fills
  bool NoMessages = false;      // -s: no word on files that are missing or cannot be read
  bool SelectNothing = false;   // -m 0: no line may be selected, so nothing is read
  bool Replacing = false;       // --replace: matches shown as ReplaceFormat's expansion
  std::string ReplaceFormat;
  bool ListFiles = false;  // --files: the files that would be searched, no search
                           // (-Z: each name as it is, after it a NUL byte)
  std::string InputLabel = "(standard input)";  // --label: the name standard input is shown by
  bool TypeList = false;                        // --type-list: the file types, no search
  unsigned int Threads = 1;
  // Where the lines go: an input that is this regular file is passed over with a word (it
  // would read back its own output), unless only names or counts are printed.
  OutputIdentity OutputFile;
};

// Runs the search; the exit status as grep's: 0 something selected (-L: a file listed), 1
// nothing, 2 a bad pattern or a path or file that could not be read, or an input that is the
// output (after the rest was done). When no pattern is left to match (-f /dev/null) and
// lines without a match are not what is asked for, nothing is opened: the status is 1. Files named
// on the command line are read as they are (a FIFO to its end, as standard input is, block by
// block); files met in a directory only when they are regular files.
int RunLineSearch(const LineSearchCommand& command, int input, std::ostream& out,
                  std::ostream& err);

}  // namespace RegexTool
