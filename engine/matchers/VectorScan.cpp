#include "VectorScan.h"

#include <algorithm>
#include <cstring>

#include "ByteRarity.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace GrepEngine {
namespace {

using SetTables = LiteralSetTables;

// A false fit costs a comparison of up to the literal's length. Once those add up to more than
// four times the distance scanned (past an allowance), the text is made of the literal's bytes
// and the vector test no longer pays.
bool TooManyMisses(std::size_t misses, std::size_t length, std::ptrdiff_t scanned) {
  return misses * length > 4 * static_cast<std::size_t>(scanned) + 65536;
}

// The C library's two-way search: linear whatever the text.
const char* TwoWay(const char* first, const char* last, const std::string& literal) {
  if (first >= last) return nullptr;
  return static_cast<const char*>(
      memmem(first, static_cast<std::size_t>(last - first), literal.data(), literal.size()));
}

// Whether `literal` lies at `at` (its bytes are readable there). A short literal is compared
// inline: a candidate that fails on a common pair of bytes would cost more in the call to the
// C library's comparison than in the bytes it compares.
inline bool SameBytes(const char* at, const std::string& literal) {
  const std::size_t length = literal.size();
  if (length > 16) return std::memcmp(at, literal.data(), length) == 0;
  for (std::size_t i = 0; i < length; ++i)
    if (at[i] != literal[i]) return false;
  return true;
}

bool LiteralAt(const char* start, const char* last, const std::string& literal) {
  return static_cast<std::size_t>(last - start) >= literal.size() && SameBytes(start, literal);
}

// The positions too close to the end for a vector: a plain loop over fewer than a vector's
// width (plus the pairs' reach) of them.
const char* FindPairPlainly(const char* from, const char* last, const std::string& literal,
                            std::size_t offset1, std::size_t offset2) {
  if (static_cast<std::size_t>(last - from) < literal.size()) return nullptr;
  const char* const lastStart = last - literal.size();
  for (const char* start = from; start <= lastStart; ++start)
    if (start[offset1] == literal[offset1] && start[offset2] == literal[offset2] &&
        SameBytes(start, literal))
      return start;
  return nullptr;
}

const char* FindSetPlainly(const char* from, const char* last, const SetTables& set) {
  for (const char* start = from; static_cast<std::size_t>(last - start) >= set.Shortest; ++start)
    for (std::size_t k = 0; k < set.Count; ++k)
      if (LiteralAt(start, last, set.Literals[k])) return start;
  return nullptr;
}

bool InRangesPlainly(unsigned char byte, const ByteRanges& set) {
  for (std::size_t r = 0; r < set.Count; ++r)
    if (static_cast<unsigned char>(byte - set.First[r]) <= set.Span[r]) return true;
  return false;
}

const char* FindRangePairPlainly(const char* from, const char* last,
                                 const ByteRangePairFinder& pair) {
  for (const char* at = from; static_cast<std::size_t>(last - at) >= pair.Length; ++at)
    if (InRangesPlainly(static_cast<unsigned char>(at[pair.Offset[0]]), pair.Sets[0]) &&
        InRangesPlainly(static_cast<unsigned char>(at[pair.Offset[1]]), pair.Sets[1]))
      return at;
  return nullptr;
}

#if defined(__x86_64__)

namespace Sse2 {

constexpr std::size_t Width = 16;
using Vector = __m128i;
inline Vector Load(const char* at) { return _mm_loadu_si128(reinterpret_cast<const Vector*>(at)); }
inline Vector Splat(char byte) { return _mm_set1_epi8(byte); }
inline Vector Equal(Vector a, Vector b) { return _mm_cmpeq_epi8(a, b); }
inline Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
inline Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
inline Vector Sub(Vector a, Vector b) { return _mm_sub_epi8(a, b); }
inline Vector MinUnsigned(Vector a, Vector b) { return _mm_min_epu8(a, b); }
inline std::uint32_t MaskOf(Vector v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }

#include "VectorKernels.h"

}  // namespace Sse2

// Every function from here to the matching pop is compiled for AVX2 (as if each had
// __attribute__((target("avx2")))) and only called once the running machine is known to
// have it.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace Avx2 {

constexpr std::size_t Width = 32;
using Vector = __m256i;
inline Vector Load(const char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const Vector*>(at));
}
inline Vector Splat(char byte) { return _mm256_set1_epi8(byte); }
inline Vector Equal(Vector a, Vector b) { return _mm256_cmpeq_epi8(a, b); }
inline Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
inline Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
inline Vector Sub(Vector a, Vector b) { return _mm256_sub_epi8(a, b); }
inline Vector MinUnsigned(Vector a, Vector b) { return _mm256_min_epu8(a, b); }
inline std::uint32_t MaskOf(Vector v) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
}

