#pragma once
// The program's exit codes, as line-oriented search tools use them.

namespace RegexTool {

enum ExitStatus : int {
  Found = 0,         // something matched or was changed
  NothingFound = 1,  // nothing matched, nothing changed
  Trouble = 2        // bad command line, bad pattern, unreadable input, or a file not changed
};

}  // namespace RegexTool
