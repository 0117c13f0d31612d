#pragma once
// Vectorised scans for literals: 16 or 32 text positions at a time are tested for two of a
// literal's bytes (or, for a set, a fingerprint of each literal's first bytes) and only the
// positions that pass are compared in full. SSE2 is always there on x86-64; AVX2 is used when
// the running machine has it; other machines get plain loops. A scan only finds candidates
// and confirms them byte for byte: what is a match stays the caller's decision.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace GrepEngine {

enum class VectorLevel { Plain, Sse2, Avx2 };

// The widest level the running machine offers. Found out on the first call and kept in a
// function-local constant: the machine does not change while the program runs.
VectorLevel MachineVectorLevel();

// True when `level` can run here (Plain always can).
bool RunsHere(VectorLevel level);

// One literal of two bytes or more, looked for by two of its rarest bytes, tested at their
// offsets a vector at a time; when they fit too often for the full comparisons to pay, the C
// library's two-way search takes over, so a scan never costs more than linear time. The
// literal must outlive the finder; the level must run here and not be Plain.
class LiteralPairFinder {
 public:
  LiteralPairFinder(const std::string& literal, VectorLevel level);
  // The first occurrence in [first, last), or null.
  const char* Find(const char* first, const char* last) const;

 private:
  const std::string* Literal;
  std::size_t Offset1;
  std::size_t Offset2;
  VectorLevel Level;
};

// The same with the choices made on each call.
const char* FindLiteralVectorised(const char* first, const char* last, const std::string& literal,
                                  VectorLevel level);

// How a set of a few literals is scanned for in one pass.
enum class SetKernel {
  Pairs,  // each literal's two rarest bytes at their offsets (any vector level)
  Prints  // a fingerprint of the first three bytes, one bit per literal, through nibble tables
          // (AVX2 only)
};

// What a set scan reads, made once from the set: per literal its two rarest bytes among its
// first PairReach bytes (and their offsets), and per fingerprint byte the nibble tables that
// give each literal one bit.
struct LiteralSetTables {
  static constexpr std::size_t MostLiterals = 8;
  static constexpr std::size_t PairReach = 32;
  struct Pair {
    std::uint8_t Offset[2];  // equal for a literal of one byte
    char Byte[2];
  };
  std::size_t Count = 0;
  std::vector<std::string> Literals;
  std::size_t Shortest = 0;
  std::size_t Longest = 0;
  std::size_t Reach = 0;  // the farthest offset a pair reads past a position
  Pair Pairs[MostLiterals] = {};
  std::size_t Prints = 0;  // fingerprint bytes: up to 3, no more than the shortest literal
  // Per fingerprint byte, indexed by a low (high) nibble, twice over for the two 16-byte lanes.
  std::uint8_t Low[3][32] = {};
  std::uint8_t High[3][32] = {};
};

// One pass over a text for the first place where any of a few literals (at most MostLiterals,
// none empty) occurs. Built once per set; a value.
class LiteralSetFinder {
 public:
  static constexpr std::size_t MostLiterals = LiteralSetTables::MostLiterals;

  LiteralSetFinder() = default;
  // The kernel the measurements favour for `level`.
  LiteralSetFinder(const std::vector<std::string>& literals, VectorLevel level);
  LiteralSetFinder(const std::vector<std::string>& literals, VectorLevel level, SetKernel kernel);

  // False when the set cannot be scanned this way (no literal or too many, an empty one, the
  // plain level, or a kernel the level lacks): Find must not be called.
  bool Usable() const { return Usable_; }

  // The first position in [first, last) where a whole literal of the set lies within
  // [first, last), or null. When positions that pass the vector test keep failing the full
  // comparison (a text made of the literals' own bytes), the scan gives up rather than become
  // quadratic: it returns null and sets `stopped` to the position before which it found
  // nothing, for the caller to go on another way; otherwise `stopped` is null.
  const char* Find(const char* first, const char* last, const char*& stopped) const;

 private:
  bool Usable_ = false;
  VectorLevel Level = VectorLevel::Plain;
  SetKernel Kernel = SetKernel::Pairs;
  LiteralSetTables Tables;
};

// A set of bytes as a few ranges [First, First + Span]: a letter whatever its case is two, the
// digits one.
struct ByteRanges {
  static constexpr std::size_t MostRanges = 4;
  std::size_t Count = 0;
  unsigned char First[MostRanges] = {};
  unsigned char Span[MostRanges] = {};
};

// The set's ranges; false when it has none or needs more than MostRanges.
bool RangesOf(const std::bitset<256>& set, ByteRanges& ranges);

// Positions where two byte sets fit at two offsets, a vector at a time: the candidates of a run
// of byte sets (a case-insensitive literal, two digits in a row), which the caller checks.
class ByteRangePairFinder {
 public:
  ByteRangePairFinder() = default;
  // `length`: the run's length, so that a candidate leaves room for the whole run; the
  // offsets lie below it. The level must run here and not be Plain.
  ByteRangePairFinder(std::size_t offset1, const ByteRanges& set1, std::size_t offset2,
                      const ByteRanges& set2, std::size_t length, VectorLevel level);
  // The first position p in [from, last - length] whose bytes at the two offsets lie in their
  // sets, or null.
  const char* Next(const char* from, const char* last) const;

  std::size_t Offset[2] = {};
  ByteRanges Sets[2];
  std::size_t Length = 0;
  VectorLevel Level = VectorLevel::Plain;
};

}  // namespace GrepEngine
