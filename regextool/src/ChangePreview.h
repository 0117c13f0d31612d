#pragma once
// A dry run of a change: the matches a change run would replace, the replacement of each
// computed as the library computes it, and the difference shown; no file is touched.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "ChangeReport.h"
#include "Colour.h"
#include "PatternSettings.h"

namespace RegexTool {

struct PlannedReplacement {
  std::int64_t Position = 0;
  std::string Matched;
  std::string Replacement;
};

// The replacement of one match: the format expanded by an object with the run's options,
// merged over the matched text alone and keeping what it does not match.
class ReplacementMaker {
 public:
  ReplacementMaker(const PatternSettings& settings, const std::string& format);
  std::string Replace(const std::string& matched);

 private:
  RegexClass::RegularExpression Formatter;
};

// `content` with each replacement put in place; false when a match is not where it was found
// (the file changed since it was searched).
bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result);

// Searches like a change run with the same settings, prints a unified diff per file and
// returns the summary of what a real run would write (errors reading files go to `err`).
ChangeSummary PreviewChange(const PatternSettings& settings, const std::string& format,
                            const std::string& mask, const std::string& saveExtension,
                            const Palette& palette, std::ostream& out, std::ostream& err,
                            bool& trouble);

}  // namespace RegexTool
