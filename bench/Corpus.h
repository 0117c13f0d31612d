#pragma once
// Deterministic generated text for the benchmarks: lines of words, numbers, mail addresses and
// now and then the word "needle".

#include <cstddef>
#include <cstdint>
#include <string>

namespace Bench {

std::string GenerateText(std::size_t bytes, std::uint32_t seed);

}  // namespace Bench
