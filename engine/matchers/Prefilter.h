#pragma once
// What a compiled pattern's syntax tree tells about its matches (syntax/PrefilterFacts.h), so
// that a search may skip the regular-expression engine, and the prefilter built on it. Each
// answer is "not known" (empty, or false) for a pattern that failed to compile.

#include <bitset>
#include <memory>
#include <string>
#include <vector>

#include "LiteralSearch.h"
#include "VectorScan.h"

namespace GrepEngine {

class Pattern;

// The bytes the pattern stands for when it is nothing but literal text and case matters;
// empty otherwise.
std::string PlainLiteral(const Pattern& pattern);

// Literals of which every match contains at least one (one per alternative of a top-level
// alternation), or empty when nothing is known.
std::vector<std::string> RequiredLiterals(const Pattern& pattern);

// True when no match of the pattern can contain a LF, whatever the match word (so every match
// lies within one line). False when not sure.
bool StaysOnOneLine(const Pattern& pattern);

// The bytes one position of a match may hold.
using ByteSet = std::bitset<256>;

// A run of byte sets every match holds somewhere, one position after the other (for
// "[a-z]+[0-9]{2,}": two digits in a row), the most selective the pattern offers; empty when
// none is known. Each set is what the engine itself accepts for its atom under the pattern's
// option word and locale, so it is exact for any match word (which can only narrow it).
std::vector<ByteSet> RequiredByteRun(const Pattern& pattern);

// A text without any of the required literals holds no match: checking that costs one
// vectorised pass for a few literals, a fast scan per literal otherwise.
class Prefilter {
 public:
  Prefilter() = default;
  explicit Prefilter(std::vector<std::string> required, VectorLevel level = MachineVectorLevel());

  // True when nothing is known: every text may match.
  bool Empty() const { return Table == nullptr; }
  // The required literals' scans; only when not Empty().
  const LiteralSetTable& Literals() const { return *Table; }
  // False only when [first, last) cannot hold a match.
  bool MayMatch(const char* first, const char* last) const;

 private:
  std::shared_ptr<const LiteralSetTable> Table;  // null when nothing is required
};

}  // namespace GrepEngine
