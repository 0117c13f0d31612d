#include "LiteralSearch.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "ByteRarity.h"

namespace GrepEngine {
LiteralFinder::LiteralFinder(const std::string& literal, VectorLevel level)
    : Literal(&literal),
      ByRareByte(level == VectorLevel::Plain || literal.size() <= 1),
      Pair(literal, ByRareByte ? VectorLevel::Plain : level) {}

const char* LiteralFinder::Find(const char* first, const char* last) const {
  return ByRareByte ? FindLiteralByRareByte(first, last, *Literal) : Pair.Find(first, last);
}

const char* FindLiteral(const char* first, const char* last, const std::string& literal) {
  return LiteralFinder(literal).Find(first, last);
}

const char* FindLiteralByRareByte(const char* first, const char* last, const std::string& literal) {
  if (literal.empty() || first >= last) return nullptr;
  const std::size_t length = static_cast<std::size_t>(last - first);
  if (literal.size() == 1) return static_cast<const char*>(std::memchr(first, literal[0], length));
  if (literal.size() > length) return nullptr;
  // memchr for the rarest byte, then a comparison; when the byte turns out common in this text
  // (more false hits than one per 32 bytes passed), the C library's two-way search, which is
  // never quadratic, takes over.
  const std::size_t rare = RarestPosition(literal);
  const char* from = first + rare;
  const char* const end = last - (literal.size() - 1 - rare);
  std::size_t misses = 0;
  while (from < end) {
    const auto* hit = static_cast<const char*>(
        std::memchr(from, literal[rare], static_cast<std::size_t>(end - from)));
    if (hit == nullptr) return nullptr;
    const char* start = hit - rare;
    if (std::memcmp(start, literal.data(), literal.size()) == 0) return start;
    from = hit + 1;
    if (++misses * 32 > static_cast<std::size_t>(from - first) + 1024) {
      const std::size_t rest = static_cast<std::size_t>(last - start - 1);
      return static_cast<const char*>(memmem(start + 1, rest, literal.data(), literal.size()));
    }
  }
  return nullptr;
}

LiteralSetTable::LiteralSetTable(std::vector<std::string> literals, VectorLevel level)
    : Literals(std::move(literals)) {
  Finders.reserve(Literals.size());
  for (const std::string& literal : Literals) Finders.emplace_back(literal, level);
  // One literal is best found by its own scan.
  if (Literals.size() > 1) Finder = LiteralSetFinder(Literals, level);
  const bool allShort = std::all_of(Literals.begin(), Literals.end(),
                                    [](const std::string& literal) { return literal.size() <= 8; });
  if (!allShort) return;
  for (const std::string& literal : Literals) {
    Word word;
    std::memcpy(&word.Bytes, literal.data(), literal.size());
    unsigned char mask[8] = {};
    std::memset(mask, 0xFF, literal.size());
    std::memcpy(&word.Mask, mask, sizeof mask);
    word.Length = static_cast<std::ptrdiff_t>(literal.size());
    Words.push_back(word);
  }
}

LiteralSetScanner::LiteralSetScanner(const LiteralSetTable& table, const char* last)
    : Table(&table), Last(last), ByLiteral(!table.Finder.Usable()) {}

LiteralSetScanner::LiteralSetScanner(const std::vector<std::string>& literals, const char* last,
                                     VectorLevel level)
    : Owned(std::make_shared<const LiteralSetTable>(literals, level)),
      Table(Owned.get()),
      Last(last),
      ByLiteral(!Table->Finder.Usable()) {}

const char* LiteralSetScanner::Next(const char* from) {
  if (!ByLiteral) {
    // The first occurrence at or after an earlier position is also the first at or after any
    // position up to it.
    if (SearchedFrom != nullptr && from >= SearchedFrom &&
        (SearchedHit == nullptr || from <= SearchedHit))
      return SearchedHit;
    const char* stopped = nullptr;
    const char* hit = Table->Finder.Find(from, Last, stopped);
    if (stopped == nullptr) {
      SearchedFrom = from;
      SearchedHit = hit;
      return hit;
    }
    ByLiteral = true;
    from = stopped;
  }
  return NextByLiteral(from);
}

const char* LiteralSetScanner::NextByLiteral(const char* from) {
  if (Entries.empty()) Entries.resize(Table->Finders.size());
  const char* nearest = nullptr;
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    Entry& entry = Entries[i];
    if (entry.Exhausted) continue;
    if (entry.Hit == nullptr || entry.Hit < from) {
      entry.Hit = Table->Finders[i].Find(from, Last);
      if (entry.Hit == nullptr) {
        entry.Exhausted = true;
        continue;
      }
    }
    if (nearest == nullptr || entry.Hit < nearest) nearest = entry.Hit;
  }
  return nearest;
}

