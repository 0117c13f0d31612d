#pragma once
// The change command over files named by a mask.

#include <ostream>
#include <string>

#include "PatternSettings.h"

namespace RegexTool {

struct ChangeCommand {
  std::string Format;
  std::string Mask;
  std::string SaveExtension;  // without its dot; empty: no saved copies
  bool DryRun = false;
  bool Progress = false;  // a progress line on the error stream
  bool Colour = false;    // colours in the dry run's diff
};

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err);

}  // namespace RegexTool
