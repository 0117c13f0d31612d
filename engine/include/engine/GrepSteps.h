#pragma once
// GrepIn one match at a time, for a caller that pulls the matches (a lazy range) instead of
// being called back for each. A step takes the route GrepIn takes (the planner's literal scan,
// literal-set scan or DFA, else the reference engine) and follows its empty-match rule, so the
// steps from the text's start, each after the one before, find exactly GrepIn's matches.

#include <cstdint>
#include <memory>

#include "engine/MatchResults.h"
#include "engine/Pattern.h"

namespace GrepEngine {

// A match a step found: its span, and how the step searched, from which its groups and its
// format are worked out later (DescribeStep). Plain data, to be copied freely.
struct StepMatch {
  const char* First = nullptr;  // the whole match [First, Last)
  const char* Last = nullptr;
  const char* SearchFirst = nullptr;  // where the step's search began (the prefix's start)
  std::uint32_t Flags = 0;            // the engine's own flags of the step
};

class GrepSteps {
 public:
  // Steps over [first, last), the whole text anchors and word edges see. `pattern` must
  // outlive the steps.
  GrepSteps(const Pattern& pattern, const char* first, const char* last, unsigned matchWord);
  ~GrepSteps();
  GrepSteps(const GrepSteps&) = delete;
  GrepSteps& operator=(const GrepSteps&) = delete;

  // The first match in [from, last), with the bytes before `from` seen by anchors and word
  // edges: GrepIn's first match when `from` is the text's start.
  bool First(const char* from, StepMatch& out);
  // The match GrepIn finds after `previous` (a match these steps found, the latest).
  bool After(const StepMatch& previous, StepMatch& out);

  // Both are false when there is no further match, or when the engine gave up: then this is
  // the engine's error code for why (see ErrorTextOf), and 0 otherwise.
  unsigned AbandonCode() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> Body;
};

// `out` becomes the match `step` describes as GrepIn's callback sees it (offsets from `first`),
// its groups worked out when read; its lines are not counted (Line() is 1). [first, last) is the
// text of the steps that found it; the pattern must outlive `out`.
void DescribeStep(const Pattern& pattern, const char* first, const char* last,
                  const StepMatch& step, MatchResults& out);

}  // namespace GrepEngine
