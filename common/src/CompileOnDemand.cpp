#include "common/CompileOnDemand.h"

#include <cstring>

namespace Common {

unsigned char ConvertCompileResult(unsigned engineCode) {
  return static_cast<unsigned char>(engineCode & 0xFFu);
}

unsigned char ParseOnDemand(bool& parsed, CompiledPattern& compiled, const std::string& expression,
                            unsigned flagWord, const std::locale& locale) {
  if (parsed) return ConvertCompileResult(compiled ? compiled->ErrorCode() : 0);
  if (expression.empty()) return 1;
  // The pattern ends at its first NUL, as a C string would.
  const char* first = expression.data();
  const char* last = first + std::strlen(first);
  compiled = GrepEngine::Pattern::Compile(first, last, flagWord, locale);
  parsed = true;
  return ConvertCompileResult(compiled->ErrorCode());
}

std::string CompileErrorText(bool parsed, const CompiledPattern& compiled) {
  if (!parsed || !compiled) return std::string();
  return compiled->ErrorText();
}

unsigned SubexpressionCount(bool parsed, const CompiledPattern& compiled) {
  if (!parsed || !compiled || compiled->MarkCount() == 0) return 0;
  return compiled->MarkCount() - 1;
}

}  // namespace Common
