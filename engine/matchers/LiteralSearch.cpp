#include "LiteralSearch.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define GREPTOOLKIT_PAIR_AVX2 1
#endif

namespace GrepEngine {

namespace {

// How common a byte is in text and source code, roughly: the higher, the more common. A
// literal is looked for by its least common byte, which the C library's memchr finds at
// memory speed; most hits are then real.
constexpr char CommonBytes[] = " etaoinsrlhdcumfpgywb,.\n_vk()=;-xTSAEIRNO0123456789:\"'/*#{}<>jqz";

struct CommonnessTable {
  unsigned char Rank[256] = {};
  constexpr CommonnessTable() {
    constexpr std::size_t count = sizeof CommonBytes - 1;
    for (std::size_t i = 0; i < count; ++i)
      Rank[static_cast<unsigned char>(CommonBytes[i])] = static_cast<unsigned char>(count - i);
  }
};

constexpr CommonnessTable Commonness;

std::size_t RarestPosition(const std::string& literal) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < literal.size(); ++i)
    if (Commonness.Rank[static_cast<unsigned char>(literal[i])] <
        Commonness.Rank[static_cast<unsigned char>(literal[best])])
      best = i;
  return best;
}

// The least common byte's position after `rarest`'s, for a literal of two bytes or more.
std::size_t SecondRarestPosition(const std::string& literal, std::size_t rarest) {
  std::size_t best = rarest == 0 ? 1 : 0;
  for (std::size_t i = 0; i < literal.size(); ++i)
    if (i != rarest && Commonness.Rank[static_cast<unsigned char>(literal[i])] <
                           Commonness.Rank[static_cast<unsigned char>(literal[best])])
      best = i;
  return best;
}

#if defined(GREPTOOLKIT_PAIR_AVX2)
// FindByPair's loop on thirty-two starts at a time, where the processor has the instructions;
// it returns where the caller's loop goes on when it found nothing.
__attribute__((target("avx2"))) const char* PairsWide(const char*& at, const char* end,
                                                      const std::string& literal, std::size_t first,
                                                      std::size_t second) {
  const __m256i one = _mm256_set1_epi8(literal[first]);
  const __m256i two = _mm256_set1_epi8(literal[second]);
  for (; end - at >= 32; at += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + first));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + second));
    auto mask = static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(a, one), _mm256_cmpeq_epi8(b, two))));
    while (mask != 0) {
      const char* start = at + __builtin_ctz(mask);
      if (std::memcmp(start, literal.data(), literal.size()) == 0) return start;
      mask &= mask - 1;
    }
  }
  return nullptr;
}

bool HasWidePairs() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// The first start in [from, last) of `literal` (two bytes or more): sixteen (or thirty-two)
// starts at a time are checked for its two least common bytes at once, the comparison made
// only where both fit. Where one byte alone is common in the text, far fewer hits are false.
const char* FindByPair(const char* from, const char* last, const std::string& literal,
                       std::size_t first, std::size_t second) {
  const std::size_t size = literal.size();
  if (from >= last || static_cast<std::size_t>(last - from) < size) return nullptr;
  const char* const end = last - size + 1;  // one past the last possible start
  const char* at = from;
#if defined(GREPTOOLKIT_PAIR_AVX2)
  if (HasWidePairs()) {
    const char* found = PairsWide(at, end, literal, first, second);
    if (found != nullptr) return found;
  }
#endif
#if defined(__SSE2__)
  const __m128i one = _mm_set1_epi8(literal[first]);
  const __m128i two = _mm_set1_epi8(literal[second]);
  for (; end - at >= 16; at += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + first));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, one), _mm_cmpeq_epi8(b, two))));
    while (mask != 0) {
      const char* start = at + __builtin_ctz(mask);
      if (std::memcmp(start, literal.data(), size) == 0) return start;
      mask &= mask - 1;
    }
  }
#endif
  for (; at < end; ++at)
    if (at[first] == literal[first] && std::memcmp(at, literal.data(), size) == 0) return at;
  return nullptr;
}

}  // namespace

const char* FindLiteral(const char* first, const char* last, const std::string& literal) {
  if (literal.empty() || first >= last) return nullptr;
  const std::size_t length = static_cast<std::size_t>(last - first);
  if (literal.size() == 1) return static_cast<const char*>(std::memchr(first, literal[0], length));
  if (literal.size() > length) return nullptr;
  // memchr for the rarest byte, then a comparison; when the byte turns out common in this text
  // (more false hits than one per 128 bytes passed), the scan for two bytes at once takes over.
  const std::size_t rare = RarestPosition(literal);
  const char* from = first + rare;
  const char* const end = last - (literal.size() - 1 - rare);
  std::size_t misses = 0;
  while (from < end) {
    const auto* hit = static_cast<const char*>(
        std::memchr(from, literal[rare], static_cast<std::size_t>(end - from)));
    if (hit == nullptr) return nullptr;
    const char* start = hit - rare;
    if (std::memcmp(start, literal.data(), literal.size()) == 0) return start;
    from = hit + 1;
    if (++misses * 128 > static_cast<std::size_t>(from - first) + 4096)
      return FindByPair(start + 1, last, literal, rare, SecondRarestPosition(literal, rare));
  }
  return nullptr;
}

