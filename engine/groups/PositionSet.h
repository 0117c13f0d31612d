#pragma once
// A set of text positions, as bits. Only the words between the lowest and the highest member
// are stored, and up to two words (128 positions) without allocating, so a set that stays near
// one position (a step from a single start) costs little however long the text is.

#include <algorithm>
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

  bool Empty() const { return Count == 0; }

  bool Has(std::size_t position) const { return (WordAt(position / 64) >> (position % 64)) & 1u; }

  void Add(std::size_t position) {
    const std::size_t word = position / 64;
    Cover(word, word + 1);
    Data()[word - FirstWord] |= std::uint64_t{1} << (position % 64);
  }

  void Unite(const PositionSet& other) {
    if (other.Count == 0) return;
    Cover(other.FirstWord, other.FirstWord + other.Count);
    std::uint64_t* words = Data() + (other.FirstWord - FirstWord);
    const std::uint64_t* theirs = other.Data();
    for (std::size_t i = 0; i < other.Count; ++i) words[i] |= theirs[i];
  }

  void Intersect(const PositionSet& other) {
    std::uint64_t* words = Data();
    for (std::size_t i = 0; i < Count; ++i) words[i] &= other.WordAt(FirstWord + i);
    Trim();
  }

  void Remove(const PositionSet& other) {
    std::uint64_t* words = Data();
    for (std::size_t i = 0; i < Count; ++i) words[i] &= ~other.WordAt(FirstWord + i);
    Trim();
  }

  // The highest member, or None.
  std::size_t Highest() const {
    if (Count == 0) return None;
    const std::uint64_t top = Data()[Count - 1];
    return (FirstWord + Count - 1) * 64 + 63 - static_cast<std::size_t>(__builtin_clzll(top));
  }

  template <class Visit>
  void ForEach(Visit&& visit) const {
    const std::uint64_t* words = Data();
    for (std::size_t i = 0; i < Count; ++i) {
      for (std::uint64_t bits = words[i]; bits != 0; bits &= bits - 1)
        visit((FirstWord + i) * 64 + static_cast<std::size_t>(__builtin_ctzll(bits)));
    }
  }

 private:
  static constexpr std::size_t InlineWords = 2;

  bool OnHeap() const { return Count > InlineWords; }
  std::uint64_t* Data() { return OnHeap() ? Heap.data() : Inline; }
  const std::uint64_t* Data() const { return OnHeap() ? Heap.data() : Inline; }

  std::uint64_t WordAt(std::size_t word) const {
    if (word < FirstWord || word >= FirstWord + Count) return 0;
    return Data()[word - FirstWord];
  }

  // Makes words [from, to) part of the stored range, keeping the members.
  void Cover(std::size_t from, std::size_t to) {
    if (Count == 0) {
      FirstWord = from;
      Resize(0, to - from);
      return;
    }
    const std::size_t low = std::min(from, FirstWord);
    const std::size_t high = std::max(to, FirstWord + Count);
    if (low == FirstWord && high == FirstWord + Count) return;
    Resize(FirstWord - low, high - low);
    FirstWord = low;
  }

  // `count` words, the present ones moved up by `shift`, the new ones zero.
  void Resize(std::size_t shift, std::size_t count) {
    std::uint64_t before[InlineWords] = {0, 0};
    std::vector<std::uint64_t> spare;
    const std::size_t had = Count;
    if (OnHeap()) spare.swap(Heap);
    else std::copy(Inline, Inline + had, before);
    const std::uint64_t* old = had > InlineWords ? spare.data() : before;
    Count = count;
    std::uint64_t* words;
    if (count > InlineWords) {
      Heap.assign(count, 0);
      words = Heap.data();
    } else {
      std::fill(Inline, Inline + InlineWords, 0);
      words = Inline;
    }
    for (std::size_t i = 0; i < had && i + shift < count; ++i) words[i + shift] = old[i];
  }

  // Drops empty words at both ends; an empty set stores none.
  void Trim() {
    const std::uint64_t* words = Data();
    std::size_t low = 0;
    while (low < Count && words[low] == 0) ++low;
    if (low == Count) {
      Heap.clear();
      Count = 0;
      FirstWord = 0;
      return;
    }
    std::size_t high = Count;
    while (words[high - 1] == 0) --high;
    if (low == 0 && high == Count) return;
    const std::size_t kept = high - low;
    FirstWord += low;
    if (!OnHeap()) {
      std::copy(Inline + low, Inline + high, Inline);
      std::fill(Inline + kept, Inline + InlineWords, 0);
    } else if (kept > InlineWords) {
      Heap.erase(Heap.begin() + static_cast<std::ptrdiff_t>(high), Heap.end());
      Heap.erase(Heap.begin(), Heap.begin() + static_cast<std::ptrdiff_t>(low));
    } else {
      std::fill(Inline, Inline + InlineWords, 0);
      std::copy(Heap.begin() + static_cast<std::ptrdiff_t>(low), Heap.begin() + static_cast<std::ptrdiff_t>(high), Inline);
      Heap.clear();
    }
    Count = kept;
  }

  std::size_t FirstWord = 0;
  std::size_t Count = 0;  // words stored: in Inline up to InlineWords, else in Heap
  std::uint64_t Inline[InlineWords] = {0, 0};
  std::vector<std::uint64_t> Heap;
};

}  // namespace Groups
}  // namespace GrepEngine
