#pragma once
#include <boost/regex.hpp>
#include <cstdint>

namespace GrepEngine {

// Boost's match flags as plain bits. Flag words are combined as integers and become Boost's
// enumeration only when handed to the engine: an intermediate such as a complement is no valid
// value of that enumeration.
using FlagBits = std::uint32_t;

constexpr FlagBits Bits(boost::regex_constants::match_flag_type flag) {
  return static_cast<FlagBits>(flag);
}

// The engine's own flag beside Boost's, in a bit Boost leaves free: lines end at a LF only
// (MatchBits::LineFeedLines). It chooses the expression Boost runs and the group resolver's
// line tests; Boost itself never sees it.
constexpr FlagBits LineFeedLinesFlag = FlagBits{1} << 31;

// Every other bit of `bits` comes from Boost's own flags, so the result is a valid enumeration
// value.
inline boost::regex_constants::match_flag_type AsMatchFlags(FlagBits bits) {
  return static_cast<boost::regex_constants::match_flag_type>(bits & ~LineFeedLinesFlag);
}

// The one place where a toolkit match word (MatchBits) becomes Boost's match flags. Unknown
// bits are dropped, among them the engine's own prev_avail and init flags, which only the
// engine may set. Leftmost-longest rules apply unless the word asks for the shortest match; a
// back-reference to a group that took no part never matches. MatchBits::LineFeedLines becomes
// LineFeedLinesFlag.
FlagBits TranslateMatchFlags(unsigned matchWord);

}  // namespace GrepEngine
