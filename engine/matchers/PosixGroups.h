#pragma once
// Where Boost's groups give way to POSIX's, worked out by the sub-expression resolver
// (groups/Resolver.h) right after Boost finds a match. A grep hands each match to a callback
// while the pattern lives, so there the match only owes them, and they are worked out the
// first time the callback reads a group. Patterns the resolver leaves alone (no groups,
// back-references, locale-decided brackets) keep Boost's groups and cost nothing.

#include <boost/regex.hpp>

#include "MatchFlagTranslation.h"
#include "engine/MatchResults.h"
#include "engine/Pattern.h"

namespace GrepEngine {

// `results` holds a match Boost found with `flags` and backstop `base` (the engine's `base`
// argument, or the searched range's first byte). `pattern` must outlive the owing: only for
// results that are handed on and forgotten within the pattern's use.
void OwePosixGroups(const Pattern& pattern, const char* base, FlagBits flags, MatchResults::Impl& results);

// Overwrites groups 1.. of `results` with POSIX's now. The whole match, prefix and suffix stay.
// False, with Boost's groups left, when the pattern has no resolver or it could not follow
// the match.
bool ApplyPosixGroups(const Pattern& pattern, const char* base, FlagBits flags,
                      boost::match_results<const char*>& results);

}  // namespace GrepEngine
