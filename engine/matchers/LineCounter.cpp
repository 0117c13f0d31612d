#include "engine/LineCounter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace GrepEngine {

std::size_t CountNewlines(const char* first, const char* last) {
  constexpr std::uint64_t Ones = 0x0101010101010101ull;
  constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7Full;
  std::size_t count = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: one compare, one mask, one population count.
  const __m128i newline = _mm_set1_epi8('\n');
  while (last - first >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, newline)));
    count += static_cast<std::size_t>(__builtin_popcount(mask));
    first += 16;
  }
#endif
  // Eight bytes at a time: a byte equal to LF becomes zero after the xor, and the expression
  // below sets the high bit of exactly the zero bytes.
  while (last - first >= 8) {
    std::uint64_t word;
    std::memcpy(&word, first, 8);
    word ^= Ones * '\n';
    const std::uint64_t zeroHighBits = ~(((word & Low7) + Low7) | word | Low7);
    count += static_cast<std::size_t>(__builtin_popcountll(zeroHighBits));
    first += 8;
  }
  for (; first < last; ++first) count += *first == '\n';
  return count;
}

void LineCounter::AdvanceTo(const char* to) {
  if (to <= Scanned) return;
  const std::size_t length = static_cast<std::size_t>(to - Scanned);
  const void* lastNewline = memrchr(Scanned, '\n', length);
  if (lastNewline != nullptr) {
    const char* afterIt = static_cast<const char*>(lastNewline) + 1;
    LineNumber += static_cast<unsigned>(CountNewlines(Scanned, afterIt));
    Start = afterIt;
  }
  Scanned = to;
}

}  // namespace GrepEngine
