#pragma once
// The commands over one text: match, search, grep and merge, on the core's patterns.

#include <ostream>
#include <string>

#include "PatternSettings.h"

namespace RegexTool {

enum class StringOperation { Match, MatchAll, Search, Grep };

struct StringCommand {
  StringOperation Operation = StringOperation::Search;
  bool Json = false;
  bool Context = true;  // print each match's prefix and suffix
};

struct MergeCommand {
  std::string Format;
  bool Copy = true;  // keep the text between matches
};

// Runs the operation over `text` and prints every match reported; returns an ExitStatus.
// The text is read where it lies.
int RunStringCommand(const PatternSettings& settings, const StringCommand& command,
                     std::string text, std::ostream& out, std::ostream& err);

// The format handed to the library: an empty one (a deletion) as a format that expands to
// nothing, since the library takes an empty format for none at all.
std::string LibraryFormat(const std::string& format);

// Writes `text` with every match replaced by the expansion of the format.
int RunMerge(const PatternSettings& settings, const MergeCommand& command, std::string text,
             std::ostream& out, std::ostream& err);

}  // namespace RegexTool
