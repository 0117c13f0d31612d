#pragma once
// How common a byte is in text and source code, roughly, so that a scan looks for a literal by
// its least common bytes: most places where those fit are then real occurrences.

#include <cstddef>
#include <string>

namespace GrepEngine {

// The higher, the more common; 0 for a byte not among the usual ones.
unsigned Commonness(unsigned char byte);

// The position of the literal's least common byte (the first such); 0 for an empty literal.
std::size_t RarestPosition(const std::string& literal);

// The position of the least common byte other than the one at `except`; `except` for a
// literal of one byte.
std::size_t RarestPositionBut(const std::string& literal, std::size_t except);

}  // namespace GrepEngine