#include "VectorKernels.h"

// The fingerprint scan: for each of the first `Prints` bytes of a position, two table lookups
// by its nibbles give the literals whose byte there it is (one bit each; with one literal per
// bit the test is exact for those bytes). Positions where some bit survives all bytes are
// compared in full.
template <std::size_t Prints>
const char* FindPrintsInBlocks(const char* first, const char* last, const SetTables& set,
                               const char*& stopped) {
  stopped = nullptr;
  const Vector nibble = _mm256_set1_epi8(0x0f);
  Vector low[Prints];
  Vector high[Prints];
  for (std::size_t j = 0; j < Prints; ++j) {
    low[j] = Load(reinterpret_cast<const char*>(set.Low[j]));
    high[j] = Load(reinterpret_cast<const char*>(set.High[j]));
  }
  std::size_t misses = 0;
  const char* block = first;
  if (static_cast<std::size_t>(last - first) >= Width + Prints - 1) {
    const char* const lastBlock = last - (Width + Prints - 1);
    for (; block <= lastBlock; block += Width) {
      Vector fits = _mm256_set1_epi8(-1);
#pragma GCC unroll 3
      for (std::size_t j = 0; j < Prints; ++j) {
        const Vector text = Load(block + j);
        const Vector lows = _mm256_and_si256(text, nibble);
        const Vector highs = _mm256_and_si256(_mm256_srli_epi16(text, 4), nibble);
        fits =
            And(fits, And(_mm256_shuffle_epi8(low[j], lows), _mm256_shuffle_epi8(high[j], highs)));
      }
      std::uint32_t any = ~MaskOf(Equal(fits, _mm256_setzero_si256()));
      if (any == 0) continue;
      alignas(32) std::uint8_t which[Width];
      _mm256_store_si256(reinterpret_cast<Vector*>(which), fits);
      while (any != 0) {
        const unsigned at = static_cast<unsigned>(__builtin_ctz(any));
        const char* start = block + at;
        for (unsigned bits = which[at]; bits != 0; bits &= bits - 1)
          if (LiteralAt(start, last, set.Literals[static_cast<unsigned>(__builtin_ctz(bits))]))
            return start;
        if (TooManyMisses(++misses, set.Longest, start - first)) {
          stopped = start;
          return nullptr;
        }
        any &= any - 1;
      }
    }
  }
  return FindSetPlainly(block, last, set);
}

const char* FindPrints(const char* first, const char* last, const SetTables& set,
                       const char*& stopped) {
  switch (set.Prints) {
    case 1:
      return FindPrintsInBlocks<1>(first, last, set, stopped);
    case 2:
      return FindPrintsInBlocks<2>(first, last, set, stopped);
    default:
      return FindPrintsInBlocks<3>(first, last, set, stopped);
  }
}

}  // namespace Avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif  // __x86_64__

}  // namespace

namespace {

// Measured on code-like text (bench/LiteralScanBench.cpp): the pairs cost grows with the
// literals, the fingerprint's does not; past four literals the fingerprint is faster.
SetKernel PreferredKernel(std::size_t literals, VectorLevel level) {
  return level == VectorLevel::Avx2 && literals > 4 ? SetKernel::Prints : SetKernel::Pairs;
}

}  // namespace

VectorLevel MachineVectorLevel() {
#if defined(__x86_64__)
  static const VectorLevel level = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? VectorLevel::Avx2 : VectorLevel::Sse2;
  }();
  return level;
#else
  return VectorLevel::Plain;
#endif
}

bool RunsHere(VectorLevel level) {
  return static_cast<int>(level) <= static_cast<int>(MachineVectorLevel());
}

LiteralPairFinder::LiteralPairFinder(const std::string& literal, VectorLevel level)
    : Literal(&literal),
      Offset1(RarestPosition(literal)),
      Offset2(RarestPositionBut(literal, Offset1)),
      Level(level) {}

const char* LiteralPairFinder::Find(const char* first, const char* last) const {
  const std::string& literal = *Literal;
  const std::size_t length = literal.size();
  if (length == 0 || first >= last || static_cast<std::size_t>(last - first) < length)
    return nullptr;
#if defined(__x86_64__)
  const std::size_t starts = static_cast<std::size_t>(last - first) - length + 1;
  if (Level == VectorLevel::Avx2 && starts >= Avx2::Width)
    return Avx2::FindPairInBlocks(first, last, literal, Offset1, Offset2);
  if (Level != VectorLevel::Plain && starts >= Sse2::Width)
    return Sse2::FindPairInBlocks(first, last, literal, Offset1, Offset2);
#endif
  return FindPairPlainly(first, last, literal, Offset1, Offset2);
}

