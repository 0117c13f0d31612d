#include "unicode/Utf8Sequences.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "unicode/Utf8.h"

namespace GrepEngine {
namespace Unicode {
namespace {

// The last code point of each encoded length.
constexpr std::uint32_t LastOfLength[] = {0x7F, 0x7FF, 0xFFFF, LastCode};

unsigned EncodedLength(std::uint32_t code) {
  unsigned length = 1;
  while (code > LastOfLength[length - 1]) ++length;
  return length;
}

// [low, high] holds code points of one encoded length whose encodings share all bytes but the
// trailing ones, which run over every continuation byte: each position is one byte range.
void AppendRanges(std::uint32_t low, std::uint32_t high, std::vector<ByteSequence>& out) {
  std::string first, last;
  AppendUtf8(first, low);
  AppendUtf8(last, high);
  ByteSequence sequence(first.size());
  for (std::size_t i = 0; i < first.size(); ++i)
    sequence[i] = {static_cast<unsigned char>(first[i]), static_cast<unsigned char>(last[i])};
  out.push_back(std::move(sequence));
}

// Splits a range of one encoded length at the continuation-byte boundaries where the bytes of
// its ends stop being the corners of a box.
void SplitRange(std::uint32_t low, std::uint32_t high, std::vector<ByteSequence>& out) {
  const unsigned length = EncodedLength(low);
  for (unsigned trailing = 1; trailing < length; ++trailing) {
    const std::uint32_t mask = (std::uint32_t{1} << (6 * trailing)) - 1;
    if ((low & ~mask) == (high & ~mask)) continue;  // the ends differ only in these bytes
    if ((low & mask) != 0) {
      SplitRange(low, low | mask, out);
      SplitRange((low | mask) + 1, high, out);
      return;
    }
    if ((high & mask) != mask) {
      SplitRange(low, (high & ~mask) - 1, out);
      SplitRange(high & ~mask, high, out);
      return;
    }
  }
  AppendRanges(low, high, out);
}

// Whether the two sequences differ in exactly one position, where their byte ranges touch: then
// one sequence matches exactly what the two match.
bool Joinable(const ByteSequence& a, const ByteSequence& b, std::size_t& position) {
  if (a.size() != b.size()) return false;
  std::size_t differences = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    ++differences;
    position = i;
  }
  return differences == 1 && a[position].High + 1 == b[position].Low;
}

void AppendJoined(ByteSequence sequence, std::vector<ByteSequence>& out) {
  std::size_t position;
  while (!out.empty() && Joinable(out.back(), sequence, position)) {
    sequence[position].Low = out.back()[position].Low;
    out.pop_back();
  }
  out.push_back(std::move(sequence));
}

}  // namespace

std::vector<ByteSequence> Utf8Sequences(const CodeSet& set) {
  std::vector<ByteSequence> result;
  std::vector<ByteSequence> pieces;
  for (const CodeRange& range : set.Ranges()) {
    // One encoded length at a time: the lengths' own boundaries always split.
    for (std::uint32_t low = range.Low; low <= range.High;) {
      const std::uint32_t high = std::min(range.High, LastOfLength[EncodedLength(low) - 1]);
      pieces.clear();
      SplitRange(low, high, pieces);
      for (ByteSequence& piece : pieces) AppendJoined(std::move(piece), result);
      low = high + 1;
    }
  }
  return result;
}

}  // namespace Unicode
}  // namespace GrepEngine
