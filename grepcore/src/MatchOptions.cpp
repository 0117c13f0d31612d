// Match options and the engine match-flag word.
#include "OptionSetConversion.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

using Common::MatchOrdinal::Count;

void RegularExpression::AddMatchOption(Matches option) {
  MatchOptions = FromOrdinals<Matches>(Common::AddMatchOption(ToOrdinals(MatchOptions), option), Count);
}

void RegularExpression::DeleteMatchOption(Matches option) {
  MatchOptions =
      FromOrdinals<Matches>(Common::DeleteMatchOption(ToOrdinals(MatchOptions), option), Count);
}

bool RegularExpression::IsMatchOption(Matches option) const {
  return MatchOptions.count(option) != 0;
}

void RegularExpression::ClearMatchOptions() { MatchOptions.clear(); }

unsigned int RegularExpression::GetMatchFlags() const {
  return Common::MatchFlagWord(ToOrdinals(MatchOptions));
}

}  // namespace RegexClass
