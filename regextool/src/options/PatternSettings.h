#pragma once
// What the command line says about the pattern, and the core's options and pattern it makes.

#include <grepcore/Regex.h>

#include <locale>
#include <string>
#include <vector>

namespace RegexTool {

struct PatternSettings {
  std::string Pattern;
  std::string Syntax = "normal";            // normal, basic, extended or literal
  std::vector<std::string> CompileOptions;  // names of single compile options to add
  std::vector<std::string> MatchOptions;    // names of match options to add
  bool CaseInsensitive = false;
  bool Shortest = false;
  bool Recursive = false;
  // What the pattern and the texts are read as: UTF-8 characters under a UTF-8 locale, bytes
  // under the classic one (the environment's choice, see ProgramLocale()).
  std::locale Locale = std::locale::classic();
};

// The names the command line accepts, spelled as the enumerations spell them.
const std::vector<std::string>& SyntaxNames();
const std::vector<std::string>& CompileOptionNames();
const std::vector<std::string>& MatchOptionNames();

// The locale the program's patterns are compiled with, from its environment as grep reads it:
// LC_ALL, else LC_CTYPE, else LANG; a UTF-8 one when that names a UTF-8 character set, else the
// classic locale.
std::locale ProgramLocale();

// The core's compile options for the settings: the syntax's options, then every named single
// option added to them. Names were checked by the parser; an unknown one is ignored here.
grepcore::CompileOptions CompileOptionsOf(const PatternSettings& settings);
// The named match options, and --shortest.
grepcore::MatchOptions MatchOptionsOf(const PatternSettings& settings);
// Sets `options` for the named match option; false for a name it does not know.
bool SetMatchOption(grepcore::MatchOptions& options, const std::string& name);

// The settings' pattern compiled: an empty pattern is a BadPattern error ("empty pattern"),
// as is one the engine refuses (its message, else "error code N").
grepcore::Result<grepcore::Pattern> CompileSettings(const PatternSettings& settings);

}  // namespace RegexTool