#if defined(GREPTOOLKIT_PAIR_AVX2)
namespace {

// From `at` on, thirty-two starts at a time while 32 + fingerprint bytes are left: the first
// block with candidates, its mask of starts returned and, per start, the bits of the literals
// whose fingerprint fits there; 0 with `at` where the blocks ended.
__attribute__((target("avx2"))) unsigned NextCandidates(const char*& at, const char* last,
                                                        std::size_t fingerprint,
                                                        const unsigned char (*low)[16],
                                                        const unsigned char (*high)[16],
                                                        unsigned char (&bits)[32]) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i lowTables[3], highTables[3];
  for (std::size_t j = 0; j < fingerprint; ++j) {
    lowTables[j] =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(low[j])));
    highTables[j] =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(high[j])));
  }
  for (; last - at >= static_cast<std::ptrdiff_t>(32 + fingerprint); at += 32) {
    __m256i fits = _mm256_set1_epi8(static_cast<char>(0xFF));
    for (std::size_t j = 0; j < fingerprint; ++j) {
      const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + j));
      const __m256i lows = _mm256_shuffle_epi8(lowTables[j], _mm256_and_si256(bytes, nibble));
      const __m256i highs =
          _mm256_shuffle_epi8(highTables[j], _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
      fits = _mm256_and_si256(fits, _mm256_and_si256(lows, highs));
    }
    const auto none = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(fits, _mm256_setzero_si256())));
    if (none == 0xFFFFFFFFu) continue;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bits), fits);
    return ~none;
  }
  return 0;
}

}  // namespace
#endif

PackedLiteralSet::PackedLiteralSet(const std::vector<std::string>& literals) : Literals(&literals) {
#if defined(GREPTOOLKIT_PAIR_AVX2)
  if (literals.empty() || literals.size() > 8 || !HasWidePairs()) return;
  Fingerprint = 3;
  for (const std::string& literal : literals) Fingerprint = std::min(Fingerprint, literal.size());
  if (Fingerprint == 0) return;
  for (std::size_t k = 0; k < literals.size(); ++k) {
    for (std::size_t j = 0; j < Fingerprint; ++j) {
      const auto byte = static_cast<unsigned char>(literals[k][j]);
      Low[j][byte & 0x0F] |= static_cast<unsigned char>(1u << k);
      High[j][byte >> 4] |= static_cast<unsigned char>(1u << k);
    }
  }
  Ok = true;
#endif
}

const char* PackedLiteralSet::Find(const char* from, const char* last) {
  if (LastFrom != nullptr && from >= LastFrom && last == LastEnd &&
      (LastHit == nullptr || from <= LastHit))
    return LastHit;
  LastFrom = from;
  LastEnd = last;
  const auto fitsAt = [&](const char* start, unsigned literals) -> bool {
    for (unsigned k = 0; literals != 0; ++k, literals >>= 1) {
      if ((literals & 1u) == 0) continue;
      const std::string& literal = (*Literals)[k];
      if (static_cast<std::size_t>(last - start) >= literal.size() &&
          std::memcmp(start, literal.data(), literal.size()) == 0)
        return true;
    }
    return false;
  };
  const char* at = from;
#if defined(GREPTOOLKIT_PAIR_AVX2)
  if (Ok) {
    unsigned char bits[32];
    for (;;) {
      unsigned mask = NextCandidates(at, last, Fingerprint, Low, High, bits);
      if (mask == 0) break;
      while (mask != 0) {
        const unsigned i = static_cast<unsigned>(__builtin_ctz(mask));
        if (fitsAt(at + i, bits[i])) return LastHit = at + i;
        mask &= mask - 1;
      }
      at += 32;
    }
  }
#endif
  for (; at < last; ++at)
    if (fitsAt(at, (1u << Literals->size()) - 1u)) return LastHit = at;
  return LastHit = nullptr;
}

LiteralSetScanner::LiteralSetScanner(const std::vector<std::string>& literals, const char* last)
    : Last(last), Packed(literals) {
  Entries.reserve(literals.size());
  for (const std::string& literal : literals) Entries.push_back(Entry{&literal});
}

const char* LiteralSetScanner::Next(const char* from) {
  if (Packed.Usable()) return Packed.Find(from, Last);
  const char* nearest = nullptr;
  for (Entry& entry : Entries) {
    if (entry.Exhausted) continue;
    if (entry.Hit == nullptr || entry.Hit < from) {
      entry.Hit = FindLiteral(from, Last, *entry.Literal);
      if (entry.Hit == nullptr) {
        entry.Exhausted = true;
        continue;
      }
    }
    if (nearest == nullptr || entry.Hit < nearest) nearest = entry.Hit;
  }
  return nearest;
}

ByteRunTable::ByteRunTable(const std::vector<std::bitset<256>>& run) : Members(run.size()) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    for (unsigned b = 0; b < 256; ++b) Members[i][b] = run[i].test(b);
    if (run[i].count() < run[Anchor].count()) Anchor = i;
  }
}

const char* ByteRunScanner::Next(const char* from) const {
  const std::vector<std::array<bool, 256>>& members = Table->Members;
  const std::size_t anchorAt = Table->Anchor;
  const std::size_t length = members.size();
  if (length == 0 || from >= Last || static_cast<std::size_t>(Last - from) < length) return nullptr;
  const auto* const bytes = reinterpret_cast<const unsigned char*>(from);
  const std::size_t starts = static_cast<std::size_t>(Last - from) - length + 1;
  const std::array<bool, 256>& anchor = members[anchorAt];
  for (std::size_t start = 0; start < starts; ++start) {
    if (!anchor[bytes[start + anchorAt]]) continue;
    std::size_t i = 0;
    while (i < length && members[i][bytes[start + i]]) ++i;
    if (i == length) return from + start;
  }
  return nullptr;
}

}  // namespace GrepEngine
