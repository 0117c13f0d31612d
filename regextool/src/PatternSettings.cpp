#include "PatternSettings.h"

#include <algorithm>
#include <utility>

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;

const std::vector<std::pair<std::string, RegularExpression::Options>>& CompileOptionTable() {
  static const std::vector<std::pair<std::string, RegularExpression::Options>> table = {
      {"EscapeInCharacterSets", RegularExpression::EscapeInCharacterSets},
      {"CharacterClasses", RegularExpression::CharacterClasses},
      {"Intervals", RegularExpression::Intervals},
      {"LimitedOperations", RegularExpression::LimitedOperations},
      {"NewlineAsAlternationOperator", RegularExpression::NewlineAsAlternationOperator},
      {"QuestionmarkPlusNotOperators", RegularExpression::QuestionmarkPlusNotOperators},
      {"BracesNotOperators", RegularExpression::BracesNotOperators},
      {"ParenthesesNotOperators", RegularExpression::ParenthesesNotOperators},
      {"BackReferences", RegularExpression::BackReferences},
      {"VerticalbarNotOperator", RegularExpression::VerticalbarNotOperator},
      {"Literals", RegularExpression::Literals},
      {"CaseInsensitive", RegularExpression::CaseInsensitive},
      {"NoLocaleSpecificCollation", RegularExpression::NoLocaleSpecificCollation}};
  return table;
}

const std::vector<std::pair<std::string, RegularExpression::Matches>>& MatchOptionTable() {
  static const std::vector<std::pair<std::string, RegularExpression::Matches>> table = {
      {"MatchNotBeginningOfLine", RegularExpression::MatchNotBeginningOfLine},
      {"MatchNotEndOfLine", RegularExpression::MatchNotEndOfLine},
      {"MatchNotBeginningOfBuffer", RegularExpression::MatchNotBeginningOfBuffer},
      {"MatchNotEndOfBuffer", RegularExpression::MatchNotEndOfBuffer},
      {"MatchNotBeginningOfWord", RegularExpression::MatchNotBeginningOfWord},
      {"MatchNotEndOfWord", RegularExpression::MatchNotEndOfWord},
      {"MatchNotDotNewline", RegularExpression::MatchNotDotNewline},
      {"MatchNotDotNullCharacter", RegularExpression::MatchNotDotNullCharacter},
      {"MatchShortest", RegularExpression::MatchShortest},
      {"MatchNotNullString", RegularExpression::MatchNotNullString},
      {"MatchContinuous", RegularExpression::MatchContinuous}};
  return table;
}

template <class Table>
std::vector<std::string> NamesOf(const Table& table) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.push_back(entry.first);
  return names;
}

template <class Table, class Value>
bool Lookup(const Table& table, const std::string& name, Value& value) {
  const auto found = std::find_if(table.begin(), table.end(),
                                  [&](const auto& entry) { return entry.first == name; });
  if (found == table.end()) return false;
  value = found->second;
  return true;
}

}  // namespace

const std::vector<std::string>& SyntaxNames() {
  static const std::vector<std::string> names = {"normal", "basic", "extended", "literal"};
  return names;
}

const std::vector<std::string>& CompileOptionNames() {
  static const std::vector<std::string> names = NamesOf(CompileOptionTable());
  return names;
}

const std::vector<std::string>& MatchOptionNames() {
  static const std::vector<std::string> names = NamesOf(MatchOptionTable());
  return names;
}

void Configure(RegularExpression& re, const PatternSettings& settings) {
  re.SetExpression(settings.Pattern);
  // The group first: adding a group drops the single options of the other groups.
  if (settings.Syntax == "basic") {
    re.AddExpressionOption(RegularExpression::Basic);
  } else if (settings.Syntax == "extended") {
    re.AddExpressionOption(RegularExpression::Extended);
  } else {
    re.AddExpressionOption(RegularExpression::Normal);
    if (settings.Syntax == "literal") re.AddExpressionOption(RegularExpression::Literals);
  }
  for (const std::string& name : settings.CompileOptions) {
    RegularExpression::Options option;
    if (Lookup(CompileOptionTable(), name, option)) re.AddExpressionOption(option);
  }
  if (settings.CaseInsensitive) re.AddExpressionOption(RegularExpression::CaseInsensitive);
  for (const std::string& name : settings.MatchOptions) {
    RegularExpression::Matches option;
    if (Lookup(MatchOptionTable(), name, option)) re.AddMatchOption(option);
  }
  if (settings.Shortest) re.AddMatchOption(RegularExpression::MatchShortest);
  re.SetDirectoryRecursion(settings.Recursive);
}

bool CompilePattern(RegularExpression& re, std::string& error) {
  const unsigned char code = re.ParseExpression();
  if (code == 0) return true;
  error = re.GetExpressionError();
  if (error.empty())
    error = code == 1 && re.GetExpression().empty() ? "empty pattern"
                                                    : "error code " + std::to_string(code);
  return false;
}

bool ChangesSyntax(const RegularExpression& re) {
  RegularExpression asRead;
  asRead.AddExpressionOption(RegularExpression::Normal);
  if (re.IsExpressionOption(RegularExpression::CaseInsensitive))
    asRead.AddExpressionOption(RegularExpression::CaseInsensitive);
  return asRead.GetFlagOptions() != re.GetFlagOptions();
}

}  // namespace RegexTool
