#include "common/CompileOnDemand.h"

#include <cstring>
#include <string_view>

#include "PatternData.h"

namespace Common {

unsigned char ConvertCompileResult(unsigned engineCode) {
  return static_cast<unsigned char>(engineCode & 0xFFu);
}

unsigned char ParseOnDemand(bool& parsed, CompilationHandle& compiled,
                            const std::string& expression, unsigned flagWord,
                            const std::locale& locale) {
  if (parsed) return ConvertCompileResult(compiled ? compiled->ErrorCode : 0);
  if (expression.empty()) return 1;
  // The pattern ends at its first NUL, as a C string would.
  const std::string_view text(expression.data(), std::strlen(expression.data()));
  grepcore::Result<grepcore::Pattern> outcome =
      grepcore::Pattern::Compile(text, grepcore::CompileOptions::FromWord(flagWord, locale));
  auto compilation = std::make_shared<Compilation>();
  if (outcome) {
    compilation->Pattern = std::move(*outcome);
  } else {
    compilation->ErrorCode = outcome.Error().Code;
    compilation->ErrorText = outcome.Error().Message;
  }
  compiled = std::move(compilation);
  parsed = true;
  return ConvertCompileResult(compiled->ErrorCode);
}

const grepcore::Pattern* ReadyPattern(const CompilationHandle& compiled) {
  return compiled && compiled->Pattern ? &*compiled->Pattern : nullptr;
}

CompiledPattern EnginePatternOf(const CompilationHandle& compiled) {
  const grepcore::Pattern* pattern = ReadyPattern(compiled);
  return pattern != nullptr ? pattern->Data()->Engine : CompiledPattern();
}

std::string CompileErrorText(bool parsed, const CompilationHandle& compiled) {
  if (!parsed || !compiled) return std::string();
  return compiled->ErrorText;
}

unsigned SubexpressionCount(bool parsed, const CompilationHandle& compiled) {
  const grepcore::Pattern* pattern = parsed ? ReadyPattern(compiled) : nullptr;
  return pattern != nullptr ? static_cast<unsigned>(pattern->GroupCount()) : 0;
}

}  // namespace Common
