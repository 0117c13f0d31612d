#pragma once
// The search in one buffer: every successive match of a planned search, each handed on as it
// is found. It does not know where the bytes came from. A plan may carry two fast paths that
// give exactly the engine's results: a pattern that is a plain literal is found by a byte
// scan, and a text without the pattern's required literals is passed over without running the
// engine at all; when no match can hold a LF, the engine sees only the lines holding one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LiteralSearch.h"
#include "Prefilter.h"
#include "engine/LineCounter.h"
#include "engine/MatchResults.h"
#include "engine/Matching.h"
#include "engine/Pattern.h"

namespace GrepEngine {

struct SearchPlan {
  std::shared_ptr<const Pattern> Compiled;
  std::string Literal;               // non-empty: the pattern is exactly this literal text
  Prefilter Required;                // every match contains one of these literals
  std::vector<ByteSet> RequiredRun;  // without literals: a run of bytes every match holds
  std::shared_ptr<const ByteRunTable> RunTable;  // RequiredRun as the scanner reads it
  bool OneLine = false;  // no match holds a LF: the engine need only see lines holding one
};

// Builds the plan for a compiled pattern; without `fastPaths` every search runs the engine.
SearchPlan PlanSearch(std::shared_ptr<const Pattern> compiled, const char* first, const char* last,
                      bool fastPaths);

// One match as the buffer search reports it: the engine's results, or a literal found by the
// byte scan. Offsets count from the buffer's start; valid only while it is being reported.
class FoundMatch {
 public:
  explicit FoundMatch(const MatchResults& results) : Results(&results) {}
  // A literal at `at`, whose offset in the text is `position`.
  FoundMatch(std::int64_t position, const char* at, std::size_t length, LineCounter& lines)
      : At(at), Length(length), Lines(&lines), AtPosition(position) {}

  // Sub-matches including the whole match.
  unsigned Marks() const;
  // Sub-match i; one beyond Marks() did not match.
  SubMatch Sub(unsigned i) const;
  // The line of the match's start, from 1.
  unsigned Line() const;

  // Asks the search to go on from `position` (after the match), passing over the matches
  // before it, as a line search does once a line is settled. False when this search cannot
  // skip: it then goes on after the match as usual.
  bool SkipTo(const char* position) const;
  // Where skips are kept; a search that offers them sets it before reporting.
  FoundMatch& Skips(const char** slot) {
    SkipSlot = slot;
    return *this;
  }

 private:
  const MatchResults* Results = nullptr;
  const char* At = nullptr;
  std::size_t Length = 0;
  LineCounter* Lines = nullptr;
  std::int64_t AtPosition = 0;
  const char** SkipSlot = nullptr;
};

// Receives each match; returns false to stop the search.
using MatchSink = std::function<bool(const FoundMatch& match)>;

struct BufferOutcome {
  unsigned Count = 0;        // matches handed on, the one at which the sink stopped included
  bool Abandoned = false;    // the engine gave up on the expression in this buffer
  unsigned AbandonCode = 0;  // when Abandoned: the engine's error code for why
};

BufferOutcome SearchBuffer(const SearchPlan& plan, const char* first, const char* last,
                           unsigned matchWord, const MatchSink& sink);

// True when `plan` under `matchWord` finds its matches line by line: no match holds a LF and
// none is empty (a literal without a LF, or a one-line pattern with a required literal or byte
// run), so a text may be searched a stretch of whole lines at a time.
bool SearchableByLines(const SearchPlan& plan, unsigned matchWord);

// SearchBuffer for such a plan over whole lines [first, last) of a longer text, at `place` in
// it: the matches, offsets and lines are those of SearchBuffer over the whole text that lie in
// the range.
BufferOutcome SearchLines(const SearchPlan& plan, const char* first, const char* last,
                          const TextPlace& place, unsigned matchWord, const MatchSink& sink);

}  // namespace GrepEngine