ByteRunTable::ByteRunTable(const std::vector<std::bitset<256>>& run, VectorLevel level)
    : Members(run.size()) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    for (unsigned b = 0; b < 256; ++b) Members[i][b] = run[i].test(b);
    if (run[i].count() < run[Anchor].count()) Anchor = i;
  }
  if (level == VectorLevel::Plain || run.empty()) return;
  // The two positions with the fewest members whose sets are a few ranges.
  std::size_t chosen[2] = {run.size(), run.size()};
  ByteRanges sets[2];
  for (std::size_t i = 0; i < run.size(); ++i) {
    ByteRanges ranges;
    if (!RangesOf(run[i], ranges)) continue;
    if (chosen[0] == run.size() || run[i].count() < run[chosen[0]].count()) {
      chosen[1] = chosen[0];
      sets[1] = sets[0];
      chosen[0] = i;
      sets[0] = ranges;
    } else if (chosen[1] == run.size() || run[i].count() < run[chosen[1]].count()) {
      chosen[1] = i;
      sets[1] = ranges;
    }
  }
  if (chosen[0] == run.size()) return;
  if (chosen[1] == run.size()) {
    chosen[1] = chosen[0];
    sets[1] = sets[0];
  }
  Candidates = ByteRangePairFinder(chosen[0], sets[0], chosen[1], sets[1], run.size(), level);
  Vectorised = true;
}

ByteRunScanner::ByteRunScanner(const std::vector<std::bitset<256>>& run, const char* last,
                               VectorLevel level)
    : Owned(std::make_shared<ByteRunTable>(run, level)), Table(Owned.get()), Last(last) {}

bool ByteRunScanner::Fits(const char* at) const {
  const std::vector<std::array<bool, 256>>& members = Table->Members;
  const auto* const bytes = reinterpret_cast<const unsigned char*>(at);
  for (std::size_t i = 0; i < members.size(); ++i)
    if (!members[i][bytes[i]]) return false;
  return true;
}

const char* ByteRunScanner::Next(const char* from) const {
  const std::vector<std::array<bool, 256>>& members = Table->Members;
  const std::size_t length = members.size();
  if (length == 0 || from >= Last || static_cast<std::size_t>(Last - from) < length) return nullptr;
  if (Table->Vectorised) {
    for (const char* at = from;; ++at) {
      at = Table->Candidates.Next(at, Last);
      if (at == nullptr || Fits(at)) return at;
    }
  }
  const auto* const bytes = reinterpret_cast<const unsigned char*>(from);
  const std::size_t starts = static_cast<std::size_t>(Last - from) - length + 1;
  const std::array<bool, 256>& anchor = members[Table->Anchor];
  for (std::size_t start = 0; start < starts; ++start) {
    if (!anchor[bytes[start + Table->Anchor]]) continue;
    std::size_t i = 0;
    while (i < length && members[i][bytes[start + i]]) ++i;
    if (i == length) return from + start;
  }
  return nullptr;
}

}  // namespace GrepEngine
