#pragma once
#include <array>
#include <boost/regex.hpp>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DfaProgram.h"
#include "Planner.h"
#include "engine/Pattern.h"
#include "groups/Resolver.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

// A DFA built on first use; a Pattern is shared across threads, so the build runs once.
struct LazyDfa {
  std::once_flag Once;
  std::unique_ptr<DfaProgram> Program;  // null when the DFA cannot take the pattern
};

struct Pattern::Impl {
  Syntax::Tree Tree;  // what the pattern says; holds no nodes when it is not valid
  Regex Expression;
  unsigned ErrorCode = 0;
  std::ptrdiff_t ErrorOffset = -1;  // known only for the errors the tree's parser finds
  unsigned OptionWord = 0;
  std::locale Locale;  // kept apart: a failed compile leaves the expression without one
  // POSIX's groups for Boost's matches; null when Boost's groups stand (see groups/Resolver.h).
  std::unique_ptr<const Groups::Resolver> GroupResolver;
  // What the planner needs, and the fast matchers' own forms of the pattern.
  PlanFacts Facts;
  std::string Literal;                // Facts.Literal
  std::vector<std::string> Literals;  // Facts.LiteralSet
  // One DFA per way the match word reads '.' (NotDotNewline, NotDotNullCharacter).
  mutable std::array<LazyDfa, 4> Dfas;

  // The DFA for `matchWord`, built on first use; null when the DFA cannot take the pattern.
  const DfaProgram* Dfa(unsigned matchWord) const;
};

}  // namespace GrepEngine
