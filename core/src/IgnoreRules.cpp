#include "IgnoreRules.h"

#include <cstddef>

namespace grepcore {
namespace {

// Trailing blanks end a pattern unless escaped.
std::string_view TrimEnd(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
    if (line.size() >= 2 && line[line.size() - 2] == '\\') break;
    line.remove_suffix(1);
  }
  return line;
}

std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

IgnoreRules::IgnoreRules(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = TrimEnd(line);
    if (line.empty() || line[0] == '#') continue;
    bool negated = false;
    if (line[0] == '!') {
      negated = true;
      line.remove_prefix(1);
    } else if (line[0] == '\\' && line.size() > 1 && (line[1] == '#' || line[1] == '!')) {
      line.remove_prefix(1);
    }
    bool directoryOnly = false;
    if (!line.empty() && line.back() == '/') {
      directoryOnly = true;
      line.remove_suffix(1);
    }
    const bool anchored = line.find('/') != std::string_view::npos;
    if (!line.empty() && line[0] == '/') line.remove_prefix(1);
    if (line.empty()) continue;
    Rules.push_back(Rule{Glob(line), negated, directoryOnly, anchored});
  }
}

IgnoreVerdict IgnoreRules::Judge(std::string_view path, bool directory) const {
  for (auto rule = Rules.rbegin(); rule != Rules.rend(); ++rule) {
    if (rule->DirectoryOnly && !directory) continue;
    const bool matched =
        rule->Anchored ? rule->Pattern.Matches(path) : rule->Pattern.Matches(BaseName(path));
    if (matched) return rule->Negated ? IgnoreVerdict::Included : IgnoreVerdict::Ignored;
  }
  return IgnoreVerdict::NoRule;
}

}  // namespace grepcore
