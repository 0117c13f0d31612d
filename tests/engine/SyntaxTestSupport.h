#pragma once
// Helpers shared by the syntax suites: compile under an option word, search with the engine's
// expression, and report the match as offsets.

#include <boost/regex.hpp>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PatternImpl.h"
#include "engine/Pattern.h"

namespace SyntaxTest {

using Span = std::pair<long, long>;  // (-1,-1): the group took no part
using Spans = std::vector<Span>;

inline std::shared_ptr<const GrepEngine::Pattern> Compile(const std::string& pattern, unsigned word) {
  return GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), word,
                                      std::locale::classic());
}

// The whole match and every group, or empty when nothing matched.
inline Spans Search(const GrepEngine::Pattern& pattern, const std::string& text) {
  boost::match_results<std::string::const_iterator> m;
  Spans spans;
  if (!boost::regex_search(text.begin(), text.end(), m, pattern.Internals().Expression))
    return spans;
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i].matched)
      spans.emplace_back(static_cast<long>(m[i].first - text.begin()),
                         static_cast<long>(m[i].second - text.begin()));
    else
      spans.emplace_back(-1, -1);
  }
  return spans;
}

inline std::string Show(const Spans& spans) {
  if (spans.empty()) return "NOMATCH";
  std::string out;
  for (const Span& s : spans) {
    if (s.first < 0) out += "(?,?)";
    else out += "(" + std::to_string(s.first) + "," + std::to_string(s.second) + ")";
  }
  return out;
}

}  // namespace SyntaxTest
