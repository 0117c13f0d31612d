#pragma once
#include <boost/regex.hpp>

namespace GrepEngine {

// The one place where a toolkit option word becomes Boost's syntax flags. Apart from Literals,
// every word is compiled in one canonical Boost syntax (see PatternRewriter.h), so the syntax
// options themselves reach Boost through the rewritten pattern text, not through flags.
boost::regex_constants::syntax_option_type TranslateSyntax(unsigned optionWord);

}  // namespace GrepEngine
