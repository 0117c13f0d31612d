#pragma once
#include <boost/regex.hpp>

#include "engine/Pattern.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

struct Pattern::Impl {
  Syntax::Tree Tree;  // what the pattern says; holds no nodes when it is not valid
  Regex Expression;
  unsigned ErrorCode = 0;
  unsigned OptionWord = 0;
  std::locale Locale;  // kept apart: a failed compile leaves the expression without one
};

}  // namespace GrepEngine
