#pragma once
#include <array>
#include <boost/regex.hpp>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DfaProgram.h"
#include "MatchFlagTranslation.h"
#include "Planner.h"
#include "engine/Pattern.h"
#include "groups/OnePass.h"
#include "groups/Resolver.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;

// A DFA built on first use; a Pattern is shared across threads, so the build runs once.
struct LazyDfa {
  std::once_flag Once;
  std::unique_ptr<DfaProgram> Program;  // null when the DFA cannot take the pattern
};

// An expression compiled on first use, for the same reason.
struct LazyExpression {
  std::once_flag Once;
  std::unique_ptr<Regex> Expression;  // null when it would not compile
};

struct ByteRunTable;
struct LiteralSetTable;

struct Pattern::Impl {
  Syntax::Tree Tree;  // what the pattern says; holds no nodes when it is not valid
  Regex Expression;
  unsigned ErrorCode = 0;
  unsigned Marks = 0;               // the whole match and the groups; 0 when the pattern failed
  std::ptrdiff_t ErrorOffset = -1;  // known only for the errors the tree's parser finds
  // The option word and locale the engines run the tree with; a UTF-8 pattern's differ from
  // those it was compiled with (see Compile).
  unsigned OptionWord = 0;
  std::locale Locale;  // kept apart: a failed compile leaves the expression without one
  unsigned GivenOptionWord = 0;
  std::locale GivenLocale;
  // POSIX's groups for Boost's matches; null when Boost's groups stand (see groups/Resolver.h).
  std::unique_ptr<const Groups::Resolver> GroupResolver;
  // The same groups in one pass over the match, for patterns with one parse (groups/OnePass.h);
  // null when the resolver has to choose.
  std::shared_ptr<const Groups::OnePass> OnePassGroups;
  // For a one-pass pattern whose every match starts with one of a few literals: the DFA
  // route's whole matches are the literals' occurrences followed by one pass (WholeMatchFinder).
  std::shared_ptr<const Groups::OnePass> OnePassFinder;
  std::vector<std::string> LeadingLiterals;
  std::shared_ptr<const LiteralSetTable> LeadingTable;  // the scans for them
  std::shared_ptr<const ByteRunTable> LeadingRun;       // else the byte sets they start with
  // What the planner needs, and the fast matchers' own forms of the pattern.
  PlanFacts Facts;
  // Facts.Literal (a set of one) or Facts.LiteralSet, with their scans, made once for every
  // search; null otherwise.
  std::shared_ptr<const LiteralSetTable> LiteralTable;
  // One DFA per way the match word reads '.' (NotDotNewline, NotDotNullCharacter, and
  // whether NotDotNewline keeps it off a LF alone).
  mutable std::array<LazyDfa, 8> Dfas;

  // A UTF-8 pattern that can match the empty text, which the finder keeps off the inside of a
  // character (the engine's text keeps itself off; see syntax/BoostText.h).
  bool EmptyMatchesSplitCharacters = false;
  // What lines that end at a LF only change: ^ or $, and '.'.
  bool LineAnchors = false;
  bool AnyByte = false;
  // The expressions written for other match flags (see ExpressionFor): by the way such lines
  // change '.' (or none), and by where a UTF-8 tree's word edges take a word character to
  // stand beside the text.
  mutable std::array<LazyExpression, 16> FlagExpressions;

  // A UTF-8 pattern's word characters, worked out on first use; null for a byte pattern.
  const Unicode::CodeSet* Utf8WordCharacters() const;
  mutable std::once_flag WordOnce;
  mutable std::shared_ptr<const Unicode::CodeSet> Utf8Word;

  // The DFA for `matchWord`, built on first use; null when the DFA cannot take the pattern.
  const DfaProgram* Dfa(unsigned matchWord) const;
  // The expression the engine runs under the match flags `flags`: Expression, or where the
  // flags say the lines end at a LF only (LineFeedLinesFlag) and that changes the pattern, the
  // expression written for such lines; and for a UTF-8 tree with word edges (look-arounds the
  // engine's flags do not reach) under match_not_bow or match_not_eow, one written for them.
  const Regex& ExpressionFor(FlagBits flags) const;
};

}  // namespace GrepEngine
