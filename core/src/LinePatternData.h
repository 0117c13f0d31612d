#pragma once
// What compiled LinePatterns hold: each pattern's engine pattern (none for an empty one) and,
// where one grep over a whole block can find the candidate lines, the patterns joined into one.

#include <memory>
#include <string>
#include <vector>

#include "BufferSearch.h"
#include "engine/LineSelection.h"
#include "engine/Pattern.h"
#include "grepcore/Search.h"

namespace grepcore {

struct LinePatterns::Data {
  std::vector<std::string> Texts;
  LinePatternOptions Options;
  unsigned MatchWord = 0;  // the options' match restrictions as the engine's word
  std::vector<std::shared_ptr<const GrepEngine::Pattern>> Each;  // null for an empty pattern
  bool EmptyPattern = false;  // one pattern is empty: it matches every line
  // The patterns as alternatives of one, matching inside a line only; null when every line
  // must be tested on its own (a pattern that means the ends of the whole text, or a
  // back-reference that joining would renumber).
  std::shared_ptr<const GrepEngine::Pattern> Joined;
  GrepEngine::SearchPlan Plan;  // the joined grep's fast paths: literal scan, line windows
  // Whether a grep that only needs the line may start again after it: not for a set of
  // literals, whose scan keeps each literal's next occurrence while it runs.
  bool RestartsCheaply = false;
  // Where only the lines matter, the joined patterns' line DFA finds them in one pass; null
  // when it cannot take them or a faster scan does.
  std::shared_ptr<const GrepEngine::LineSelector> Selector;
  bool CandidatesNeedTest() const { return Options.WholeWord || Options.WholeLine; }
};

}  // namespace grepcore
