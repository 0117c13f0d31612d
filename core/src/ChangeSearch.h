#pragma once
// The search of one file's content in a change run: every match, and the replacement of each,
// as the toolkit's change run defines it (the format merged over the matched text alone).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/DirectReplacement.h"
#include "engine/Pattern.h"
#include "grepcore/Change.h"

namespace GrepEngine {
struct SearchPlan;
}

namespace grepcore {

// The replacement of one matched text: the format merged over it alone, keeping what the
// merge does not match. It depends on the matched text only, so the replacements of short
// recurring texts are remembered.
class ReplacementMaker {
 public:
  ReplacementMaker(std::shared_ptr<const GrepEngine::Pattern> pattern, unsigned matchWord,
                   std::string format);
  ReplacementMaker(const ReplacementMaker&) = delete;
  ReplacementMaker& operator=(const ReplacementMaker&) = delete;
  // Null when the engine gave up on the text.
  const std::string* Replace(std::string_view matched);

 private:
  std::shared_ptr<const GrepEngine::Pattern> Compiled;
  unsigned MatchWord;
  std::string Format;
  std::unordered_map<std::string, std::string> Known;  // short matched texts only
  std::string Last;
};

// The matches of one file, counted.
struct FileMatches {
  unsigned Matches = 0;
  unsigned Changing = 0;    // the replacements that change the text
  bool SpansLines = false;  // a match takes a line feed
  bool Abandoned = false;   // the engine gave up: the counts cover only the start
  std::int64_t Growth = 0;  // bytes the changing replacements add (negative: remove)
};

// Each match whose replacement changes the text, in ascending position; the views are valid
// during the call only.
using ReplacementSink = std::function<void(std::uint64_t position, std::string_view matched,
                                           std::string_view replacement)>;

// Searches a file's content with the run's pattern and match options and makes each match's
// replacement. The search is the one the pattern class's file operations run (with its literal
// scan and required-literal prefilter), so both find the same matches the same way. In line mode a final line feed ends the last line, as in sed: the empty text
// after it is no line, so the empty match there is not taken (a file without a final line
// feed still has its last line). With FirstOnly a match that starts on the line of an earlier
// match is passed over (neither counted nor replaced).
class FileSearcher {
 public:
  FileSearcher(const Pattern& pattern, const ChangeOptions& options);
  ~FileSearcher();
  FileSearcher(const FileSearcher&) = delete;
  FileSearcher& operator=(const FileSearcher&) = delete;

  FileMatches Search(std::string_view content, const ReplacementSink& sink);

 private:
  std::shared_ptr<const GrepEngine::Pattern> Compiled;
  std::unique_ptr<const GrepEngine::SearchPlan> Plan;
  unsigned MatchWord;
  bool WholeText;
  bool FirstOnly;
  ReplacementMaker Maker;
  // Where the format can be expanded over the match found, without a second search.
  std::optional<GrepEngine::DirectReplacement> Direct;
  std::string Expanded;
};

// The match word of a run: its match options, with . stopping at a line feed in line mode.
unsigned RunMatchWord(const ChangeOptions& options);

}  // namespace grepcore
