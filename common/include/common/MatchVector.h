#pragma once
// The layout of a string operation's match vector, shared by every library built on the
// engine: the whole match and each sub-expression (nothing when the whole match failed), then
// the prefix and the suffix. Each library turns the parts into its own records.

#include <vector>

#include "engine/MatchResults.h"

namespace Common {

std::vector<GrepEngine::SubMatch> MatchVectorParts(const GrepEngine::MatchResults& match);

}  // namespace Common
