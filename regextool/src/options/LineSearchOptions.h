#pragma once
// The command-line options of grep-files and find-files, spelled as grep and ripgrep spell
// them, and the search they describe.

#include <string>
#include <vector>

#include "LineSearch.h"

namespace CLI {
class App;
}

namespace RegexTool {

struct LineSearchArguments {
  std::vector<std::string> Words;  // PATTERN (unless -e or -f gave patterns) and the paths
  std::vector<std::string> Expressions;  // -e
  std::vector<std::string> PatternFiles;  // -f
  LineSearchCommand Command;
  unsigned int Context = 0;
  std::string Colour = "auto";
  bool LineNumbers = false;
  bool NoLineNumbers = false;
  bool DereferenceRecursive = false;  // -R
  int Threads = 0;
};

// The program's words with those CLI11 would split as a list marked, when the command is
// grep-files or find-files; FinishLineSearch removes the marks.
std::vector<std::string> ShieldBrackets(int argc, char** argv);

// Adds the options to `command`; `listing` (find-files) leaves out what only shapes lines.
void AddLineSearchOptions(CLI::App& command, LineSearchArguments& arguments, bool listing);

// Completes the command from what was parsed: the pattern taken from the words or the files,
// the line-number and colour defaults for a terminal, the thread count. False with a message
// on `err` when a pattern file cannot be read or no pattern was given.
bool FinishLineSearch(CLI::App& command, LineSearchArguments& arguments, bool outputIsTerminal,
                      std::ostream& err);

}  // namespace RegexTool
