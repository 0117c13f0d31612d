#pragma once
// Counting line feeds fast: a search with line numbers counts every byte of its input, so
// this runs at memory speed rather than a compare and branch per byte.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace grepcore {

inline std::uint64_t CountLineFeeds(std::string_view text) {
  const char* at = text.data();
  const char* const end = at + text.size();
  std::uint64_t count = 0;
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  while (end - at >= 16) {
    // Up to 255 blocks of 16 bytes summed per byte lane before the lanes are added up.
    const std::ptrdiff_t blocks = std::min<std::ptrdiff_t>((end - at) / 16, 255);
    __m128i lanes = _mm_setzero_si128();
    for (std::ptrdiff_t i = 0; i < blocks; ++i, at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, feed));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; at != end; ++at) count += *at == '\n' ? 1u : 0u;
  return count;
}

}  // namespace grepcore
