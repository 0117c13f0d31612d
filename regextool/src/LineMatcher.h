#pragma once
// Finds the lines of a text that hold a match, in order. Where it can, one grep over the
// whole text (with `.` kept off newlines) finds the candidates, its matches reported as views
// with their line (for many files at once, the toolkit's file search does the same); a match that
// runs over a newline, and every candidate under -w or -x, is settled by testing the lines it
// touches one by one. Otherwise every line is tested so. One matcher per thread: it owns its
// pattern objects.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "LinePatterns.h"
#include "LineTester.h"

namespace RegexTool {

// A line that holds a match: its number, its bounds in the text (without the newline), and
// its matches when asked for. Returning false ends the search.
using MatchingLineSink = std::function<bool(std::uint64_t number, std::size_t start,
                                            std::size_t end, const std::vector<Span>& spans)>;

// Called when the file search enters a file with a match (the path as the search names it):
// the text of that file to report on, or null to pass its matches over.
using FileEntry = std::function<const std::string_view*(const std::string& file)>;

class LineMatcher {
 public:
  explicit LineMatcher(const LinePatterns& patterns);

  // Reports the matching lines of `text`, whose first line has the number `firstNumber`.
  // With `wantSpans`, each line comes with its matches.
  void Scan(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
            const MatchingLineSink& sink);

  // One run of the toolkit's file search over the files `mask` names (usable when the
  // patterns' FileSearchUsable()): each file with a match is entered, then its matching lines
  // go to `sink`, file by file. A file never entered holds no matching line.
  void ScanFiles(const std::string& mask, bool wantSpans, const FileEntry& enter,
                 const MatchingLineSink& sink);

  // The engine's message when it gave up during the last Scan (for ScanFiles: "file: message"
  // for each file it gave up on, one a line); the lines reported are then not all there are.
  // Empty when it did not.
  const std::string& AbandonReason() const { return Abandon; }

 private:
  class TextRun;
  class FilesRun;
  void ScanLines(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
                 const MatchingLineSink& sink);

  const LinePatterns& Patterns;
  LineTester Tester;
  RegexClass::RegularExpression WholeText;
  RegexClass::RegularExpression FileSearch;
  std::vector<Span> Spans;
  std::string Abandon;
};

}  // namespace RegexTool
