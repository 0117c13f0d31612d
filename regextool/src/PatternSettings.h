#pragma once
// What the command line says about the pattern, and how it becomes a pattern object's setup.

#include <grepcore/Regularexpressionclass.h>

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
};

// The names the command line accepts, spelled as the enumerations spell them.
const std::vector<std::string>& SyntaxNames();
const std::vector<std::string>& CompileOptionNames();
const std::vector<std::string>& MatchOptionNames();

// Sets pattern, compile options and match options on `re`. Names were checked by the parser;
// an unknown one is ignored here.
void Configure(RegexClass::RegularExpression& re, const PatternSettings& settings);

// Compiles the pattern; on failure returns false and sets `error` to the engine's message.
bool CompilePattern(RegexClass::RegularExpression& re, std::string& error);

// True when `re`'s compile options ask for more than the file search reads: it takes the
// pattern in the normal syntax and honours only case-insensitivity.
bool ChangesSyntax(const RegexClass::RegularExpression& re);

}  // namespace RegexTool
