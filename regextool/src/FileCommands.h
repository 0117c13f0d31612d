#pragma once
// The commands over files named by a mask: grep-files and find-files.

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

int RunGrepFiles(const PatternSettings& settings, const GrepFilesCommand& command,
                 std::ostream& out, std::ostream& err);
int RunFindFiles(const PatternSettings& settings, const FindFilesCommand& command,
                 std::ostream& out, std::ostream& err);
}  // namespace RegexTool
