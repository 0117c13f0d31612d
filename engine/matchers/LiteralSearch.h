#pragma once
// Finding a literal in a text with a fast byte scan instead of the regular-expression engine.

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <vector>

namespace GrepEngine {

// The first occurrence of `literal` in [first, last), or null. An empty literal is not looked
// for (null).
const char* FindLiteral(const char* first, const char* last, const std::string& literal);

// A few literals looked for at once: the first bytes of each are a fingerprint that is
// checked for thirty-two starts at a time with table lookups (where the processor has AVX2),
// and only a start whose fingerprint fits one of them is compared with that literal.
class PackedLiteralSet {
 public:
  explicit PackedLiteralSet(const std::vector<std::string>& literals);

  // Up to eight literals, none empty, and the instructions there: else Find is not used.
  bool Usable() const { return Ok; }

  // The first start in [from, last) of one of the literals that fits wholly before `last`, or
  // null. Asked again from a later position before the last hit, it keeps that hit.
  const char* Find(const char* from, const char* last);

 private:
  const std::vector<std::string>* Literals;
  std::size_t Fingerprint = 0;                 // bytes of each literal in its fingerprint: up to 3
  alignas(16) unsigned char Low[3][16] = {};   // per fingerprint byte and low nibble: literals
  alignas(16) unsigned char High[3][16] = {};  // per fingerprint byte and high nibble: literals
  bool Ok = false;
  const char* LastFrom = nullptr;  // the last search began here
  const char* LastHit = nullptr;   // and found this (null: nothing before its end)
  const char* LastEnd = nullptr;
};

// Finds, position by position, the next occurrence of any of several literals in one text.
// Each literal is scanned for once per occurrence: positions asked for only move forward.
class LiteralSetScanner {
 public:
  LiteralSetScanner(const std::vector<std::string>& literals, const char* last);

  // The first occurrence at or after `from` of any of the literals, or null. `from` never
  // moves backwards from one call to the next.
  const char* Next(const char* from);

 private:
  struct Entry {
    const std::string* Literal;
    const char* Hit = nullptr;  // the next occurrence found so far; null: not looked for yet
    bool Exhausted = false;     // no occurrence after the last one looked for
  };
  std::vector<Entry> Entries;
  const char* Last;
  PackedLiteralSet Packed;
};

// A run of byte sets as the scanner looks them up, made once per pattern: a search that
// starts again on every line builds nothing.
struct ByteRunTable {
  explicit ByteRunTable(const std::vector<std::bitset<256>>& run);
  std::vector<std::array<bool, 256>> Members;
  std::size_t Anchor = 0;  // the position with the fewest members, scanned for
};

// Finds the next place where a run of byte sets fits: bytes b0 b1 ... with each bi in set i.
// It scans for the position with the fewest members and checks the others around each hit.
class ByteRunScanner {
 public:
  ByteRunScanner(const ByteRunTable& table, const char* last) : Table(&table), Last(last) {}

  // The first position at or after `from` where the whole run fits before the text's end,
  // or null.
  const char* Next(const char* from) const;

 private:
  const ByteRunTable* Table;
  const char* Last;
};

}  // namespace GrepEngine
