#pragma once
// Compilation on demand: the pattern is compiled once, when an operation first needs it, and
// the result (success or the engine's error) is kept until the text or the options change.

#include <locale>
#include <memory>
#include <string>

#include "engine/Pattern.h"

namespace Common {

using CompiledPattern = std::shared_ptr<const GrepEngine::Pattern>;

// The one-byte result code of a compilation: the engine's error code (0: ready).
unsigned char ConvertCompileResult(unsigned engineCode);

// Makes sure `compiled` reflects `expression`: when `parsed` is clear, compiles the bytes
// before the first NUL with `flagWord` and `locale` and sets `parsed`. An empty expression
// gives 1 and leaves both untouched. Returns the result code (0: ready).
unsigned char ParseOnDemand(bool& parsed, CompiledPattern& compiled, const std::string& expression,
                            unsigned flagWord, const std::locale& locale);

// The engine's message for a failed compilation; empty in every other case.
std::string CompileErrorText(bool parsed, const CompiledPattern& compiled);

// Marked sub-expressions, the whole match not counted; 0 when nothing usable is compiled.
unsigned SubexpressionCount(bool parsed, const CompiledPattern& compiled);

}  // namespace Common
