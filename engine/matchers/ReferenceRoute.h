#pragma once
// The reference engine's own grep, whatever route the planner would choose: what the planned
// routes are compared with (the differential test and the fuzz target).

#include "Planner.h"
#include "engine/Matching.h"

namespace GrepEngine {

GrepOutcome ReferenceGrepIn(const Pattern& pattern, const char* first, const char* last,
                            unsigned matchWord, GrepCallback callback);

// The route the planner takes for `pattern` under `matchWord` over [first, last).
Route PlannedRoute(const Pattern& pattern, unsigned matchWord, const char* first, const char* last);

}  // namespace GrepEngine
