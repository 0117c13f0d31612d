// Compile options, compilation on demand, error text, locale and sub-expression count.
#include "OptionSetConversion.h"
#include "common/CompileOnDemand.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

GREPTOOLKIT_CHECK_OPTION_ENUMERATIONS(RegularExpression)

using Common::ExpressionOrdinal::Count;

void RegularExpression::AddExpressionOption(Options option) {
  const Common::OrdinalSet before = ToOrdinals(ExpressionOptions);
  const Common::OrdinalSet after = Common::AddExpressionOption(before, option);
  if (after == before) return;
  ExpressionOptions = FromOrdinals<Options>(after, Count);
  ExpressionParsed = false;
}

void RegularExpression::DeleteExpressionOption(Options option) {
  const Common::OrdinalSet before = ToOrdinals(ExpressionOptions);
  const Common::OrdinalSet after = Common::DeleteExpressionOption(before, option);
  if (after == before) return;
  ExpressionOptions = FromOrdinals<Options>(after, Count);
  ExpressionParsed = false;
}

bool RegularExpression::IsExpressionOption(Options option) const {
  return ExpressionOptions.count(option) != 0;
}

void RegularExpression::ClearExpressionOptions() {
  ExpressionOptions.clear();
  ExpressionParsed = false;
}

unsigned int RegularExpression::GetFlagOptions() const {
  return Common::ExpressionFlagWord(ToOrdinals(ExpressionOptions));
}

std::string RegularExpression::GetExpression() const { return Expression; }

void RegularExpression::SetExpression(const std::string& expression) {
  Expression = expression;
  ExpressionParsed = false;
}

std::locale RegularExpression::GetLocale() const { return Locale; }

void RegularExpression::SetLocale(const std::locale& locale) { Locale = locale; }

unsigned char RegularExpression::ParseExpression() {
  return Common::ParseOnDemand(ExpressionParsed, CompiledExpression, Expression, GetFlagOptions(),
                               Locale);
}

unsigned char RegularExpression::ConvertREXResult(unsigned int engineResult) {
  return Common::ConvertCompileResult(engineResult);
}

std::string RegularExpression::GetExpressionError() const {
  return Common::CompileErrorText(ExpressionParsed, CompiledExpression);
}

unsigned int RegularExpression::NumberOfSubexpressions() {
  if (!ExpressionParsed) ParseExpression();
  return Common::SubexpressionCount(ExpressionParsed, CompiledExpression);
}

unsigned int RegularExpression::NumberOfSubexpressions() const {
  return Common::SubexpressionCount(ExpressionParsed, CompiledExpression);
}

}  // namespace RegexClass
