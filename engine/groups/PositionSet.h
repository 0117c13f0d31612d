#pragma once
// A set of text positions, as bits. Only the words between the lowest and the highest member
// are stored, so a set that stays near one position (a step from a single start) costs little
// however long the text is.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace GrepEngine {
namespace Groups {

class PositionSet {
 public:
  static constexpr std::size_t None = static_cast<std::size_t>(-1);

  static PositionSet Of(std::size_t position) {
    PositionSet set;
    set.Add(position);
    return set;
  }

  bool Empty() const { return Words.empty(); }

  bool Has(std::size_t position) const {
    const std::size_t word = position / 64;
    if (Words.empty() || word < FirstWord || word >= FirstWord + Words.size()) return false;
    return (Words[word - FirstWord] >> (position % 64)) & 1u;
  }

  void Add(std::size_t position) {
    const std::size_t word = position / 64;
    Cover(word, word + 1);
    Words[word - FirstWord] |= std::uint64_t{1} << (position % 64);
  }

  void Unite(const PositionSet& other) {
    if (other.Words.empty()) return;
    Cover(other.FirstWord, other.FirstWord + other.Words.size());
    for (std::size_t i = 0; i < other.Words.size(); ++i)
      Words[other.FirstWord + i - FirstWord] |= other.Words[i];
  }

  void Intersect(const PositionSet& other) {
    for (std::size_t i = 0; i < Words.size(); ++i) Words[i] &= other.WordAt(FirstWord + i);
    Trim();
  }

  void Remove(const PositionSet& other) {
    for (std::size_t i = 0; i < Words.size(); ++i) Words[i] &= ~other.WordAt(FirstWord + i);
    Trim();
  }

  // The highest member, or None.
  std::size_t Highest() const {
    if (Words.empty()) return None;
    const std::uint64_t top = Words.back();
    return (FirstWord + Words.size() - 1) * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(top));
  }

  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (std::size_t i = 0; i < Words.size(); ++i) {
      for (std::uint64_t bits = Words[i]; bits != 0; bits &= bits - 1)
        visit((FirstWord + i) * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
  }

  bool operator==(const PositionSet& other) const {
    return FirstWord == other.FirstWord && Words == other.Words;
  }

 private:
  std::uint64_t WordAt(std::size_t word) const {
    if (word < FirstWord || word >= FirstWord + Words.size()) return 0;
    return Words[word - FirstWord];
  }

  // Makes words [from, to) part of the stored range.
  void Cover(std::size_t from, std::size_t to) {
    if (Words.empty()) {
      FirstWord = from;
      Words.assign(to - from, 0);
      return;
    }
    if (from < FirstWord) {
      Words.insert(Words.begin(), FirstWord - from, 0);
      FirstWord = from;
    }
    if (to > FirstWord + Words.size()) Words.resize(to - FirstWord, 0);
  }

  // Drops empty words at both ends; an empty set stores none.
  void Trim() {
    std::size_t low = 0;
    while (low < Words.size() && Words[low] == 0) ++low;
    if (low == Words.size()) {
      Words.clear();
      FirstWord = 0;
      return;
    }
    std::size_t high = Words.size();
    while (Words[high - 1] == 0) --high;
    Words.erase(Words.begin() + static_cast<std::ptrdiff_t>(high), Words.end());
    Words.erase(Words.begin(), Words.begin() + static_cast<std::ptrdiff_t>(low));
    FirstWord += low;
  }

  std::size_t FirstWord = 0;
  std::vector<std::uint64_t> Words;
};

}  // namespace Groups
}  // namespace GrepEngine
