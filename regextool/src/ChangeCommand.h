#pragma once
// change: every match in the chosen files replaced, each file rewritten safely by the toolkit's
// file rewrite.
//
// The run first plans every file: each is opened through the walk's entry (a link or another
// file put in its place since the walk is refused), read once, searched, and its replacements
// made. A file reached by several names (a link and its target, hard links, a name given twice)
// is planned once, by device and inode, under the first name; the others are passed over with
// a word. A file is left alone, with a word on the error stream, when its name carries the save
// extension (an earlier run's saved copy), it is read-only or it is gone, and left unchanged, as
// a reported problem, when the engine gave up on it or a match would take a line feed. When a
// planned saved copy would replace another planned file's saved copy or any existing file (an
// existing name is never taken for an earlier saved copy of this file, since nothing on disk
// says which file it saved), the whole run is refused before anything is written. Otherwise
// the plan is committed: the replacements it made go to the rewrite without a second search,
// in batches flushed once per file system. A replacement that leaves the text as it was is not
// counted, and a file whose replacements all do so is not rewritten. The dry run is the same
// plan shown as a diff. As in sed, a match stays within a line unless the whole text is asked
// for, and a final line feed ends the last line: the empty text after it is no line (with
// --whole-text it is part of the text). A file where a match would take a line feed is left
// unchanged and reported.

#include <ostream>
#include <string>

#include "PathWalk.h"
#include "PatternSettings.h"

namespace RegexTool {

struct ChangeCommand {
  std::string Format;         // empty: the matches are deleted
  PathSelection Paths;        // the files and directories to change
  std::string SaveExtension;  // without its dot; empty: no saved copies
  bool DryRun = false;
  bool Binary = false;     // change files that look binary too
  bool WholeText = false;  // a match may span lines (else . stops at a line feed, and a file
                           // where a match still takes one is left unchanged and reported)
  unsigned Threads = 1;    // files searched and rewritten at once
  bool Progress = false;   // a progress line on the error stream
  bool Colour = false;     // colours in the dry run's diff
};

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err);

}  // namespace RegexTool
