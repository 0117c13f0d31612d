#pragma once
// What a compiled grepcore::Pattern holds: the engine's pattern and the options it came from.

#include <memory>
#include <string>

#include "engine/Pattern.h"
#include "grepcore/Regex.h"

namespace grepcore {

struct PatternData {
  std::string Text;
  CompileOptions Options;
  std::shared_ptr<const GrepEngine::Pattern> Engine;
};

// The engine's match word for `options`: the toolkit's, and the engine's own line rule.
unsigned EngineMatchWord(const MatchOptions& options);

// The engine's pattern of a compiled Pattern.
inline const GrepEngine::Pattern& EnginePattern(const Pattern& pattern) {
  return *pattern.Data()->Engine;
}

}  // namespace grepcore
