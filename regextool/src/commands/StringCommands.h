#pragma once
// The commands over one text: match, search, grep and merge, on the core's patterns.

#include <grepcore/Regex.h>

#include <ostream>
#include <string>
#include <string_view>

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
  bool Copy = true;    // keep the text between matches
  bool First = false;  // replace only the first match of each line, as sed without g
};

// Runs the operation over `text` and prints every match reported; returns an ExitStatus.
// The text is read where it lies.
int RunStringCommand(const PatternSettings& settings, const StringCommand& command,
                     std::string text, std::ostream& out, std::ostream& err);

// The format handed to the library: an empty one (a deletion) as a format that expands to
// nothing, since the library takes an empty format for none at all.
std::string LibraryFormat(const std::string& format);

// `text` with each match replaced by the expansion of `format` (a library format), or with
// First only the first match of each line; without Copy only the expansions, one after another.
grepcore::Result<std::string> MergeText(const grepcore::Pattern& pattern, std::string_view text,
                                        const std::string& format, const MergeCommand& command,
                                        const grepcore::MatchOptions& options);

// Writes `text` with every match replaced by the expansion of the format. The status is 0
// once the text was read and written, whether or not anything was replaced (as sed's).
int RunMerge(const PatternSettings& settings, const MergeCommand& command, std::string text,
             std::ostream& out, std::ostream& err);

}  // namespace RegexTool
