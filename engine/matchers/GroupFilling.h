#pragma once
// The sub-expressions of a match: the one place that computes them. For a whole match another
// matcher has found, the reference engine runs anchored at the match's start, with the bytes
// before it visible to anchors and word edges, under the flags of the search that found it.

#include "MatchResultsImpl.h"

namespace GrepEngine {

// Fills `match.Results` for the whole match [match.First, match.Last), once: the reference
// engine's groups when another matcher found the match, then POSIX's in their place where the
// pattern has a resolver (PosixGroups.h). When the engine gives up, the groups stay unmatched.
void FillGroups(const MatchResults::Impl& match);

}  // namespace GrepEngine
