#pragma once
// Helpers shared by the syntax suites: compile under an option word, search as the toolkit
// does (the planned route, POSIX's groups included) and with Boost's expression alone, and
// report the match as offsets.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "engine/Matching.h"
#include "engine/Pattern.h"

namespace SyntaxTest {

using Span = std::pair<long, long>;  // (-1,-1): the group took no part
using Spans = std::vector<Span>;

inline std::shared_ptr<const GrepEngine::Pattern> Compile(const std::string& pattern,
                                                          unsigned word) {
  return GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), word,
                                      std::locale::classic());
}

// The whole match and every group by Boost's expression alone (Boost's groups) under the
// toolkit's flags for the default match word, or empty when nothing matched.
inline Spans BoostSearch(const GrepEngine::Pattern& pattern, const std::string& text) {
  boost::match_results<std::string::const_iterator> m;
  Spans spans;
  const auto flags = GrepEngine::AsMatchFlags(GrepEngine::TranslateMatchFlags(0));
  if (!boost::regex_search(text.begin(), text.end(), m, pattern.Internals().Expression, flags))
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

// The whole match and every group as the toolkit's search gives them, or empty when nothing
// matched. Throws std::runtime_error when the engine gave up.
inline Spans PlannedSearch(const GrepEngine::Pattern& pattern, const std::string& text) {
  GrepEngine::MatchResults m;
  Spans spans;
  if (!GrepEngine::SearchIn(pattern, text.data(), text.data() + text.size(), 0, m)) {
    if (m.Abandoned()) throw std::runtime_error("the engine gave up");
    return spans;
  }
  for (unsigned i = 0; i < m.Size(); ++i) {
    const GrepEngine::SubMatch sub = m.Sub(i);
    if (sub.Matched)
      spans.emplace_back(static_cast<long>(sub.Position),
                         static_cast<long>(sub.Position + sub.Length()));
    else
      spans.emplace_back(-1, -1);
  }
  return spans;
}

// The toolkit's search, whose whole match must also be Boost's alone (where Boost does not
// give up); the toolkit's result is returned.
inline Spans Search(const GrepEngine::Pattern& pattern, const std::string& text) {
  const Spans planned = PlannedSearch(pattern, text);
  Spans reference;
  try {
    reference = BoostSearch(pattern, text);
  } catch (const std::runtime_error&) {
    return planned;  // Boost gave up where the planned route did not
  }
  const Span none(-1, -1);
  EXPECT_EQ(reference.empty() ? none : reference[0], planned.empty() ? none : planned[0])
      << "the planned search differs from Boost's on \"" << text << "\"";
  return planned;
}

// The whole match `whole` and the groups the pattern's resolver gives for it; empty when the
// pattern has no resolver or the resolver cannot follow the match.
inline Spans ResolvedGroups(const GrepEngine::Pattern& pattern, const std::string& text,
                            const Span& whole) {
  const GrepEngine::Groups::Resolver* resolver = pattern.Internals().GroupResolver.get();
  if (resolver == nullptr) return Spans();
  GrepEngine::Groups::TextContext context;
  context.Base = text.data();
  context.Last = text.data() + text.size();
  std::vector<GrepEngine::Groups::GroupSpan> groups;
  if (!resolver->Resolve(context, text.data() + whole.first, text.data() + whole.second, groups))
    return Spans();
  Spans spans{whole};
  for (const auto& g : groups)
    spans.emplace_back(g.First < 0 ? -1L : whole.first + g.First,
                       g.First < 0 ? -1L : whole.first + g.Last);
  return spans;
}

inline std::string Show(const Spans& spans) {
  if (spans.empty()) return "NOMATCH";
  std::string out;
  for (const Span& s : spans) {
    if (s.first < 0)
      out += "(?,?)";
    else
      out += "(" + std::to_string(s.first) + "," + std::to_string(s.second) + ")";
  }
  return out;
}

}  // namespace SyntaxTest
