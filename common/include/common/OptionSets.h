#pragma once
// The option algebra of compile options and match options, on sets of ordinals held as bit
// masks (bit i stands for the option with ordinal i). Each library keeps its own set type and
// converts; the rules live only here.

#include <cstdint>

#include "engine/OptionWords.h"

namespace Common {

using OrdinalSet = std::uint32_t;

constexpr OrdinalSet Bit(unsigned ordinal) { return OrdinalSet{1} << ordinal; }

#define GREPTOOLKIT_OPTION_ORDINAL(name, bitName, value) name,

// Ordinals of the compile options, in declaration order.
namespace ExpressionOrdinal {
enum : unsigned { GREPTOOLKIT_EXPRESSION_OPTIONS(GREPTOOLKIT_OPTION_ORDINAL) Count };
}  // namespace ExpressionOrdinal

// Ordinals of the match options, in declaration order.
namespace MatchOrdinal {
enum : unsigned { GREPTOOLKIT_MATCH_OPTIONS(GREPTOOLKIT_OPTION_ORDINAL) Count };
}  // namespace MatchOrdinal

#undef GREPTOOLKIT_OPTION_ORDINAL

// Checks at compile time that a pattern class's own enumerations of the options are the lists,
// ordinal for ordinal: `GREPTOOLKIT_CHECK_OPTION_ENUMERATIONS(RegularExpression)`.
#define GREPTOOLKIT_CHECK_EXPRESSION_ORDINAL(name, bitName, value)                              \
  static_assert(static_cast<unsigned>(CheckedClass::name) == ::Common::ExpressionOrdinal::name, \
                #name);
#define GREPTOOLKIT_CHECK_MATCH_ORDINAL(name, bitName, value) \
  static_assert(static_cast<unsigned>(CheckedClass::name) == ::Common::MatchOrdinal::name, #name);
#define GREPTOOLKIT_CHECK_OPTION_ENUMERATIONS(Class)                   \
  namespace OptionEnumerationChecks {                                  \
  using CheckedClass = Class;                                          \
  GREPTOOLKIT_EXPRESSION_OPTIONS(GREPTOOLKIT_CHECK_EXPRESSION_ORDINAL) \
  GREPTOOLKIT_MATCH_OPTIONS(GREPTOOLKIT_CHECK_MATCH_ORDINAL)           \
  }

// The options' names, by ordinal.
extern const char* const ExpressionOptionNames[ExpressionOrdinal::Count];
extern const char* const MatchOptionNames[MatchOrdinal::Count];

// Compile options. Adding or deleting keeps the group names (Basic, Extended, Normal) in step
// with their components; a result equal to the argument means nothing changed.
OrdinalSet DefaultExpressionOptions();
OrdinalSet AddExpressionOption(OrdinalSet set, unsigned ordinal);
OrdinalSet DeleteExpressionOption(OrdinalSet set, unsigned ordinal);
// A whole set assigned at once (the component's rule): a group name that comes or goes brings
// or takes its parts, as adding or deleting it would; otherwise a group name the parts no longer
// support goes and the group the parts form takes its name.
OrdinalSet AssignExpressionOptions(OrdinalSet current, OrdinalSet assigned);
unsigned ExpressionFlagWord(OrdinalSet set);
unsigned ExpressionFlagValue(unsigned ordinal);

// Match options. Adding or deleting keeps MatchDefault standing for "no restriction".
OrdinalSet DefaultMatchOptions();
OrdinalSet AddMatchOption(OrdinalSet set, unsigned ordinal);
OrdinalSet DeleteMatchOption(OrdinalSet set, unsigned ordinal);
// A whole set assigned at once: MatchDefault is in the result exactly when no restricting
// option is; a MatchDefault that is new in the set wins over the restricting options.
OrdinalSet AssignMatchOptions(OrdinalSet current, OrdinalSet assigned);
unsigned MatchFlagWord(OrdinalSet set);
unsigned MatchFlagValue(unsigned ordinal);

}  // namespace Common
