#pragma once
// change: every match in the chosen files replaced, each file rewritten safely: the command
// walks, hands the files to the core's change run (grepcore/Change.h: a plan, then a commit in
// durable batches) and prints what it did.
//
// A file reached by several names is planned once, under the first, and the others passed over
// with a word. A file is left alone, with a word on the error stream, when its name carries the
// save extension (an earlier run's saved copy), it is read-only or it is gone, and left
// unchanged, as a reported problem, when the engine gave up on it or a match would take a line
// feed. When a planned saved copy would replace another planned file's saved copy or any
// existing file, the whole run is refused before anything is written. A replacement that
// leaves the text as it was is not counted, and a file whose replacements all do so is not
// rewritten. The dry run is the same plan shown as a diff. As in sed, a match stays within a
// line unless the whole text is asked for, and a final line feed ends the last line.

#include <ostream>
#include <string>
#include <vector>

#include "KeptPlan.h"

#include "WalkSelection.h"
#include "PatternSettings.h"

namespace RegexTool {

struct ChangeCommand {
  std::string Format;         // empty: the matches are deleted
  PathSelection Paths;        // the files and directories to change
  std::string SaveExtension;  // without its dot; empty: no saved copies
  std::string BackupSuffix;   // --backup: appended to the name (f.txt.bak), an earlier backup
                              // replaced, as sed -i.bak does; empty: none
  bool First = false;         // only the first match of each line
  bool DryRun = false;
  bool Binary = false;     // change files that look binary too
  bool WholeText = false;  // a match may span lines (else . stops at a line feed, and a file
                           // where a match still takes one is left unchanged and reported)
  unsigned Threads = 1;    // files searched and rewritten at once
  bool Progress = false;   // a progress line on the error stream
  bool Colour = false;     // colours in the dry run's diff
  std::string PlanFile;    // keep the plan there, write nothing
  std::vector<std::string> Recorded;  // with PlanFile: the words the plan records
  bool Applying = false;              // apply a kept plan: its files, held to their records
  std::vector<KeptFile> Applied;
  bool Json = false;  // with Applying: one JSON object per kept file instead of the report
};

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err);

}  // namespace RegexTool
