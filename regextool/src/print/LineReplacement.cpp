#include "LineReplacement.h"

#include <utility>

namespace RegexTool {

LineReplacement::LineReplacement(std::vector<grepcore::Pattern> patterns,
                                 const std::string& format, grepcore::MatchOptions options)
    : Patterns(std::move(patterns)),
      // The core takes an empty format for none; \E expands to nothing.
      Format(format.empty() ? "\\E" : format),
      Options(options) {}

void LineReplacement::Append(std::string& out, std::string_view line,
                             const grepcore::Span& span) const {
  for (const grepcore::Pattern& pattern : Patterns) {
    // Searched in the whole line, so anchors and word edges see what lies before the match.
    const grepcore::Result<std::optional<grepcore::Match>> found =
        pattern.Search(line, span.Start, Options);
    if (found && *found && (*found)->Position() == span.Start) {
      out += (*found)->Format(Format);
      return;
    }
  }
  out.append(line.substr(span.Start, span.End - span.Start));
}

}  // namespace RegexTool
