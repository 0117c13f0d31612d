#pragma once
// Messages for a command line the parser refused, worded as the peers word them: an unknown
// option names itself, a missing argument is named, a mistyped command gets the closest
// command suggested, and each ends by pointing at --help.

#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace RegexTool {

// `words` are the program's arguments, the program's name first.
void ReportParseError(const CLI::App& app, const CLI::ParseError& error,
                      const std::vector<std::string>& words, std::ostream& err);

// The name among `names` closest to `word` by edit distance, or empty when none is near.
std::string ClosestName(const std::string& word, const std::vector<std::string>& names);

}  // namespace RegexTool
