#pragma once
// The object keeps its options as std::set of enumeration values; the shared option algebra
// works on ordinal masks. These convert between the two.

#include <set>

#include "common/OptionSets.h"

namespace RegexClass {

template <class Enum>
Common::OrdinalSet ToOrdinals(const std::set<Enum>& set) {
  Common::OrdinalSet ordinals = 0;
  for (Enum value : set) ordinals |= Common::Bit(static_cast<unsigned>(value));
  return ordinals;
}

template <class Enum>
std::set<Enum> FromOrdinals(Common::OrdinalSet ordinals, unsigned count) {
  std::set<Enum> set;
  for (unsigned ordinal = 0; ordinal < count; ++ordinal)
    if (ordinals & Common::Bit(ordinal)) set.insert(static_cast<Enum>(ordinal));
  return set;
}

}  // namespace RegexClass
