#pragma once
// Tests one line as its own text: does it hold a match of any pattern (as a whole word, or
// as the whole line, when the patterns ask), and where.

#include <cstddef>
#include <string_view>
#include <vector>

#include "LinePatternData.h"
#include "engine/MatchResults.h"

namespace grepcore {

class LineTester {
 public:
  explicit LineTester(const LinePatterns::Data& patterns) : Patterns(patterns) {}

  // True when `line` (without its line feed) holds a match. With `spans` given, it is set to
  // the line's matches, leftmost first, longest of those starting together, none
  // overlapping, empty ones left out.
  bool Test(std::string_view line, std::vector<Span>* spans);

  // The engine's code when it gave up on a line since the last ClearAbandon() (that line's
  // answer is then unknown); 0 otherwise.
  unsigned AbandonCode() const { return Abandon; }
  void ClearAbandon() { Abandon = 0; }

 private:
  bool TestOne(const GrepEngine::Pattern* pattern, std::string_view line, std::vector<Span>* spans);
  bool WordAt(const GrepEngine::Pattern& pattern, std::string_view line, std::size_t from,
              Span& found);
  // The match word for the part [offset, end) of `line`: its ends are no line, buffer or word
  // ends where the line goes on.
  unsigned WordFor(const GrepEngine::Pattern& pattern, std::string_view line, std::size_t offset,
                   std::size_t end) const;
  bool Noted(bool result);

  const LinePatterns::Data& Patterns;
  GrepEngine::MatchResults Results;
  std::vector<Span> Gathered;
  unsigned Abandon = 0;
};

}  // namespace grepcore
