#pragma once
// The sub-expressions of a match: the one place that computes them. For a whole match another
// matcher has found, the reference engine runs anchored at the match's start, with the bytes
// before it visible to anchors and word edges, under the flags of the search that found it.

#include "MatchResultsImpl.h"

namespace GrepEngine {

enum class GroupRoute {
  Planned,            // the one-pass groups where the pattern has them, else the next
  EngineAndResolver,  // the reference engine's groups, then the resolver's (what tests compare
                      // with)
};

// Fills `match.Results` for the whole match [match.First, match.Last), once: for a pattern
// with one parse, in one pass over the match (groups/OnePass.h); otherwise the reference
// engine's groups when another matcher found the match, then POSIX's in their place where the
// pattern has a resolver (PosixGroups.h). When the engine gives up, the groups stay unmatched.
void FillGroups(const MatchResults::Impl& match, GroupRoute route = GroupRoute::Planned);

}  // namespace GrepEngine
