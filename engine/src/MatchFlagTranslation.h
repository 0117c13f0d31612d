#pragma once
#include <boost/regex.hpp>

namespace GrepEngine {

// The one place where a toolkit match word (MatchBits) becomes Boost's match flags. Unknown
// bits are dropped, among them the engine's own prev_avail and init flags, which only the
// engine may set. Leftmost-longest rules apply unless the word asks for the shortest match.
boost::regex_constants::match_flag_type TranslateMatchFlags(unsigned matchWord);

}  // namespace GrepEngine
