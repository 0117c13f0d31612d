#pragma once
// Deterministic generated text for the benchmarks: lines of words, numbers, mail addresses and
// now and then the word "needle".

#include <cstddef>
#include <cstdint>
#include <string>

namespace Bench {

std::string GenerateText(std::size_t bytes, std::uint32_t seed);

// English-like lines mixed with code: keywords ("namespace" about once per 360 bytes, "struct"
// and "union" before an identifier), snake_case and Capital_snake identifiers, words followed
// by digits, and the words "value", "buffer" and "length" alone and inside identifiers.
std::string GenerateCodeText(std::size_t bytes, std::uint32_t seed);

}  // namespace Bench
