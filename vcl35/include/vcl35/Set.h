#pragma once
// Set<T, lo, hi>: a set of the enumerators lo..hi of T, bit n standing for ordinal n, held in
// the fewest whole bytes that cover hi (2 bytes for up to 16 enumerators).

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace vcl35 {

template <class T, int lo, int hi>
class Set {
  static_assert(lo >= 0 && hi >= lo && hi < 32, "the stand-in holds up to 32 enumerators");

 public:
  using Storage = std::conditional_t<(hi < 8), std::uint8_t,
                                     std::conditional_t<(hi < 16), std::uint16_t, std::uint32_t>>;

  Set() = default;
  Set(std::initializer_list<T> values) {
    for (T value : values) *this << value;
  }

  static Set FromBits(std::uint32_t bits) {
    Set set;
    set.Bits = static_cast<Storage>(bits & Mask());
    return set;
  }
  std::uint32_t ToBits() const { return Bits; }

  // Adds or removes one enumerator; values outside lo..hi are ignored.
  Set& operator<<(T value) {
    if (InRange(value)) Bits = static_cast<Storage>(Bits | BitOf(value));
    return *this;
  }
  Set& operator>>(T value) {
    if (InRange(value)) Bits = static_cast<Storage>(Bits & ~BitOf(value));
    return *this;
  }
  bool Contains(T value) const { return InRange(value) && (Bits & BitOf(value)) != 0; }
  bool Empty() const { return Bits == 0; }
  Set& Clear() {
    Bits = 0;
    return *this;
  }

  friend bool operator==(const Set& a, const Set& b) { return a.Bits == b.Bits; }
  friend bool operator!=(const Set& a, const Set& b) { return a.Bits != b.Bits; }
  friend Set operator+(Set a, const Set& b) { return FromBits(a.Bits | b.Bits); }
  friend Set operator-(Set a, const Set& b) { return FromBits(a.Bits & ~b.Bits); }
  friend Set operator*(Set a, const Set& b) { return FromBits(a.Bits & b.Bits); }

 private:
  static constexpr std::uint32_t Mask() {
    return hi >= 31 ? 0xFFFFFFFFu
                    : ((std::uint32_t{1} << (hi + 1)) - 1) & ~((std::uint32_t{1} << lo) - 1);
  }
  static bool InRange(T value) {
    const int ordinal = static_cast<int>(value);
    return ordinal >= lo && ordinal <= hi;
  }
  static Storage BitOf(T value) {
    return static_cast<Storage>(std::uint32_t{1} << static_cast<int>(value));
  }

  Storage Bits = 0;
};

}  // namespace vcl35
