#pragma once
// What a change run writes into one file, worked out without touching it: the matches the
// run's file search finds, the replacement of each computed as the library computes it, and
// the file's new content.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PatternSettings.h"

namespace RegexTool {

struct PlannedReplacement {
  std::int64_t Position = 0;
  std::string Matched;
  std::string Replacement;
};

// The replacement of one match: the format expanded by an object with the run's options,
// merged over the matched text alone and keeping what it does not match.
class ReplacementMaker {
 public:
  ReplacementMaker(const PatternSettings& settings, const std::string& format);
  ReplacementMaker(const ReplacementMaker&) = delete;
  ReplacementMaker& operator=(const ReplacementMaker&) = delete;
  std::string Replace(std::string_view matched);

 private:
  void OnSearch(RegexClass::RegularExpression* sender, const RegexClass::REMatchViewInfo&,
                unsigned int, std::uint64_t);

  RegexClass::RegularExpression Formatter;
  std::string* Formatted = nullptr;
};

// `content` with each replacement put in place; false when a match is not where it was found
// (the file changed since it was searched).
bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result);

// The matches of one file and what replaces them.
struct FilePlan {
  std::vector<PlannedReplacement> Replacements;  // kept only when asked for
  unsigned int Matches = 0;
  unsigned int Changing = 0;  // the replacements that change the text
  bool SpansLines = false;    // a match takes a line feed
};

// Searches one file as a change run with `search`'s settings does (its own file search, the
// file's name as the mask) and plans each match's replacement with `maker`.
class FilePlanner {
 public:
  FilePlanner(RegexClass::RegularExpression& search, ReplacementMaker& maker);
  FilePlanner(const FilePlanner&) = delete;
  FilePlanner& operator=(const FilePlanner&) = delete;

  FilePlan Plan(const std::string& file, bool keepReplacements);

 private:
  void OnMatch(RegexClass::RegularExpression*, std::string_view file,
               const RegexClass::REMatchViewInfo& matches, unsigned int, bool&);

  RegexClass::RegularExpression& Search;
  ReplacementMaker& Maker;
  const std::string* File = nullptr;
  FilePlan* Current = nullptr;
  bool Keep = false;
};

}  // namespace RegexTool
