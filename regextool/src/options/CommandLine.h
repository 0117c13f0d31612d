#pragma once
// The command line: sub-commands, their arguments and options, and the run of the chosen one.

#include <iosfwd>

namespace RegexTool {

// Parses the arguments, runs the sub-command and returns the exit status. The descriptor
// `input` is read only by the commands that take their text from it.
int RunCommandLine(int argc, char** argv, int input, std::ostream& out, std::ostream& err);

}  // namespace RegexTool
