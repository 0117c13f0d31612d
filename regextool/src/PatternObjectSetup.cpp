// The pattern settings on a pattern object: what the change command still compiles with.
#include <grepcore/Regularexpressionclass.h>

#include "PatternSettings.h"

namespace RegexTool {

using RegexClass::RegularExpression;

static_assert(RegularExpression::NoLocaleSpecificCollation == 12 &&
                  RegularExpression::MatchContinuous == 11,
              "the option names follow the class's enumerations");

// The names of CompileOptionNames() and MatchOptionNames() are listed in the order of the
// class's enumerations, whose values are their places (after MatchDefault for the matches).
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
  const std::vector<std::string>& compileNames = CompileOptionNames();
  for (const std::string& name : settings.CompileOptions)
    for (std::size_t i = 0; i < compileNames.size(); ++i)
      if (name == compileNames[i])
        re.AddExpressionOption(static_cast<RegularExpression::Options>(i));
  if (settings.CaseInsensitive) re.AddExpressionOption(RegularExpression::CaseInsensitive);
  const std::vector<std::string>& matchNames = MatchOptionNames();
  for (const std::string& name : settings.MatchOptions)
    for (std::size_t i = 0; i < matchNames.size(); ++i)
      if (name == matchNames[i]) re.AddMatchOption(static_cast<RegularExpression::Matches>(i + 1));
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

}  // namespace RegexTool
