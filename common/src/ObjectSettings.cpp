#include "common/ObjectSettings.h"

namespace Common {

ObjectSettings& ObjectSettings::operator=(const ObjectSettings& other) {
  if (&other == this) return *this;
  ExpressionOptions = other.ExpressionOptions;
  MatchOptions = other.MatchOptions;
  Expression = other.Expression;
  StringToMatch = other.StringToMatch;
  FilesToMatch = other.FilesToMatch;
  FormatString = other.FormatString;
  SaveExtension = other.SaveExtension;
  AllowOwnerChange = other.AllowOwnerChange;
  ExpressionParsed = other.ExpressionParsed;
  CompiledExpression = other.CompiledExpression;
  return *this;
}

bool ObjectSettings::operator==(const ObjectSettings& other) const {
  return ExpressionOptions == other.ExpressionOptions && MatchOptions == other.MatchOptions &&
         Expression == other.Expression && StringToMatch == other.StringToMatch &&
         FilesToMatch == other.FilesToMatch && FormatString == other.FormatString &&
         SaveExtension == other.SaveExtension;
}

void ObjectSettings::SetExpression(const std::string& expression) {
  Expression = expression;
  ExpressionParsed = false;
}

void ObjectSettings::SetExpressionOptions(OrdinalSet options) {
  if (options == ExpressionOptions) return;
  ExpressionOptions = options;
  ExpressionParsed = false;
}

unsigned char ObjectSettings::Parse() {
  return ParseOnDemand(ExpressionParsed, CompiledExpression, Expression, FlagWord(), Locale);
}

}  // namespace Common
