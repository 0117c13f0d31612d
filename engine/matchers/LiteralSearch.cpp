#include "LiteralSearch.h"

#include <cstring>

namespace GrepEngine {

const char* FindLiteral(const char* first, const char* last, const std::string& literal) {
  if (literal.empty() || first >= last) return nullptr;
  const std::size_t length = static_cast<std::size_t>(last - first);
  if (literal.size() == 1)
    return static_cast<const char*>(std::memchr(first, literal[0], length));
  // The C library's two-way search is vectorised and never quadratic.
  return static_cast<const char*>(memmem(first, length, literal.data(), literal.size()));
}

LiteralSetScanner::LiteralSetScanner(const std::vector<std::string>& literals, const char* last)
    : Last(last) {
  Entries.reserve(literals.size());
  for (const std::string& literal : literals) Entries.push_back(Entry{&literal});
}

const char* LiteralSetScanner::Next(const char* from) {
  const char* nearest = nullptr;
  for (Entry& entry : Entries) {
    if (entry.Exhausted) continue;
    if (entry.Hit == nullptr || entry.Hit < from) {
      entry.Hit = FindLiteral(from, Last, *entry.Literal);
      if (entry.Hit == nullptr) {
        entry.Exhausted = true;
        continue;
      }
    }
    if (nearest == nullptr || entry.Hit < nearest) nearest = entry.Hit;
  }
  return nearest;
}

ByteRunScanner::ByteRunScanner(const std::vector<std::bitset<256>>& run, const char* last)
    : Members(run.size()), Last(last) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    for (unsigned b = 0; b < 256; ++b) Members[i][b] = run[i].test(b);
    if (run[i].count() < run[Anchor].count()) Anchor = i;
  }
}

const char* ByteRunScanner::Next(const char* from) const {
  const std::size_t length = Members.size();
  if (length == 0 || from >= Last || static_cast<std::size_t>(Last - from) < length) return nullptr;
  const auto* const bytes = reinterpret_cast<const unsigned char*>(from);
  const std::size_t starts = static_cast<std::size_t>(Last - from) - length + 1;
  const std::array<bool, 256>& anchor = Members[Anchor];
  for (std::size_t start = 0; start < starts; ++start) {
    if (!anchor[bytes[start + Anchor]]) continue;
    std::size_t i = 0;
    while (i < length && Members[i][bytes[start + i]]) ++i;
    if (i == length) return from + start;
  }
  return nullptr;
}

}  // namespace GrepEngine
