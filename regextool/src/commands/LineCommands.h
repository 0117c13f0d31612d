#pragma once
// grep and merge one line at a time: each line (without its line feed) is the text of one
// string operation, so memory is bounded by the longest line and the output of a line is
// written before the next is read. A match never spans lines; positions and line numbers
// count from the start of the whole input.

#include <ostream>

#include "LineInput.h"
#include "PatternSettings.h"
#include "StringCommands.h"

namespace RegexTool {

// Prints every match of every line; returns an ExitStatus.
int RunLineGrep(const PatternSettings& settings, const StringCommand& command, LineInput& input,
                std::ostream& out, std::ostream& err);

// Writes each line with every match replaced, as sed's s///g does (with First only the first
// of each line, as s/// does); returns an ExitStatus: 0 once the input was read and written,
// replaced or not, as sed's.
int RunLineMerge(const PatternSettings& settings, const MergeCommand& command, LineInput& input,
                 std::ostream& out, std::ostream& err);

}  // namespace RegexTool
