#pragma once
// What a MatchRange walks with: the engine's steps over the text, and the latest match.

#include <memory>
#include <string_view>

#include "PatternData.h"
#include "engine/GrepSteps.h"
#include "engine/MatchResults.h"

namespace grepcore {

struct MatchWalk {
  MatchWalk(std::shared_ptr<const PatternData> compiled, std::string_view text, unsigned matchWord)
      : Compiled(std::move(compiled)),
        Text(text),
        Steps(*Compiled->Engine, text.data(), text.data() + text.size(), matchWord) {}

  std::shared_ptr<const PatternData> Compiled;
  std::string_view Text;  // addressable (see MatchAccess.h)
  GrepEngine::GrepSteps Steps;
  GrepEngine::StepMatch Latest;
  // Where the range's match works out its groups and formats: kept from match to match, so
  // its room is reused.
  GrepEngine::MatchResults Scratch;
  unsigned AbandonCode = 0;  // why the engine gave up; 0 while it has not
};

}  // namespace grepcore
