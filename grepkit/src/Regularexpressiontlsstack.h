#pragma once
// The package's per-thread stack of components whose file operations are running.

#include "common/ThreadInstanceStack.h"
#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {

class RegularExpressionTLSStack : public Common::ThreadInstanceStack<RegularExpressionCustom> {};

// The one index object while the component core unit is started, else null.
RegularExpressionTLSStack* ThreadStacks();

}  // namespace RegexComponent
