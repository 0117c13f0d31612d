#include "MatchFlagTranslation.h"

#include "engine/OptionWords.h"

namespace GrepEngine {

FlagBits TranslateMatchFlags(unsigned word) {
  namespace rc = boost::regex_constants;
  // Mapped by name, not by value: the toolkit's values are fixed, Boost's need not stay so.
  static const struct {
    unsigned bit;
    rc::match_flag_type flag;
  } table[] = {
      {MatchBits::NotBeginningOfLine, rc::match_not_bol},
      {MatchBits::NotEndOfLine, rc::match_not_eol},
      {MatchBits::NotBeginningOfBuffer, rc::match_not_bob},
      {MatchBits::NotEndOfBuffer, rc::match_not_eob},
      {MatchBits::NotBeginningOfWord, rc::match_not_bow},
      {MatchBits::NotEndOfWord, rc::match_not_eow},
      {MatchBits::NotDotNewline, rc::match_not_dot_newline},
      {MatchBits::NotDotNullCharacter, rc::match_not_dot_null},
      {MatchBits::Shortest, rc::match_any},
      {MatchBits::NotNullString, rc::match_not_null},
      {MatchBits::Continuous, rc::match_continuous},
  };
  FlagBits flags = Bits(rc::match_default);
  for (const auto& entry : table)
    if (word & entry.bit) flags |= Bits(entry.flag);
  if (word & MatchBits::LineFeedLines) flags |= LineFeedLinesFlag;
  if (!(word & MatchBits::Shortest)) flags |= Bits(rc::match_posix);
  // A back-reference to a group that took no part fails to match, as POSIX has it. The engine
  // lets it match the empty text unless it follows Perl's rule for back-references, which is
  // all this flag changes beside match_posix's leftmost-longest search.
  flags |= Bits(rc::match_perl);
  return flags;
}

}  // namespace GrepEngine
