#pragma once
// The replacement of one match in a file change run: the compiled expression's merge over the
// matched text alone, keeping what it does not match.

#include <string>

#include "common/CompileOnDemand.h"

namespace Common {

// Sets `replacement`; false when the engine gave up on the matched text (the file must then
// not be changed). A pattern that did not compile finds nothing, so the text stays as it is.
bool ReplacementText(const CompiledPattern& pattern, unsigned matchFlags, const std::string& matched,
                     const std::string& format, std::string& replacement);

}  // namespace Common
