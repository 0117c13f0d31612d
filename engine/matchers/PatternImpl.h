#pragma once
#include <boost/regex.hpp>

#include <memory>

#include "engine/Pattern.h"
#include "groups/Resolver.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

struct Pattern::Impl {
  Syntax::Tree Tree;  // what the pattern says; holds no nodes when it is not valid
  Regex Expression;
  unsigned ErrorCode = 0;
  unsigned OptionWord = 0;
  std::locale Locale;  // kept apart: a failed compile leaves the expression without one
  // POSIX's groups for Boost's matches; null when Boost's groups stand (see groups/Resolver.h).
  std::unique_ptr<const Groups::Resolver> GroupResolver;
};

}  // namespace GrepEngine
