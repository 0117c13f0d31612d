#include "LiteralSearch.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
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

// The first start in [from, last) of `literal` (two bytes or more): sixteen starts at a time
// are checked for its two least common bytes at once, the comparison made only where both
// fit. Where one byte alone is common in the text, far fewer hits are false than with it.
const char* FindByPair(const char* from, const char* last, const std::string& literal,
                       std::size_t first, std::size_t second) {
  const std::size_t size = literal.size();
  if (from >= last || static_cast<std::size_t>(last - from) < size) return nullptr;
  const char* const end = last - size + 1;  // one past the last possible start
  const char* at = from;
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

LiteralSetScanner::LiteralSetScanner(const std::vector<std::string>& literals, const char* last)
    : Last(last) {
  Entries.reserve(literals.size());
  for (const std::string& literal : literals) Entries.push_back(Entry{&literal});
}

const char* LiteralSetScanner::Next(const char* from) {
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
