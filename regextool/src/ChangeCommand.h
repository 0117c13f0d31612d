#pragma once
// change: every match in the chosen files replaced, each file rewritten safely by the library's
// change run, one file per run, so that one file's trouble never stops the others.
//
// Before anything is written, every file is searched and its replacements planned; a file is
// then left alone, with a word on the error stream, when its name carries the save extension
// (an earlier run's saved copy) or it is read-only, and left unchanged, as a reported problem,
// when its saved copy would replace another file's saved copy of this run or any existing
// file: an existing name is never taken for an earlier saved copy of this file, since nothing
// on disk says which file it saved. A replacement that leaves the text as it was is not
// counted, and a file whose replacements all do so is not rewritten. The dry run is the same
// plan shown as a diff. As in sed, a match stays within a line unless the whole text is asked
// for: the file search takes a file as one text, so a file where a match would take a line
// feed is left unchanged and reported.

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
  bool Binary = false;    // change files that look binary too
  bool WholeText = false;  // a match may span lines (else . stops at a line feed, and a file
                           // where a match still takes one is left unchanged and reported)
  unsigned Threads = 1;   // files searched and rewritten at once
  bool Progress = false;  // a progress line on the error stream
  bool Colour = false;    // colours in the dry run's diff
};

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err);

// The name of the saved copy a change run gives `file`: its own name's extension replaced by
// `extension`, or `extension` added when it has none.
std::string SavedCopyName(const std::string& file, const std::string& extension);

}  // namespace RegexTool
