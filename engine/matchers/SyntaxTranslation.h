#pragma once
#include <boost/regex.hpp>

namespace GrepEngine {

// The one place where a toolkit option word becomes Boost's syntax flags. Every pattern reaches
// Boost in one canonical syntax (see syntax/BoostText.h), so the syntax options themselves are
// in the text written from the pattern's tree; only case and collation are flags.
boost::regex_constants::syntax_option_type TranslateSyntax(unsigned optionWord);

}  // namespace GrepEngine
