#pragma once
// The patterns of a line search as grep takes them: -e (repeatable), -f FILE, or the one
// positional PATTERN, each split at its newlines, with -F, -i, -w, -x and --syntax. Decides
// whether the toolkit's file search can find the candidate lines (it reads the normal syntax
// and honours only case-insensitivity) or every line must be tested with the string operations.

#include <string>
#include <vector>

#include "PatternSettings.h"

namespace RegexTool {

struct LineSearchSettings {
  PatternSettings Pattern;  // Pattern.Pattern unused: see Patterns
  std::vector<std::string> Patterns;  // one or more; an empty one matches every line
  bool Fixed = false;        // -F: patterns are literal text
  bool WordRegexp = false;   // -w
  bool LineRegexp = false;   // -x
};

class LinePatterns {
 public:
  // Splits the patterns at newlines and checks that each compiles; false with `error` set
  // (naming the pattern) when one does not.
  bool Prepare(const LineSearchSettings& settings, std::string& error);

  const LineSearchSettings& Settings() const { return Search; }
  // Each pattern after splitting, in order.
  const std::vector<std::string>& Each() const { return Patterns; }
  // True when one pattern is empty: it matches (emptily) at the start of every line.
  bool MatchesEveryLine() const { return EmptyPattern; }

  // True when the file search can find every line that holds a match: the pattern in the
  // normal syntax (literals escaped into it), no options it would drop, nothing that means the
  // start or end of the whole text.
  bool FileSearchUsable() const { return FileSearchable; }
  // The pattern the file search runs: the patterns as alternatives of one.
  const std::string& FileSearchPattern() const { return Joined; }
  // True when a line the file search finds must still be tested on its own (-w, -x).
  bool CandidatesNeedTest() const { return Search.WordRegexp || Search.LineRegexp; }

  // Sets `re` up for the string operations on one pattern (syntax, options, case, -F).
  void ConfigureString(RegexClass::RegularExpression& re, const std::string& pattern) const;
  // Sets `re` up for the file search of FileSearchPattern().
  void ConfigureFileSearch(RegexClass::RegularExpression& re) const;

 private:
  LineSearchSettings Search;
  std::vector<std::string> Patterns;
  std::string Joined;
  bool EmptyPattern = false;
  bool FileSearchable = false;
};

// The pattern in the normal syntax that matches `text` literally.
std::string EscapeLiteral(const std::string& text);

}  // namespace RegexTool
