#pragma once
// Helpers shared by the syntax suites: compile under an option word, search with the engine's
// expression and with the planned search, and report the match as offsets.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PatternImpl.h"
#include "engine/Matching.h"
#include "engine/Pattern.h"

namespace SyntaxTest {

using Span = std::pair<long, long>;  // (-1,-1): the group took no part
using Spans = std::vector<Span>;

inline std::shared_ptr<const GrepEngine::Pattern> Compile(const std::string& pattern, unsigned word) {
  return GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), word,
                                      std::locale::classic());
}

// The whole match and every group, or empty when nothing matched: the engine's expression alone.
inline Spans ReferenceSearch(const GrepEngine::Pattern& pattern, const std::string& text) {
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

// The same through the planned search (the route the planner picks, groups filled on reading).
inline Spans PlannedSearch(const GrepEngine::Pattern& pattern, const std::string& text) {
  GrepEngine::MatchResults m;
  Spans spans;
  if (!GrepEngine::SearchIn(pattern, text.data(), text.data() + text.size(), 0, m)) return spans;
  for (unsigned i = 0; i < m.Size(); ++i) {
    const GrepEngine::SubMatch sub = m.Sub(i);
    if (sub.Matched)
      spans.emplace_back(static_cast<long>(sub.Position), static_cast<long>(sub.Position + sub.Length()));
    else
      spans.emplace_back(-1, -1);
  }
  return spans;
}

// Both, which must agree on the whole match; the engine's own result is returned.
inline Spans Search(const GrepEngine::Pattern& pattern, const std::string& text) {
  const Spans reference = ReferenceSearch(pattern, text);
  const Spans planned = PlannedSearch(pattern, text);
  const Span none(-1, -1);
  EXPECT_EQ(reference.empty() ? none : reference[0], planned.empty() ? none : planned[0])
      << "the planned search differs on \"" << text << "\"";
  return reference;
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
