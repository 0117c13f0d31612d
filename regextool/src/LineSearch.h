#pragma once
// grep-files and find-files in line mode: the files the walk picks (and standard input for
// "-"), searched by several threads, each with its own pattern objects, and reported in the
// order one thread would report them.

#include <ostream>
#include <string>

#include "LinePatterns.h"
#include "LineReport.h"
#include "PathWalk.h"

namespace RegexTool {

struct LineSearchCommand {
  LineSearchSettings Search;
  PathSelection Selection;  // "-" among the paths is standard input
  LineOutput Output;
  bool ForceFileNames = false;  // -H
  bool NoFileNames = false;     // -h
  bool Text = false;            // -a: files with NUL bytes searched too
  unsigned int Threads = 1;
};

// Runs the search; the exit status as grep's: 0 something selected (-L: a file listed), 1
// nothing, 2 a bad pattern or a path or file that could not be read (after the rest was done).
int RunLineSearch(const LineSearchCommand& command, int input, std::ostream& out, std::ostream& err);

}  // namespace RegexTool
