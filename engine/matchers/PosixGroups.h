#pragma once
// Where Boost's groups give way to POSIX's, worked out by the sub-expression resolver
// (groups/Resolver.h) over a match Boost has found, the first time someone reads a group
// (GroupFilling.h). Patterns the resolver leaves alone (no groups, back-references,
// locale-decided brackets) keep Boost's groups and cost nothing.

#include <boost/regex.hpp>

#include "MatchFlagTranslation.h"
#include "engine/MatchResults.h"
#include "engine/Pattern.h"
#include "groups/Resolver.h"
#include "groups/TextContext.h"

namespace GrepEngine {

// The text around a match as the resolver reads it: the engine's backstop `base`, the end of
// the searched range and the match word's tests from `flags`.
Groups::TextContext GroupTextContext(const char* base, const char* last, FlagBits flags);

// Groups 1.. of `results` from `spans` (spans[0] is group 1), as offsets from `first`; an unset
// group is left as the engine leaves an unmatched one.
void SetGroups(boost::match_results<const char*>& results, const char* first,
               const Groups::GroupSpan* spans);

// `results` holds a match Boost found with `flags` and backstop `base` (the engine's `base`
// argument, or the searched range's first byte). Overwrites groups 1.. with POSIX's. The whole
// match, prefix and suffix stay. False, with Boost's groups left, when the pattern has no resolver
// or it could not follow the match.
bool ApplyPosixGroups(const Pattern& pattern, const char* base, FlagBits flags,
                      boost::match_results<const char*>& results);

}  // namespace GrepEngine
