#pragma once
// The error value of an operation the engine gave up on.

#include "engine/Pattern.h"
#include "grepcore/Result.h"

namespace grepcore {

// ErrorKind::EngineGaveUp with the engine's code and its message in the pattern's locale.
Error EngineGaveUp(unsigned abandonCode, const GrepEngine::Pattern& pattern);

}  // namespace grepcore
