#pragma once
// What both pattern objects say when the engine gives up on an operation (its complexity or
// stack limit) instead of deciding it: the operation keeps its "nothing found" value, and the
// object keeps the reason until its next operation starts. The reason is the engine's message;
// for a file operation, each file the engine gave up on with the message, one a line.

#include <string>

#include "engine/Pattern.h"

namespace Common {

// The engine's message for `code` (an AbandonCode of the engine's results) in the pattern's
// locale; empty for 0, which means the engine did not give up.
std::string AbandonReason(unsigned code, const GrepEngine::Pattern& pattern);

}  // namespace Common
