#pragma once
#include <boost/regex.hpp>

#include "engine/Pattern.h"

namespace GrepEngine {

using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

struct Pattern::Impl {
  Regex Expression;
  unsigned ErrorCode = 0;
  unsigned OptionWord = 0;
  std::locale Locale;  // kept apart: a failed compile leaves the expression without one
};

}  // namespace GrepEngine
