#include "engine/LineCounter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "VectorScan.h"

namespace GrepEngine {
namespace {

#if defined(__x86_64__)
// As the SSE2 count below, thirty-two bytes at a time in two independent sums, so that the
// loop is bound by the loads, not by one chain of additions.
__attribute__((target("avx2"))) std::size_t CountWithAvx2(const char*& first, const char* last) {
  std::size_t count = 0;
  const __m256i newline = _mm256_set1_epi8('\n');
  while (last - first >= 64) {
    const std::ptrdiff_t pairs = std::min<std::ptrdiff_t>((last - first) / 64, 255);
    __m256i lanes0 = _mm256_setzero_si256(), lanes1 = _mm256_setzero_si256();
    for (std::ptrdiff_t i = 0; i < pairs; ++i, first += 64) {
      const __m256i block0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first));
      const __m256i block1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + 32));
      lanes0 = _mm256_sub_epi8(lanes0, _mm256_cmpeq_epi8(block0, newline));
      lanes1 = _mm256_sub_epi8(lanes1, _mm256_cmpeq_epi8(block1, newline));
    }
    const __m256i sums = _mm256_add_epi64(_mm256_sad_epu8(lanes0, _mm256_setzero_si256()),
                                          _mm256_sad_epu8(lanes1, _mm256_setzero_si256()));
    count += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0)) +
             static_cast<std::size_t>(_mm256_extract_epi64(sums, 1)) +
             static_cast<std::size_t>(_mm256_extract_epi64(sums, 2)) +
             static_cast<std::size_t>(_mm256_extract_epi64(sums, 3));
  }
  return count;
}
#endif

}  // namespace

std::size_t CountNewlines(const char* first, const char* last) {
  std::size_t count = 0;
#if defined(__x86_64__)
  if (last - first >= 64 && MachineVectorLevel() == VectorLevel::Avx2)
    count += CountWithAvx2(first, last);
#endif
#if defined(__SSE2__)
  // Sixteen bytes at a time, each byte lane summing its LFs for up to 255 blocks before the
  // lanes are added up: no population count, which without its instruction is a library call.
  const __m128i newline = _mm_set1_epi8('\n');
  while (last - first >= 16) {
    const std::ptrdiff_t blocks = std::min<std::ptrdiff_t>((last - first) / 16, 255);
    __m128i lanes = _mm_setzero_si128();
    for (std::ptrdiff_t i = 0; i < blocks; ++i, first += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(block, newline));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#else
  // Eight bytes at a time: a byte equal to LF becomes zero after the xor, and the expression
  // below sets the high bit of exactly the zero bytes.
  constexpr std::uint64_t Ones = 0x0101010101010101ull;
  constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7Full;
  while (last - first >= 8) {
    std::uint64_t word;
    std::memcpy(&word, first, 8);
    word ^= Ones * '\n';
    const std::uint64_t zeroHighBits = ~(((word & Low7) + Low7) | word | Low7);
    count += static_cast<std::size_t>(__builtin_popcountll(zeroHighBits));
    first += 8;
  }
#endif
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
