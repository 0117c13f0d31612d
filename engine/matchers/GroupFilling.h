#pragma once
// The sub-expressions of a whole match another matcher has found: the one place that computes
// them. The reference engine runs anchored at the match's start, with the bytes before it
// visible to anchors and word edges, under the flags of the search that found the match.

#include "MatchResultsImpl.h"

namespace GrepEngine {

// Fills `match.Results` for the whole match [match.First, match.Last), once; afterwards
// GroupsReady is set. When the engine gives up, the groups stay unmatched.
void FillGroups(const MatchResults::Impl& match);

}  // namespace GrepEngine
