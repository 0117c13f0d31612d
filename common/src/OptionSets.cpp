#include "common/OptionSets.h"

#include "engine/OptionWords.h"

namespace Common {
namespace {

namespace E = ExpressionOrdinal;
namespace M = MatchOrdinal;

#define GREPTOOLKIT_OPTION_VALUE(name, bitName, value) value,
constexpr unsigned ExpressionFlags[E::Count] = {
    GREPTOOLKIT_EXPRESSION_OPTIONS(GREPTOOLKIT_OPTION_VALUE)};
constexpr unsigned MatchFlags[M::Count] = {GREPTOOLKIT_MATCH_OPTIONS(GREPTOOLKIT_OPTION_VALUE)};
#undef GREPTOOLKIT_OPTION_VALUE

// What every group holds besides its own name.
constexpr OrdinalSet SharedCore =
    Bit(E::CharacterClasses) | Bit(E::Intervals) | Bit(E::BackReferences);
constexpr OrdinalSet ExtendedParts = SharedCore;
constexpr OrdinalSet NormalOnly = Bit(E::EscapeInCharacterSets) | Bit(E::NoLocaleSpecificCollation);
constexpr OrdinalSet NormalParts = SharedCore | NormalOnly;
constexpr OrdinalSet BasicOnly =
    Bit(E::LimitedOperations) | Bit(E::BracesNotOperators) | Bit(E::ParenthesesNotOperators);
constexpr OrdinalSet BasicParts = SharedCore | BasicOnly;

// Group names and the options only that group brings.
constexpr OrdinalSet BasicGroup = Bit(E::Basic) | BasicOnly;
constexpr OrdinalSet NormalGroup = Bit(E::Normal) | NormalOnly;

constexpr OrdinalSet Restricting = Bit(M::MatchNotBeginningOfLine) | Bit(M::MatchNotEndOfLine) |
                                   Bit(M::MatchNotBeginningOfBuffer) | Bit(M::MatchNotEndOfBuffer) |
                                   Bit(M::MatchNotBeginningOfWord) | Bit(M::MatchNotEndOfWord) |
                                   Bit(M::MatchNotDotNewline) | Bit(M::MatchNotDotNullCharacter);

bool Holds(OrdinalSet set, OrdinalSet all) { return (set & all) == all; }
bool Has(OrdinalSet set, unsigned ordinal) { return (set & Bit(ordinal)) != 0; }

unsigned FlagWord(OrdinalSet set, const unsigned* flags, unsigned count) {
  unsigned word = 0;
  for (unsigned ordinal = 0; ordinal < count; ++ordinal)
    if (Has(set, ordinal)) word |= flags[ordinal];
  return word;
}

// After a single option is added: name the group the set now forms, if any.
OrdinalSet NameGroup(OrdinalSet set) {
  if (!Holds(set, SharedCore)) return set;
  if (Holds(set, NormalOnly)) return (set | Bit(E::Normal)) & ~(Bit(E::Basic) | Bit(E::Extended));
  if (Holds(set, BasicOnly)) return (set | Bit(E::Basic)) & ~Bit(E::Extended);
  return set | Bit(E::Extended);
}

// After a single option is removed: drop the first group name whose parts are incomplete.
OrdinalSet DropBrokenGroup(OrdinalSet set) {
  if (Has(set, E::Extended)) return Holds(set, ExtendedParts) ? set : set & ~Bit(E::Extended);
  if (Has(set, E::Normal)) return Holds(set, NormalParts) ? set : set & ~Bit(E::Normal);
  if (Has(set, E::Basic)) return Holds(set, BasicParts) ? set : set & ~Bit(E::Basic);
  return set;
}

// A group name joins the set with its parts, and the other group's name (with what only it
// brings) leaves.
OrdinalSet JoinGroup(OrdinalSet set, unsigned group) {
  switch (group) {
    case E::Extended:
      set |= Bit(E::Extended) | ExtendedParts;
      if (Has(set, E::Normal)) return set & ~NormalGroup;
      if (Has(set, E::Basic)) return set & ~BasicGroup;
      return set;
    case E::Normal:
      set |= Bit(E::Normal) | NormalParts;
      if (Has(set, E::Basic)) return set & ~BasicGroup;
      if (Has(set, E::Extended)) return set & ~Bit(E::Extended);
      return set;
    default:
      set |= Bit(E::Basic) | BasicParts;
      if (Has(set, E::Normal)) return set & ~NormalGroup;
      if (Has(set, E::Extended)) return set & ~Bit(E::Extended);
      return set;
  }
}

// A group name leaves the set with all its parts.
OrdinalSet LeaveGroup(OrdinalSet set, unsigned group) {
  switch (group) {
    case E::Extended:
      return set & ~(Bit(E::Extended) | ExtendedParts);
    case E::Normal:
      return set & ~(Bit(E::Normal) | NormalParts);
    default:
      return set & ~(Bit(E::Basic) | BasicParts);
  }
}

bool IsGroup(unsigned ordinal) {
  return ordinal == E::Basic || ordinal == E::Extended || ordinal == E::Normal;
}

}  // namespace

#define GREPTOOLKIT_OPTION_NAME(name, bitName, value) #name,
const char* const ExpressionOptionNames[E::Count] = {
    GREPTOOLKIT_EXPRESSION_OPTIONS(GREPTOOLKIT_OPTION_NAME)};
const char* const MatchOptionNames[M::Count] = {GREPTOOLKIT_MATCH_OPTIONS(GREPTOOLKIT_OPTION_NAME)};
#undef GREPTOOLKIT_OPTION_NAME

unsigned ExpressionFlagValue(unsigned ordinal) {
  return ordinal < E::Count ? ExpressionFlags[ordinal] : 0;
}
unsigned MatchFlagValue(unsigned ordinal) { return ordinal < M::Count ? MatchFlags[ordinal] : 0; }

OrdinalSet DefaultExpressionOptions() { return Bit(E::Normal) | NormalParts; }

OrdinalSet AddExpressionOption(OrdinalSet set, unsigned ordinal) {
  if (ordinal >= E::Count || Has(set, ordinal)) return set;
  if (IsGroup(ordinal)) return JoinGroup(set, ordinal);
  return NameGroup(set | Bit(ordinal));
}

OrdinalSet DeleteExpressionOption(OrdinalSet set, unsigned ordinal) {
  if (ordinal >= E::Count || !Has(set, ordinal)) return set;
  if (IsGroup(ordinal)) return LeaveGroup(set, ordinal);
  return DropBrokenGroup(set & ~Bit(ordinal));
}

OrdinalSet AssignExpressionOptions(OrdinalSet current, OrdinalSet assigned) {
  assigned &= Bit(E::Count) - 1;
  if (assigned == current) return current;
  const unsigned groups[] = {E::Extended, E::Normal, E::Basic};
  for (unsigned group : groups)
    if (Has(assigned, group) && !Has(current, group)) return JoinGroup(assigned, group);
  for (unsigned group : groups)
    if (Has(current, group) && !Has(assigned, group)) return LeaveGroup(assigned, group);
  // No group name came or went: the set's own parts decide its group.
  return NameGroup(DropBrokenGroup(assigned));
}

unsigned ExpressionFlagWord(OrdinalSet set) { return FlagWord(set, ExpressionFlags, E::Count); }

OrdinalSet DefaultMatchOptions() { return Bit(M::MatchDefault); }

OrdinalSet AddMatchOption(OrdinalSet set, unsigned ordinal) {
  if (ordinal >= M::Count || Has(set, ordinal)) return set;
  if (ordinal == M::MatchDefault) return (set | Bit(M::MatchDefault)) & ~Restricting;
  set |= Bit(ordinal);
  if (Has(set, M::MatchDefault) && (set & Restricting) != 0) set &= ~Bit(M::MatchDefault);
  return set;
}

OrdinalSet DeleteMatchOption(OrdinalSet set, unsigned ordinal) {
  if (ordinal >= M::Count || !Has(set, ordinal)) return set;
  set &= ~Bit(ordinal);
  if (ordinal != M::MatchDefault && !Has(set, M::MatchDefault) && (set & Restricting) == 0)
    set |= Bit(M::MatchDefault);
  return set;
}

OrdinalSet AssignMatchOptions(OrdinalSet current, OrdinalSet assigned) {
  assigned &= Bit(M::Count) - 1;
  if (Has(assigned, M::MatchDefault) && !Has(current, M::MatchDefault))
    return assigned & ~Restricting;
  if (Has(assigned, M::MatchDefault) && (assigned & Restricting) != 0)
    return assigned & ~Bit(M::MatchDefault);
  if (!Has(assigned, M::MatchDefault) && (assigned & Restricting) == 0)
    return assigned | Bit(M::MatchDefault);
  return assigned;
}

unsigned MatchFlagWord(OrdinalSet set) { return FlagWord(set, MatchFlags, M::Count); }

}  // namespace Common
