#pragma once
// The walk for callers that act on its problems as they arise: the pattern class's file
// search learns of a file passed over before it visits the next one.

#include <functional>
#include <vector>

#include "grepcore/Walk.h"

namespace grepcore {

// WalkUntil, telling `told` (when set) of each problem as soon as it is met.
std::vector<WalkProblem> WalkTelling(const WalkOptions& options,
                                     const std::function<bool(WalkedFile&& file)>& visit,
                                     const std::function<void(const WalkProblem&)>& told);

}  // namespace grepcore
