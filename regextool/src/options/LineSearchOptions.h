#pragma once
// The command-line options of grep-files and find-files, spelled as grep and ripgrep spell
// them, and the search they describe.

#include <locale>
#include <string>
#include <vector>

#include "LineSearch.h"
#include "WordScan.h"

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
  std::string Replace;  // --replace
  bool LineNumbers = false;
  bool NoLineNumbers = false;
  bool Extended = false;   // -E
  bool Basic = false;      // -G
  bool SmartCase = false;  // -S
  bool DereferenceRecursive = false;  // -R
  int Threads = 0;
  LastSwitches Last;  // which of -h/-H and -E/-G/-F came last (ScanLineSearchWords)
};

// What the search's defaults depend on besides its words.
struct SearchSurroundings {
  bool OutputIsTerminal = false;
  bool InputHoldsData = false;  // standard input is searched when no path is named
  // The patterns' locale (ProgramLocale()).
  std::locale Locale = std::locale::classic();
};

// The program's words with those CLI11 would split as a list marked, when the command is
// grep-files or find-files; FinishLineSearch removes the marks.
std::vector<std::string> ShieldBrackets(int argc, char** argv);

// Adds the options to `command`; `listing` (find-files) leaves out what only shapes lines.
void AddLineSearchOptions(CLI::App& command, LineSearchArguments& arguments, bool listing);

// Completes the command from what was parsed: the pattern taken from the words or the files,
// the last of the switches that undo each other, the paths (standard input when none is
// named and it holds data, unless -r asks for the current directory, as grep -r does), the
// patterns' locale, the line-number, colour and line-buffering defaults for a terminal, the
// thread count. False with a message on `err` when a pattern file cannot be read or no pattern
// was given.
bool FinishLineSearch(CLI::App& command, LineSearchArguments& arguments,
                      const SearchSurroundings& surroundings, std::ostream& err);

// Whether none of `patterns` holds an upper-case letter of its own (escapes such as \W and
// class names such as [:upper:] are not letters of the text): -S then ignores case.
bool AllLowerCase(const std::vector<std::string>& patterns);

}  // namespace RegexTool
