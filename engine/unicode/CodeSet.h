#pragma once
// A set of Unicode scalar values kept as sorted, disjoint, non-adjacent ranges, so two sets with
// the same members have the same ranges and a lookup is a binary search. Surrogates
// (U+D800..U+DFFF) are never members: no well-formed UTF-8 text holds them.

#include <cstdint>
#include <vector>

namespace GrepEngine {
namespace Unicode {

struct CodeRange {
  std::uint32_t Low, High;  // inclusive
};

inline bool operator==(const CodeRange& a, const CodeRange& b) {
  return a.Low == b.Low && a.High == b.High;
}
inline bool operator!=(const CodeRange& a, const CodeRange& b) { return !(a == b); }

class CodeSet {
 public:
  void Add(std::uint32_t code);
  // `low` <= `high`; the surrogates and anything above U+10FFFF are left out.
  void Add(std::uint32_t low, std::uint32_t high);
  void Add(const CodeSet& other);
  void Remove(std::uint32_t code);
  // The complement over the scalar values: 0..U+10FFFF without the surrogates.
  CodeSet Negated() const;
  bool Contains(std::uint32_t code) const;
  bool Empty() const { return ranges_.empty(); }
  // Whether every member is below U+0080 (true of the empty set).
  bool AsciiOnly() const { return ranges_.empty() || ranges_.back().High < 0x80; }
  // How many code points are members.
  std::uint32_t Count() const;
  const std::vector<CodeRange>& Ranges() const { return ranges_; }

  friend bool operator==(const CodeSet& a, const CodeSet& b) { return a.ranges_ == b.ranges_; }
  friend bool operator!=(const CodeSet& a, const CodeSet& b) { return !(a == b); }

 private:
  // Adds a range that holds no surrogate and nothing above U+10FFFF.
  void AddScalars(std::uint32_t low, std::uint32_t high);

  std::vector<CodeRange> ranges_;
};

}  // namespace Unicode
}  // namespace GrepEngine
