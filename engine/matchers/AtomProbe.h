#pragma once
// The bytes the engine itself accepts for one single-byte atom of a pattern, asked byte by byte,
// so that every other matcher built from the tree reads brackets, classes and case folding
// exactly as the engine does under the pattern's option word and locale.

#include <bitset>
#include <locale>
#include <map>
#include <string>

#include "MatchFlagTranslation.h"

namespace GrepEngine {

using ByteSet = std::bitset<256>;

class AtomProbe {
 public:
  // `flags`: the engine's match flags the atoms are asked under (only '.' reads them).
  AtomProbe(unsigned optionWord, const std::locale& locale, FlagBits flags = 0)
      : Word(optionWord), Locale(locale), Flags(flags) {}

  // The bytes `atomText` (one atom in the engine's syntax) accepts; false when it does not
  // compile alone, holds a group or accepts nothing. Answers are kept by text.
  bool Ask(const std::string& atomText, ByteSet& set);
  bool Knows(const std::string& atomText) const { return Known.count(atomText) != 0; }
  // How many distinct atoms were asked so far (each cost a compile).
  std::size_t Asked() const { return Known.size(); }

 private:
  unsigned Word;
  std::locale Locale;
  FlagBits Flags;
  std::map<std::string, std::pair<bool, ByteSet>> Known;
};

}  // namespace GrepEngine
