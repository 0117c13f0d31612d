#pragma once
// Where Boost's groups give way to POSIX's: right after Boost finds a match, the match is
// marked as owing them, and the sub-expression resolver (groups/Resolver.h) overwrites Boost's
// groups the first time anyone reads one. Patterns the resolver leaves alone (no groups,
// back-references, locale-decided brackets) keep Boost's groups and cost nothing.

#include <boost/regex.hpp>

#include "MatchFlagTranslation.h"
#include "engine/MatchResults.h"
#include "engine/Pattern.h"

namespace GrepEngine {

// `results` holds a match Boost found with `flags` and backstop `base` (the engine's `base`
// argument, or the searched range's first byte).
void OwePosixGroups(const Pattern& pattern, const char* base, FlagBits flags, MatchResults::Impl& results);

// Overwrites groups 1.. of `results` with POSIX's now. The whole match, prefix and suffix stay.
// False, with Boost's groups left, when the pattern has no resolver or it could not follow
// the match.
bool ApplyPosixGroups(const Pattern& pattern, const char* base, FlagBits flags,
                      boost::match_results<const char*>& results);

}  // namespace GrepEngine
