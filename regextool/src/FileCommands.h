#pragma once
// The commands over files named by a mask: grep-files, find-files and change.

#include <ostream>
#include <string>

#include "PatternSettings.h"

namespace RegexTool {

struct GrepFilesCommand {
  std::string Mask;
  bool Count = false;  // per-file counts and a total instead of the matches
  bool Json = false;   // one JSON object per match
  bool Colour = false;
};

struct FindFilesCommand {
  std::string Mask;
};

struct ChangeCommand {
  std::string Format;
  std::string Mask;
  std::string SaveExtension;  // without its dot; empty: no saved copies
  bool DryRun = false;
  bool Progress = false;  // a progress line on the error stream
  bool Colour = false;    // colours in the dry run's diff
};

int RunGrepFiles(const PatternSettings& settings, const GrepFilesCommand& command,
                 std::ostream& out, std::ostream& err);
int RunFindFiles(const PatternSettings& settings, const FindFilesCommand& command,
                 std::ostream& out, std::ostream& err);
int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err);

}  // namespace RegexTool
