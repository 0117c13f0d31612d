#pragma once
// The module's thread-local slot: in each thread, the stack of objects whose file operations
// are running there.

#include "common/ThreadInstanceStack.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

class RegularExpressionTLSStack : public Common::ThreadInstanceStack<RegularExpression> {};

// The module's one slot object, alive for as long as the library is loaded.
extern RegularExpressionTLSStack TLSStack;

}  // namespace RegexClass
