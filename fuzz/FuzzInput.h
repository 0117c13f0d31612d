#pragma once
// Takes a fuzzer's bytes apart into numbers and byte strings.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace Fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

  template <class Number>
  Number Take() {
    Number value{};
    const std::size_t n = Size - At < sizeof value ? Size - At : sizeof value;
    std::memcpy(&value, Data + At, n);
    At += n;
    return value;
  }

  // Bytes up to the next 0xFF byte (or the end); the separator is consumed.
  std::string Piece() {
    std::string piece;
    while (At < Size && Data[At] != 0xFF) piece += static_cast<char>(Data[At++]);
    if (At < Size) ++At;
    return piece;
  }

  bool Empty() const { return At >= Size; }

 private:
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t At = 0;
};

}  // namespace Fuzz
