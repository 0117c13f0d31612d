#pragma once
// The patterns of a line search as grep takes them: -e (repeatable), -f FILE, or the one
// positional PATTERN, with -F, -i, -w, -x and --syntax; compiled by the core's LinePatterns.

#include <grepcore/Result.h>
#include <grepcore/Search.h>

#include <string>
#include <vector>

#include "PatternSettings.h"

namespace RegexTool {

struct LineSearchSettings {
  PatternSettings Pattern;            // Pattern.Pattern unused: see Patterns
  std::vector<std::string> Patterns;  // one or more; an empty one matches every line
  bool Fixed = false;                 // -F: patterns are literal text
  bool WordRegexp = false;            // -w
  bool LineRegexp = false;            // -x
  bool NulLines = false;              // -z: lines end at a NUL byte
};

// The core's options for the settings' syntax, compile and match options and switches.
grepcore::LinePatternOptions LinePatternOptionsOf(const LineSearchSettings& settings);

// The settings' patterns compiled; a BadPattern error naming the pattern when one does not.
grepcore::Result<grepcore::LinePatterns> CompileLinePatterns(const LineSearchSettings& settings);

}  // namespace RegexTool
