#include "unicode/CodeSet.h"

#include <algorithm>

#include "unicode/Utf8.h"

namespace GrepEngine {
namespace Unicode {
namespace {

constexpr std::uint32_t SurrogateLow = 0xD800;
constexpr std::uint32_t SurrogateHigh = 0xDFFF;

}  // namespace

void CodeSet::Add(std::uint32_t code) { Add(code, code); }

void CodeSet::Add(std::uint32_t low, std::uint32_t high) {
  if (low > high || low > LastCode) return;
  high = std::min(high, LastCode);
  if (low < SurrogateLow) AddScalars(low, std::min(high, SurrogateLow - 1));
  if (high > SurrogateHigh) AddScalars(std::max(low, SurrogateHigh + 1), high);
}

void CodeSet::AddScalars(std::uint32_t low, std::uint32_t high) {
  // Sets are mostly built in ascending order: then the new range goes on the end.
  if (ranges_.empty() || ranges_.back().High + 1 < low) {
    ranges_.push_back({low, high});
    return;
  }
  // The first range that touches or follows [low, high], and the first past all that touch it.
  const auto first = std::lower_bound(
      ranges_.begin(), ranges_.end(), low,
      [](const CodeRange& range, std::uint32_t value) { return range.High + 1 < value; });
  const auto past = std::upper_bound(
      first, ranges_.end(), high,
      [](std::uint32_t value, const CodeRange& range) { return value + 1 < range.Low; });
  if (first == past) {
    ranges_.insert(first, {low, high});
    return;
  }
  first->Low = std::min(first->Low, low);
  first->High = std::max((past - 1)->High, high);
  ranges_.erase(first + 1, past);
}

void CodeSet::Add(const CodeSet& other) {
  if (other.ranges_.empty()) return;
  if (ranges_.empty()) {
    ranges_ = other.ranges_;
    return;
  }
  // A merge of the two sorted lists, joining what overlaps or touches.
  std::vector<CodeRange> merged;
  merged.reserve(ranges_.size() + other.ranges_.size());
  auto a = ranges_.cbegin(), b = other.ranges_.cbegin();
  while (a != ranges_.cend() || b != other.ranges_.cend()) {
    const bool takeA = b == other.ranges_.cend() || (a != ranges_.cend() && a->Low <= b->Low);
    const CodeRange next = takeA ? *a++ : *b++;
    if (!merged.empty() && next.Low <= merged.back().High + 1)
      merged.back().High = std::max(merged.back().High, next.High);
    else
      merged.push_back(next);
  }
  ranges_ = std::move(merged);
}

void CodeSet::Remove(std::uint32_t code) {
  const auto at = std::upper_bound(
      ranges_.begin(), ranges_.end(), code,
      [](std::uint32_t value, const CodeRange& range) { return value < range.Low; });
  if (at == ranges_.begin()) return;
  const auto range = at - 1;
  if (range->High < code) return;
  if (range->Low == range->High) {
    ranges_.erase(range);
  } else if (range->Low == code) {
    ++range->Low;
  } else if (range->High == code) {
    --range->High;
  } else {
    const CodeRange upper{code + 1, range->High};
    range->High = code - 1;
    ranges_.insert(at, upper);
  }
}

CodeSet CodeSet::Negated() const {
  CodeSet complement;
  std::uint32_t next = 0;  // the first code point not yet known to be a member or a gap
  for (const CodeRange& range : ranges_) {
    if (range.Low > next) complement.Add(next, range.Low - 1);
    next = range.High + 1;
  }
  if (next <= LastCode) complement.Add(next, LastCode);
  return complement;
}

bool CodeSet::Contains(std::uint32_t code) const {
  // Text is mostly ASCII, whose few ranges come first: a short walk beats the search.
  if (code < 0x80) {
    for (const CodeRange& range : ranges_) {
      if (code < range.Low) return false;
      if (code <= range.High) return true;
    }
    return false;
  }
  const auto at = std::upper_bound(
      ranges_.begin(), ranges_.end(), code,
      [](std::uint32_t value, const CodeRange& range) { return value < range.Low; });
  return at != ranges_.begin() && code <= (at - 1)->High;
}

std::uint32_t CodeSet::Count() const {
  std::uint32_t count = 0;
  for (const CodeRange& range : ranges_) count += range.High - range.Low + 1;
  return count;
}

}  // namespace Unicode
}  // namespace GrepEngine
