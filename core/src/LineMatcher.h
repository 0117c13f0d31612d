#pragma once
// Finds the lines of a run of whole lines that hold a match, in order. Where it can, one grep
// over the whole run finds the candidates; a match that runs over a line feed, and every
// candidate under WholeWord or WholeLine, is settled by testing the lines it touches one by
// one. Otherwise every line is tested so. One matcher per thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "LinePatternData.h"
#include "LineTester.h"

namespace grepcore {

class LineMatcher {
 public:
  // A line that holds a match: its index in the run (from 0), its bounds in the run (without
  // the line feed) and its matches when asked for. Returning false ends the scan.
  class Sink {
   public:
    virtual bool Line(std::uint64_t index, std::size_t start, std::size_t end,
                      const std::vector<Span>& spans) = 0;

   protected:
    ~Sink() = default;
  };

  explicit LineMatcher(const LinePatterns::Data& patterns);

  // Reports the matching lines of `text` (whole lines; the last may lack its line feed).
  // False when the engine gave up (see AbandonCode); the lines reported are then not all.
  bool Scan(std::string_view text, bool wantSpans, Sink& sink);

  unsigned AbandonCode() const { return Abandon; }

  // The line feeds in the text the last Scan was given (counted once: the lines the scan
  // counted to find its lines' indexes are not counted again).
  std::uint64_t LineFeedsIn(std::string_view text) const;

 private:
  class TextRun;
  class SelectedLines;
  class SelectedMatches;
  bool ScanLines(std::string_view text, bool wantSpans, Sink& sink);
  bool SelectLines(std::string_view text, bool wantSpans, Sink& sink);
  // The index of the line holding `offset` of the text at `first`, counted on from the last
  // one asked for (lines come in order).
  std::uint64_t LineIndexOf(const char* first, std::size_t offset);

  const LinePatterns::Data& Patterns;
  LineTester Tester;
  std::unique_ptr<GrepEngine::LineSelection> Selection;  // with the patterns' Selector
  std::vector<Span> Spans;
  unsigned Abandon = 0;
  std::size_t CountedTo = 0;       // the scan counted the line feeds before this offset
  std::uint64_t CountedLines = 0;  // and found these
};

}  // namespace grepcore
