#pragma once
// A set of code points as UTF-8 byte patterns, for engines that match bytes: each sequence is a
// plain byte range per position, and together they match the encodings of the members and no
// other byte string.

#include <vector>

#include "unicode/CodeSet.h"

namespace GrepEngine {
namespace Unicode {

struct ByteRange {
  unsigned char Low, High;  // inclusive
};

inline bool operator==(const ByteRange& a, const ByteRange& b) {
  return a.Low == b.Low && a.High == b.High;
}
inline bool operator!=(const ByteRange& a, const ByteRange& b) { return !(a == b); }

using ByteSequence = std::vector<ByteRange>;  // 1 to 4 ranges

// Byte sequences that together match exactly the UTF-8 encodings of the set's members: no
// overlong form, no surrogate, no stray byte. A code point range is split only where one byte
// range per position cannot say it, and neighbours that differ in one position are joined, so
// U+0000..U+007F is one sequence and U+0080..U+10FFFF eight. In ascending order of the code
// points they match, and no two match the same string.
std::vector<ByteSequence> Utf8Sequences(const CodeSet& set);

}  // namespace Unicode
}  // namespace GrepEngine
