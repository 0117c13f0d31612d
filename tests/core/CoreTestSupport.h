#pragma once
// Small helpers the value interface's tests share.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Regex.h"

namespace CoreTest {

// The pattern, or a failed test.
inline grepcore::Pattern Compile(std::string_view text,
                                 const grepcore::CompileOptions& options = {}) {
  grepcore::Result<grepcore::Pattern> pattern = grepcore::Pattern::Compile(text, options);
  if (!pattern) {
    ADD_FAILURE() << "\"" << text << "\" did not compile: " << pattern.Error().Message;
    return *grepcore::Pattern::Compile("(never)");
  }
  return std::move(pattern).Value();
}

// A match's groups as "(first,last)" each, "(?)" for one that took no part: 0 first.
inline std::string Spans(const grepcore::Match& match) {
  std::string spans;
  for (std::size_t i = 0; i < match.Size(); ++i) {
    const grepcore::Group group = match.Group(i);
    spans += group.Matched()
                 ? "(" + std::to_string(group.Position()) + "," + std::to_string(group.End()) + ")"
                 : "(?)";
  }
  return spans;
}

// Every match of a walk, as its spans.
inline std::vector<std::string> AllSpans(const grepcore::Pattern& pattern, std::string_view text,
                                         const grepcore::MatchOptions& options = {}) {
  std::vector<std::string> all;
  grepcore::MatchRange range = pattern.Matches(text, options);
  for (const grepcore::Match& match : range) all.push_back(Spans(match));
  EXPECT_TRUE(range.Outcome());
  return all;
}

inline grepcore::MatchOptions Shortest() {
  grepcore::MatchOptions options;
  options.Shortest = true;
  return options;
}

}  // namespace CoreTest
