#pragma once
// The patterns of a line search as grep takes them: -e (repeatable), -f FILE, or the one
// positional PATTERN, each split at its newlines, with -F, -i, -w, -x and --syntax. Decides
// whether one grep over a whole text can find the candidate lines or every line must be
// tested on its own.

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

  // True when one grep over a whole text finds every line that holds a match (with `.` kept
  // off newlines): nothing in the patterns means the start or end of the whole text, and
  // joining several patterns renumbers no back-reference.
  bool WholeTextUsable() const { return WholeText; }
  // True when the toolkit's file search can find the candidate lines of whole files as well:
  // it reads the normal syntax (literals are escaped into it) and honours only
  // case-insensitivity among the compile options.
  bool FileSearchUsable() const { return FileSearchable; }
  // Sets `re` up for the file search: the patterns as alternatives of one, in the normal syntax.
  void ConfigureFileSearch(RegexClass::RegularExpression& re) const;

  // True when a line the whole-text grep finds must still be tested on its own (-w, -x).
  bool CandidatesNeedTest() const { return Search.WordRegexp || Search.LineRegexp; }

  // Sets `re` up for the string operations on one pattern (syntax, options, case, -F).
  void ConfigureString(RegexClass::RegularExpression& re, const std::string& pattern) const;
  // Sets `re` up for the whole-text grep: the patterns as alternatives of one.
  void ConfigureWholeText(RegexClass::RegularExpression& re) const;

 private:
  LineSearchSettings Search;
  std::vector<std::string> Patterns;
  bool EmptyPattern = false;
  bool WholeText = false;
  bool FileSearchable = false;
};

// The pattern in the normal syntax that matches `text` literally.
std::string EscapeLiteral(const std::string& text);

}  // namespace RegexTool
