// Compile options, compilation on demand, error text, locale and sub-expression count.
#include "common/ObjectSettings.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

GREPTOOLKIT_CHECK_OPTION_ENUMERATIONS(RegularExpression)

void RegularExpression::AddExpressionOption(Options option) {
  Settings->SetExpressionOptions(Common::AddExpressionOption(Settings->ExpressionOptions, option));
}

void RegularExpression::DeleteExpressionOption(Options option) {
  Settings->SetExpressionOptions(
      Common::DeleteExpressionOption(Settings->ExpressionOptions, option));
}

bool RegularExpression::IsExpressionOption(Options option) const {
  return Settings->HasExpressionOption(option);
}

void RegularExpression::ClearExpressionOptions() {
  Settings->ExpressionOptions = 0;
  Settings->ExpressionParsed = false;
}

unsigned int RegularExpression::GetFlagOptions() const { return Settings->FlagWord(); }

std::string RegularExpression::GetExpression() const { return Settings->Expression; }

void RegularExpression::SetExpression(const std::string& expression) {
  Settings->SetExpression(expression);
}

std::locale RegularExpression::GetLocale() const { return Settings->Locale; }

void RegularExpression::SetLocale(const std::locale& locale) { Settings->Locale = locale; }

unsigned char RegularExpression::ParseExpression() { return Settings->Parse(); }

unsigned char RegularExpression::ConvertREXResult(unsigned int engineResult) {
  return Common::ConvertCompileResult(engineResult);
}

std::string RegularExpression::GetExpressionError() const { return Settings->ErrorText(); }

unsigned int RegularExpression::NumberOfSubexpressions() {
  if (!Settings->ExpressionParsed) ParseExpression();
  return Settings->Subexpressions();
}

unsigned int RegularExpression::NumberOfSubexpressions() const {
  return Settings->Subexpressions();
}

}  // namespace RegexClass
