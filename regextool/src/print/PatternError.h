#pragma once
// The message for a pattern that does not compile: what the engine says, then the pattern
// with a caret under the place it names, as rg shows it.
//
//   regextool: bad pattern: Unmatched ( or \(
//       a(b
//          ^

#include <grepcore/Result.h>

#include <ostream>
#include <string>

namespace RegexTool {

// `pattern` is the text the error's offset counts in; empty: the one the error names. The
// pattern line and caret are left out when the offset is not known or the pattern would not
// show as one line.
void PrintBadPattern(std::ostream& err, const grepcore::Error& error,
                     const std::string& pattern = std::string());

}  // namespace RegexTool
