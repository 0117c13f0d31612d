#include "LinePatterns.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// \` and \' mean the ends of the whole text, which is the file, not a line. A back-reference
// counts groups, which joining patterns would renumber.
bool NeedsOwnText(const std::string& pattern, bool joined) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] != '\\') continue;
    const char next = pattern[i + 1];
    if (next == '`' || next == '\'') return true;
    if (joined && std::isdigit(static_cast<unsigned char>(next))) return true;
    ++i;
  }
  return false;
}

}  // namespace

std::string EscapeLiteral(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (std::string_view("\\.[](){}*+?|^$").find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

bool LinePatterns::Prepare(const LineSearchSettings& settings, std::string& error) {
  Search = settings;
  Patterns.clear();
  for (const std::string& given : settings.Patterns)
    for (std::string& line : SplitLines(given)) Patterns.push_back(std::move(line));
  EmptyPattern = std::any_of(Patterns.begin(), Patterns.end(),
                             [](const std::string& p) { return p.empty(); });
  for (const std::string& pattern : Patterns) {
    if (pattern.empty()) continue;
    RegularExpression re;
    ConfigureString(re, pattern);
    std::string message;
    if (!CompilePattern(re, message)) {
      error = Patterns.size() == 1 ? message : "'" + pattern + "': " + message;
      return false;
    }
  }

  const std::vector<std::string>& matchOptions = settings.Pattern.MatchOptions;
  WholeText = !EmptyPattern && !Patterns.empty() &&
              std::find(matchOptions.begin(), matchOptions.end(), "MatchContinuous") == matchOptions.end();
  const bool literal = settings.Fixed || settings.Pattern.Syntax == "literal";
  for (const std::string& pattern : Patterns)
    if (!literal && NeedsOwnText(pattern, Patterns.size() > 1)) WholeText = false;
  if (WholeText && Patterns.size() > 1) {
    // Alternatives of patterns that each compile may still fail together ("\\(a" and "b\\)").
    RegularExpression joined;
    ConfigureWholeText(joined);
    std::string ignored;
    if (!CompilePattern(joined, ignored)) WholeText = false;
  }
  const PatternSettings& p = settings.Pattern;
  const bool plainOptions = std::all_of(p.CompileOptions.begin(), p.CompileOptions.end(),
                                        [](const std::string& name) { return name == "CaseInsensitive"; });
  FileSearchable = WholeText && plainOptions && (literal || p.Syntax == "normal");
  if (FileSearchable && Patterns.size() > 1) {
    RegularExpression joined;
    ConfigureFileSearch(joined);
    std::string ignored;
    if (!CompilePattern(joined, ignored)) FileSearchable = false;
  }
  return true;
}

void LinePatterns::ConfigureString(RegularExpression& re, const std::string& pattern) const {
  PatternSettings settings = Search.Pattern;
  settings.Pattern = pattern;
  if (Search.Fixed) settings.Syntax = "literal";
  settings.Recursive = false;
  Configure(re, settings);
}

void LinePatterns::ConfigureFileSearch(RegularExpression& re) const {
  const bool literal = Search.Fixed || Search.Pattern.Syntax == "literal";
  std::string joined;
  for (const std::string& pattern : Patterns)
    joined += (joined.empty() ? "" : "|") + (literal ? EscapeLiteral(pattern) : pattern);
  PatternSettings settings;
  settings.Pattern = joined;
  settings.CaseInsensitive = Search.Pattern.CaseInsensitive ||
                             std::count(Search.Pattern.CompileOptions.begin(),
                                        Search.Pattern.CompileOptions.end(), "CaseInsensitive") != 0;
  settings.MatchOptions = Search.Pattern.MatchOptions;
  settings.Shortest = Search.Pattern.Shortest;
  Configure(re, settings);
  re.AddMatchOption(RegularExpression::MatchNotDotNewline);
}

void LinePatterns::ConfigureWholeText(RegularExpression& re) const {
  if (Patterns.size() == 1) {
    ConfigureString(re, Patterns[0]);
  } else if (Search.Fixed || Search.Pattern.Syntax == "literal") {
    // Literal text has no alternation: each pattern escaped into the normal syntax.
    std::string joined;
    for (const std::string& pattern : Patterns) joined += (joined.empty() ? "" : "|") + EscapeLiteral(pattern);
    PatternSettings settings = Search.Pattern;
    settings.Pattern = joined;
    settings.Syntax = "normal";
    settings.Recursive = false;
    Configure(re, settings);
  } else {
    std::string joined;
    for (const std::string& pattern : Patterns) joined += (joined.empty() ? "" : "\n") + pattern;
    ConfigureString(re, joined);
    re.AddExpressionOption(RegularExpression::NewlineAsAlternationOperator);
  }
  // In line mode no match runs past the end of its line.
  re.AddMatchOption(RegularExpression::MatchNotDotNewline);
}

}  // namespace RegexTool
