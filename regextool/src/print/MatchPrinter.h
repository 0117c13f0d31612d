#pragma once
// Printing one match of a string command into a buffer: a readable block per match, or one
// JSON object per line. Numbers are formatted here, not by a stream.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace RegexTool {

// One record of a match: the whole match, a group, the prefix or the suffix.
struct MatchPart {
  bool Taken = false;
  std::string_view Text;
  std::uint64_t Position = 0;  // in the text the match was found in
};

// One match: the whole match and its groups (Parts[0..PartCount)), the prefix and suffix, and
// the line and line start to print.
struct StringMatch {
  std::uint64_t Index = 0;  // 1 for the first match of the run
  const MatchPart* Parts = nullptr;
  std::size_t PartCount = 0;
  MatchPart Prefix;
  MatchPart Suffix;
  std::uint64_t Line = 0;
  std::uint64_t LineStart = 0;
  // Added to every position: where the text the match was found in starts in the input.
  std::uint64_t Offset = 0;
  bool Context = true;  // print the prefix and suffix records too
};

void PrintReadable(std::string& out, const StringMatch& match);
void PrintJson(std::string& out, const StringMatch& match);

}  // namespace RegexTool
