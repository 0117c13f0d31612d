#pragma once
// Finds the lines of one file that hold a match, in order. Where it can, the toolkit's file
// search over the file finds the candidates (its matches carry their lines); a match that runs
// over a newline, and every candidate under -w or -x, is settled by testing the lines it
// touches one by one with the string operations. Otherwise every line is tested so.
// One matcher per thread: it owns its pattern objects.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "LinePatterns.h"
#include "LineTester.h"

namespace RegexTool {

// A line that holds a match: its number (from 1), its bounds in the content (without the
// newline), and its matches when asked for. Returning false ends the search.
using MatchingLineSink = std::function<bool(std::uint64_t number, std::size_t start,
                                            std::size_t end, const std::vector<Span>& spans)>;

class LineMatcher {
 public:
  explicit LineMatcher(const LinePatterns& patterns);

  // Reports the matching lines of `content`, the text of the file `path` (read by the
  // caller). With `wantSpans`, each line comes with its matches.
  void Scan(const std::string& path, std::string_view content, bool wantSpans,
            const MatchingLineSink& sink);

  // The same over text of no file (standard input), numbering from `firstNumber`.
  void ScanText(std::string_view content, std::uint64_t firstNumber, bool wantSpans,
                const MatchingLineSink& sink);

 private:
  class FileRun;
  const LinePatterns& Patterns;
  LineTester Tester;
  RegexClass::RegularExpression FileSearch;
  std::vector<Span> Spans;
};

}  // namespace RegexTool
