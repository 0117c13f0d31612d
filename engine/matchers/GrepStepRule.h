#pragma once
// The grep's rule for the search that follows a match, shared by the push grep (GrepIn) and
// the pull one (GrepSteps).

#include "MatchFlagTranslation.h"

namespace GrepEngine {

// The flags of the search from `from` in a text that starts at `first`. After a match no match
// may be empty where it ended (under leftmost-longest rules always, under the shortest rule
// only after an empty one), so a grep always moves on, exactly as regex_iterator steps.
inline FlagBits GrepStepFlags(FlagBits flags, const char* first, const char* from, bool afterMatch,
                              bool afterEmpty) {
  namespace rc = boost::regex_constants;
  FlagBits step = flags;
  if (afterMatch && (afterEmpty || (flags & Bits(rc::match_posix))))
    step |= Bits(rc::match_not_initial_null);
  if (from != first) step |= Bits(rc::match_prev_avail);
  return step;
}

}  // namespace GrepEngine
