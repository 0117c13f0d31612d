#pragma once
// --replace: the matches of a selected line shown as the expansion of a format, as rg -r shows
// them. The line search reports only where each match lies; its groups are found again by
// the first pattern that matches there.

#include <grepcore/Regex.h>
#include <grepcore/Search.h>

#include <string>
#include <string_view>
#include <vector>

namespace RegexTool {

class LineReplacement {
 public:
  // `patterns`: the line patterns, each compiled on its own; `format` as merge takes it (an
  // empty one deletes the matches).
  LineReplacement(std::vector<grepcore::Pattern> patterns, const std::string& format,
                  grepcore::MatchOptions options);

  // Appends the expansion for the match `span` of `line`: the match itself when no pattern
  // finds it again where it lies.
  void Append(std::string& out, std::string_view line, const grepcore::Span& span) const;

 private:
  std::vector<grepcore::Pattern> Patterns;
  std::string Format;
  grepcore::MatchOptions Options;
};

}  // namespace RegexTool
