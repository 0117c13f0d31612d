#pragma once
// A line diff (Myers' algorithm) of two texts, printed in the unified format.

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "Colour.h"

namespace RegexTool {

// The lines of `text`, each with its line feed; the last one may lack it.
std::vector<std::string> SplitLines(const std::string& text);

struct DiffStep {
  enum Kind { Same, Removed, Added } Type;
  std::size_t OldLine;  // index into the old lines (Same, Removed)
  std::size_t NewLine;  // index into the new lines (Same, Added)
};

// A shortest edit script turning `before` into `after`.
std::vector<DiffStep> DiffLines(const std::vector<std::string>& before,
                                const std::vector<std::string>& after);

// Prints the difference with `context` lines around each change, under ---/+++ headers naming
// `oldLabel` and `newLabel`. Prints nothing when the texts are equal.
void PrintUnifiedDiff(std::ostream& out, const std::string& oldLabel, const std::string& newLabel,
                      const std::string& before, const std::string& after, const Palette& palette,
                      std::size_t context = 3);

}  // namespace RegexTool