const char* FindLiteralVectorised(const char* first, const char* last, const std::string& literal,
                                  VectorLevel level) {
  return LiteralPairFinder(literal, level).Find(first, last);
}

LiteralSetFinder::LiteralSetFinder(const std::vector<std::string>& literals, VectorLevel level)
    : LiteralSetFinder(literals, level, PreferredKernel(literals.size(), level)) {}

LiteralSetFinder::LiteralSetFinder(const std::vector<std::string>& literals, VectorLevel level,
                                   SetKernel kernel)
    : Level(level), Kernel(kernel) {
  if (level == VectorLevel::Plain || !RunsHere(level)) return;
  if (kernel == SetKernel::Prints && level != VectorLevel::Avx2) return;
  if (literals.empty() || literals.size() > MostLiterals) return;
  SetTables& set = Tables;
  set.Count = literals.size();
  set.Literals = literals;
  set.Shortest = literals[0].size();
  for (std::size_t k = 0; k < set.Count; ++k) {
    const std::string& literal = literals[k];
    if (literal.empty()) return;
    set.Shortest = std::min(set.Shortest, literal.size());
    set.Longest = std::max(set.Longest, literal.size());
    const std::string head = literal.substr(0, SetTables::PairReach);
    const std::size_t offset1 = RarestPosition(head);
    const std::size_t offset2 = RarestPositionBut(head, offset1);
    SetTables::Pair& pair = set.Pairs[k];
    pair.Offset[0] = static_cast<std::uint8_t>(offset1);
    pair.Offset[1] = static_cast<std::uint8_t>(offset2);
    pair.Byte[0] = head[offset1];
    pair.Byte[1] = head[offset2];
    set.Reach = std::max({set.Reach, offset1, offset2});
  }
  set.Prints = std::min<std::size_t>(3, set.Shortest);
  for (std::size_t k = 0; k < set.Count; ++k)
    for (std::size_t j = 0; j < set.Prints; ++j) {
      const auto byte = static_cast<unsigned char>(literals[k][j]);
      const auto bit = static_cast<std::uint8_t>(1u << k);
      for (std::size_t lane : {0u, 16u}) {
        set.Low[j][lane + (byte & 15u)] |= bit;
        set.High[j][lane + (byte >> 4)] |= bit;
      }
    }
  Usable_ = true;
}

const char* LiteralSetFinder::Find(const char* first, const char* last,
                                   const char*& stopped) const {
  stopped = nullptr;
  if (!Usable_ || first >= last) return nullptr;
#if defined(__x86_64__)
  if (Kernel == SetKernel::Prints) return Avx2::FindPrints(first, last, Tables, stopped);
  if (Level == VectorLevel::Avx2) return Avx2::FindPairSet(first, last, Tables, stopped);
  return Sse2::FindPairSet(first, last, Tables, stopped);
#else
  return FindSetPlainly(first, last, Tables);
#endif
}

bool RangesOf(const std::bitset<256>& set, ByteRanges& ranges) {
  ranges = ByteRanges();
  for (unsigned b = 0; b < 256;) {
    if (!set.test(b)) {
      ++b;
      continue;
    }
    unsigned end = b;
    while (end + 1 < 256 && set.test(end + 1)) ++end;
    if (ranges.Count == ByteRanges::MostRanges) return false;
    ranges.First[ranges.Count] = static_cast<unsigned char>(b);
    ranges.Span[ranges.Count] = static_cast<unsigned char>(end - b);
    ++ranges.Count;
    b = end + 1;
  }
  return ranges.Count != 0;
}

ByteRangePairFinder::ByteRangePairFinder(std::size_t offset1, const ByteRanges& set1,
                                         std::size_t offset2, const ByteRanges& set2,
                                         std::size_t length, VectorLevel level)
    : Offset{offset1, offset2}, Sets{set1, set2}, Length(length), Level(level) {}

const char* ByteRangePairFinder::Next(const char* from, const char* last) const {
  if (from >= last || static_cast<std::size_t>(last - from) < Length) return nullptr;
#if defined(__x86_64__)
  const std::size_t starts = static_cast<std::size_t>(last - from) - Length + 1;
  if (Level == VectorLevel::Avx2 && starts >= Avx2::Width)
    return Avx2::FindRangePairInBlocks(from, last, *this);
  if (Level != VectorLevel::Plain && starts >= Sse2::Width)
    return Sse2::FindRangePairInBlocks(from, last, *this);
#endif
  return FindRangePairPlainly(from, last, *this);
}

}  // namespace GrepEngine
