#pragma once
// What a change run writes into one file, worked out from the file's content without touching
// it: every match the run's search finds, and the replacement of each, computed as the
// library's change run computes it.

#include <grepcore/Regularexpressionclass.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "PatternSettings.h"

namespace GrepEngine {
class Pattern;
}

namespace RegexTool {

struct PlannedReplacement {
  std::int64_t Position = 0;
  std::string Matched;
  std::string Replacement;
};

// The replacement of one match: the format expanded by an object with the run's options,
// merged over the matched text alone and keeping what it does not match. That depends on the
// matched text only, so the replacements of recurring texts are remembered.
class ReplacementMaker {
 public:
  ReplacementMaker(const PatternSettings& settings, const std::string& format);
  ReplacementMaker(const ReplacementMaker&) = delete;
  ReplacementMaker& operator=(const ReplacementMaker&) = delete;
  const std::string& Replace(std::string_view matched);

 private:
  std::string Make(std::string_view matched);
  void OnSearch(RegexClass::RegularExpression* sender, const RegexClass::REMatchViewInfo&,
                unsigned int, std::uint64_t);

  RegexClass::RegularExpression Formatter;
  std::string* Formatted = nullptr;
  std::unordered_map<std::string, std::string> Known;  // short matched texts only
  std::string Last;
};

// `content` with each replacement put in place; false when a match is not where it was found
// (the file changed since it was searched).
bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result);

// The matches of one file, counted.
struct FileMatches {
  unsigned int Matches = 0;
  unsigned int Changing = 0;  // the replacements that change the text
  bool SpansLines = false;    // a match takes a line feed
  bool Abandoned = false;     // the engine gave up: the counts cover only the start
  std::int64_t Growth = 0;    // bytes the changing replacements add (negative: remove)
};

// Each match whose replacement changes the text, in ascending position; the views are valid
// during the call only.
using ReplacementSink = std::function<void(std::int64_t position, std::string_view matched,
                                           const std::string& replacement)>;

// Searches a file's content with the change run's pattern, options and match options, and
// makes each match's replacement. Line by line (unless the whole text is asked for), a final
// line feed ends the last line, as in sed: the empty text after it is no line, so the empty
// match there is not taken (a file without a final line feed still has its last line).
class FilePlanner {
 public:
  FilePlanner(const PatternSettings& settings, const std::string& format, bool wholeText);
  ~FilePlanner();
  FilePlanner(const FilePlanner&) = delete;
  FilePlanner& operator=(const FilePlanner&) = delete;

  FileMatches Plan(std::string_view content, const ReplacementSink& sink);

 private:
  ReplacementMaker Maker;
  std::shared_ptr<const GrepEngine::Pattern> Compiled;
  unsigned MatchWord = 0;
  bool WholeText;
};

}  // namespace RegexTool
