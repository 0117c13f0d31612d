#pragma once
#include <boost/regex.hpp>

namespace GrepEngine {

// The one place where a toolkit option word becomes Boost's syntax flags.
boost::regex_constants::syntax_option_type TranslateSyntax(unsigned optionWord);

}  // namespace GrepEngine
