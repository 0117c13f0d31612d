#pragma once
// Tests one line as its own text with the toolkit's string operations: does it hold a match
// of any pattern (as a whole word with -w, as the whole line with -x), and where.

#include <grepcore/Regularexpressionclass.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LinePatterns.h"

namespace RegexTool {

// A match within a line: byte offsets from the line's start.
struct Span {
  std::size_t Start = 0;
  std::size_t End = 0;
};

class LineTester {
 public:
  explicit LineTester(const LinePatterns& patterns);
  ~LineTester();
  LineTester(const LineTester&) = delete;
  LineTester& operator=(const LineTester&) = delete;

  // True when `line` (without its newline) holds a match. With `spans` given, it is set to the
  // line's matches, leftmost first, longest of those starting together, none overlapping,
  // empty ones left out.
  bool Test(std::string_view line, std::vector<Span>* spans);

  // The engine's message when it gave up on a line since the last ClearAbandon() (that line's
  // answer is then unknown); empty otherwise.
  const std::string& AbandonReason() const { return Abandon; }
  void ClearAbandon() { Abandon.clear(); }

 private:
  struct Pattern;
  bool TestOne(Pattern& pattern, std::string_view line, std::vector<Span>* spans);
  bool WordAt(Pattern& pattern, std::string_view line, std::size_t from, Span& found);
  // The result of the operation `pattern` just ran, noting whether the engine gave up on it.
  bool Noted(Pattern& pattern, bool result);

  const LinePatterns& Patterns;
  std::vector<std::unique_ptr<Pattern>> Compiled;
  std::vector<Span> Gathered;
  std::string Abandon;
};

}  // namespace RegexTool
