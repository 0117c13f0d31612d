#pragma once
// How the toolkit's operations make matches and ranges, whose insides users never touch.

#include <memory>
#include <optional>
#include <string_view>

#include "engine/GrepSteps.h"
#include "engine/MatchResults.h"
#include "grepcore/Match.h"
#include "grepcore/MatchRange.h"

namespace grepcore {

struct MatchAccess {
  // The match `step` found in `text` (the text the steps ran over), its line not counted yet.
  static Match Make(std::shared_ptr<const PatternData> compiled, std::string_view text,
                    const GrepEngine::StepMatch& step);
  // `match` becomes the next match of the same walk: what its line count has come to is handed
  // on, its group cache keeps its room.
  static void MoveTo(Match& match, const GrepEngine::StepMatch& step);
  static MatchRange Range(std::unique_ptr<MatchWalk> walk);
  // The engine's results for `match`, its groups worked out when read: in the working room of
  // the range's walk for the range's own match, else in `own`.
  static const GrepEngine::MatchResults& Described(const Match& match,
                                                   std::optional<GrepEngine::MatchResults>& own);
};

// Engines take a range of two pointers; the empty view may have none.
inline std::string_view Addressable(std::string_view text) {
  return text.data() == nullptr ? std::string_view("", 0) : text;
}

}  // namespace grepcore
