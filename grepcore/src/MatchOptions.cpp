// Match options and the engine match-flag word.
#include "common/ObjectSettings.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

void RegularExpression::AddMatchOption(Matches option) {
  Settings->MatchOptions = Common::AddMatchOption(Settings->MatchOptions, option);
}

void RegularExpression::DeleteMatchOption(Matches option) {
  Settings->MatchOptions = Common::DeleteMatchOption(Settings->MatchOptions, option);
}

bool RegularExpression::IsMatchOption(Matches option) const {
  return Settings->HasMatchOption(option);
}

void RegularExpression::ClearMatchOptions() { Settings->MatchOptions = 0; }

unsigned int RegularExpression::GetMatchFlags() const { return Settings->MatchWord(); }

}  // namespace RegexClass
