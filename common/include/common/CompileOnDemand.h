#pragma once
// Compilation on demand: the pattern is compiled once, when an operation first needs it, and
// the result (the core's pattern or the engine's error) is kept until the text or the options
// change.

#include <locale>
#include <memory>
#include <optional>
#include <string>

#include "engine/Pattern.h"
#include "grepcore/Regex.h"

namespace Common {

// The engine's pattern a file change run formats its replacements with.
using CompiledPattern = std::shared_ptr<const GrepEngine::Pattern>;

// One compilation's outcome, never changed once made, so copies of an object share it.
struct Compilation {
  std::optional<grepcore::Pattern> Pattern;  // empty when the compilation failed
  unsigned ErrorCode = 0;                    // the engine's code; 0 with a pattern
  std::string ErrorText;                     // the engine's message; empty with a pattern
};

using CompilationHandle = std::shared_ptr<const Compilation>;

// The one-byte result code of a compilation: the engine's error code (0: ready).
unsigned char ConvertCompileResult(unsigned engineCode);

// Makes sure `compiled` reflects `expression`: when `parsed` is clear, compiles the bytes
// before the first NUL with `flagWord` and `locale` and sets `parsed`. An empty expression
// gives 1 and leaves both untouched. Returns the result code (0: ready).
unsigned char ParseOnDemand(bool& parsed, CompilationHandle& compiled,
                            const std::string& expression, unsigned flagWord,
                            const std::locale& locale);

// The compiled pattern, when `compiled` holds one.
const grepcore::Pattern* ReadyPattern(const CompilationHandle& compiled);

// The engine's pattern of a successful compilation, for a change run; null otherwise.
CompiledPattern EnginePatternOf(const CompilationHandle& compiled);

// The engine's message for a failed compilation; empty in every other case.
std::string CompileErrorText(bool parsed, const CompilationHandle& compiled);

// Marked sub-expressions, the whole match not counted; 0 when nothing usable is compiled.
unsigned SubexpressionCount(bool parsed, const CompilationHandle& compiled);

}  // namespace Common
