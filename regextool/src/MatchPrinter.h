#pragma once
// Printing match vectors: a readable block per match, or one JSON object per line.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace RegexTool {

// One match of a string operation: the match vector (whole match, the groups, prefix,
// suffix) with the line and line start the event passed.
struct StringMatch {
  unsigned int Index = 0;  // 1 for the first match of the run
  const RegexClass::REMatchInfo* Matches = nullptr;
  const RegexClass::REMatchViewInfo* Views = nullptr;  // the same records as views, when set
  unsigned int Line = 0;
  std::uint64_t LineStart = 0;
  // Added to every position: where the text the match was found in starts in the input.
  std::uint64_t Offset = 0;
  bool Context = true;  // print the prefix and suffix records too
};

void PrintReadable(std::ostream& out, const StringMatch& match);
void PrintJson(std::ostream& out, const StringMatch& match);

}  // namespace RegexTool
