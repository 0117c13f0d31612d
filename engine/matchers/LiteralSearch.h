#pragma once
// Finding a literal in a text with a fast byte scan instead of the regular-expression engine.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VectorScan.h"

namespace GrepEngine {

// The first occurrence of `literal` in [first, last), or null. An empty literal is not looked
// for (null). A vectorised scan where the machine has one.
const char* FindLiteral(const char* first, const char* last, const std::string& literal);

// The same by memchr on the literal's rarest byte and a comparison: the scan of machines
// without vectors, and the reference the vectorised scans are tested against.
const char* FindLiteralByRareByte(const char* first, const char* last, const std::string& literal);

// FindLiteral with its choices made once, for many scans for one literal. The literal must
// outlive the finder.
class LiteralFinder {
 public:
  explicit LiteralFinder(const std::string& literal, VectorLevel level = MachineVectorLevel());
  const char* Find(const char* first, const char* last) const;

 private:
  const std::string* Literal;
  bool ByRareByte;  // one byte (memchr is as fast), or no vectors
  LiteralPairFinder Pair;
};

// A set of literals as the scanner looks them up: each literal's own finder and the set's
// one vectorised pass. Made once per pattern, so a search per file or per line builds nothing.
struct LiteralSetTable {
  explicit LiteralSetTable(std::vector<std::string> literals,
                           VectorLevel level = MachineVectorLevel());
  // The finders point into Literals.
  LiteralSetTable(const LiteralSetTable&) = delete;
  LiteralSetTable& operator=(const LiteralSetTable&) = delete;

  std::vector<std::string> Literals;
  std::vector<LiteralFinder> Finders;  // one per literal, in their order
  LiteralSetFinder Finder;             // usable for a few literals on machines with vectors
  // Each literal as the bytes of a word read in memory order, with the mask of its length, to
  // compare every literal with the eight bytes at a place without a call per literal; empty
  // when a literal is longer than eight bytes.
  struct Word {
    std::uint64_t Bytes = 0;
    std::uint64_t Mask = 0;
    std::ptrdiff_t Length = 0;
  };
  std::vector<Word> Words;
};

// Finds, position by position, the next occurrence of any of several literals in one text:
// a set of a few literals in one vectorised pass, others (or where that pass gives up) one
// scan per literal, each literal scanned for once per occurrence.
class LiteralSetScanner {
 public:
  // The table must outlive the scanner.
  LiteralSetScanner(const LiteralSetTable& table, const char* last);
  // With a table of its own.
  LiteralSetScanner(const std::vector<std::string>& literals, const char* last,
                    VectorLevel level = MachineVectorLevel());

  // The first occurrence at or after `from` of any of the literals that ends by the text's
  // end, or null. `from` never moves backwards from one call to the next.
  const char* Next(const char* from);

 private:
  const char* NextByLiteral(const char* from);

  struct Entry {
    const char* Hit = nullptr;  // the next occurrence found so far; null: not looked for yet
    bool Exhausted = false;     // no occurrence after the last one looked for
  };
  std::shared_ptr<const LiteralSetTable> Owned;
  const LiteralSetTable* Table;
  std::vector<Entry> Entries;  // one per literal, made when the scans one by one start
  const char* Last;
  bool ByLiteral = true;  // the set's one pass is not used (or gave up)
  // The one pass's last answer: the first occurrence at or after SearchedFrom (null: none).
  const char* SearchedFrom = nullptr;
  const char* SearchedHit = nullptr;
};

// A run of byte sets as the scanner looks them up: bytes b0 b1 ... with each bi in set i. The
// two positions with the fewest members are scanned for, a vector at a time where their sets
// are a few byte ranges (a letter of a case-insensitive literal, a digit), else byte by byte
// for the one with the fewest, and the others are checked around each hit. Made once per
// pattern, so a search that starts again on every line builds nothing.
struct ByteRunTable {
  explicit ByteRunTable(const std::vector<std::bitset<256>>& run,
                        VectorLevel level = MachineVectorLevel());

  std::vector<std::array<bool, 256>> Members;
  std::size_t Anchor = 0;  // the position scanned for byte by byte
  bool Vectorised = false;
  ByteRangePairFinder Candidates;
};

// Finds the next place in a text where a run of byte sets fits.
class ByteRunScanner {
 public:
  // The table must outlive the scanner.
  ByteRunScanner(const ByteRunTable& table, const char* last) : Table(&table), Last(last) {}
  // With a table of its own.
  ByteRunScanner(const std::vector<std::bitset<256>>& run, const char* last,
                 VectorLevel level = MachineVectorLevel());

  // The first position at or after `from` where the whole run fits before the text's end,
  // or null.
  const char* Next(const char* from) const;

 private:
  bool Fits(const char* at) const;

  std::shared_ptr<const ByteRunTable> Owned;
  const ByteRunTable* Table;
  const char* Last;
};

}  // namespace GrepEngine
