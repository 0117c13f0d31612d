#pragma once
// Line bookkeeping for a scan that moves forward only: every LF is counted once, so a grep
// stays linear in the length of its text however many matches it reports.

#include <cstddef>
#include <cstdint>

namespace GrepEngine {

// The number of LF bytes in [first, last).
std::size_t CountNewlines(const char* first, const char* last);

class LineCounter {
 public:
  explicit LineCounter(const char* origin) : Origin(origin), Scanned(origin), Start(origin) {}
  // For a part of a longer text: `origin`, the start of line `line`, lies at `originOffset`.
  LineCounter(const char* origin, std::uint64_t originOffset, unsigned line)
      : Origin(origin),
        Scanned(origin),
        Start(origin),
        OriginOffset(originOffset),
        LineNumber(line) {}
  // Resumes a count that has taken in the bytes up to `scanned`, whose line `line` starts at
  // `lineStart`.
  LineCounter(const char* origin, const char* scanned, const char* lineStart, unsigned line)
      : Origin(origin), Scanned(scanned), Start(lineStart), LineNumber(line) {}

  // Takes in the bytes from the last position up to `to`; `to` never moves backwards.
  void AdvanceTo(const char* to);

  // The line of the last position, from 1, and the offset of that line's first byte.
  unsigned Line() const { return LineNumber; }
  std::uint64_t LineStart() const {
    return OriginOffset + static_cast<std::uint64_t>(Start - Origin);
  }

 private:
  const char* Origin;
  const char* Scanned;
  const char* Start;
  std::uint64_t OriginOffset = 0;
  unsigned LineNumber = 1;
};

}  // namespace GrepEngine
