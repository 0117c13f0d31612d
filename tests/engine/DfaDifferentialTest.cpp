// The planned routes (literal scans, the DFA with its skip, groups filled on reading) against
// the reference engine, match by match, on generated patterns, option words, match words and
// texts: every grep, search, anchored match and merge must give the reference engine's result
// wherever that engine does not give up.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <iterator>
#include <locale>
#include <string>
#include <vector>

#include "DifferentialCases.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "ReferenceRoute.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

using namespace GrepEngine;

struct Seen {
  std::vector<std::string> Matches;  // one line per match: spans, groups, prefix, line
  bool Abandoned = false;
};

std::string Describe(const MatchResults& match, bool groups) {
  std::string line = std::to_string(match.Sub(0).Position) + "+" + std::to_string(match.Sub(0).Length());
  if (groups) {
    for (unsigned i = 1; i < match.Size(); ++i) {
      const SubMatch sub = match.Sub(i);
      line += sub.Matched ? " " + std::to_string(sub.Position) + "+" + std::to_string(sub.Length()) : " -";
    }
    const SubMatch prefix = match.Prefix(), suffix = match.Suffix();
    line += " p" + (prefix.Matched ? std::to_string(prefix.Position) : std::string("-"));
    line += " s" + (suffix.Matched ? std::to_string(suffix.Position) : std::string("-"));
    line += " l" + std::to_string(match.Line()) + "@" + std::to_string(match.LineStart());
  }
  return line;
}

template <class Grep>
Seen Collect(Grep grep, bool groups) {
  Seen seen;
  const GrepOutcome outcome = grep([&](const MatchResults& match) {
    seen.Matches.push_back(Describe(match, groups));
    return seen.Matches.size() < 200;
  });
  seen.Abandoned = outcome.Abandoned;
  return seen;
}

std::string Where(const std::string& pattern, unsigned option, unsigned match, const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      shown += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      shown += hex;
    }
  }
  return "pattern \"" + pattern + "\" option " + std::to_string(option) + " match " +
         std::to_string(match) + " text \"" + shown + "\"";
}

// The reference engine's merge, as the toolkit always did it.
// The reference engine's merge: Boost's own replace where Boost's groups stand, else the
// reference grep with each match formatted (POSIX's groups are the resolver's on either route).
bool ReferenceMerge(const Pattern& pattern, const std::string& text, const std::string& format,
                    bool copy, unsigned matchWord, std::string& out) {
  namespace rc = boost::regex_constants;
  if (pattern.Internals().GroupResolver) {
    out.clear();
    const char* copied = text.data();
    std::string expansion;
    const GrepOutcome outcome = ReferenceGrepIn(
        pattern, text.data(), text.data() + text.size(), matchWord, [&](const MatchResults& match) {
          const SubMatch whole = match.Sub(0);
          if (copy) out.append(copied, whole.First);
          copied = whole.Last;
          FormatMatch(match, format, expansion, pattern.Locale());
          out += expansion;
          return true;
        });
    if (copy) out.append(copied, text.data() + text.size());
    return !outcome.Abandoned;
  }
  FlagBits flags = TranslateMatchFlags(matchWord);
  if (!copy) flags |= Bits(rc::format_no_copy);
  out.clear();
  try {
    boost::regex_replace(std::back_inserter(out), text.data(), text.data() + text.size(),
                         pattern.Internals().Expression, format, AsMatchFlags(flags));
  } catch (const std::runtime_error&) {
    return false;
  }
  return true;
}

struct Tally {
  unsigned Compared = 0, FastRoutes = 0, Skipped = 0;
};

void CompareOne(const Pattern& compiled, const std::string& pattern, unsigned option, unsigned matchWord,
                const std::string& text, bool groups, Tally& tally) {
  const char* first = text.data();
  const char* last = first + text.size();
  const std::string where = Where(pattern, option, matchWord, text);
  const Seen reference = Collect(
      [&](auto callback) { return ReferenceGrepIn(compiled, first, last, matchWord, callback); }, groups);
  if (reference.Abandoned) {
    ++tally.Skipped;
    return;
  }
  ++tally.Compared;
  if (PlannedRoute(compiled, matchWord, first, last) != Route::Reference) ++tally.FastRoutes;
  const Seen planned = Collect(
      [&](auto callback) { return GrepIn(compiled, first, last, matchWord, callback); }, groups);
  ASSERT_EQ(planned.Matches, reference.Matches) << where;

  MatchResults one;
  const bool found = SearchIn(compiled, first, last, matchWord, one);
  ASSERT_EQ(found, !reference.Matches.empty()) << where;
  if (found) {
    EXPECT_EQ(Describe(one, groups), reference.Matches[0]) << "search: " << where;
  }

  if (groups) {
    static const char* const formats[] = {"<$&>", "[$1|$2]", "($`)", "x"};
    const std::string format = formats[text.size() % 4];
    const bool copy = text.size() % 3 != 0;
    std::string expected, merged;
    if (ReferenceMerge(compiled, text, format, copy, matchWord, expected)) {
      EXPECT_TRUE(MergeInto(compiled, first, last, format, copy, matchWord, merged)) << where;
      EXPECT_EQ(merged, expected) << "merge \"" << format << "\": " << where;
    }
  }
}

void RunGenerated(std::uint32_t seed, unsigned patterns, Tally& tally) {
  TestCases::DifferentialGenerator generate(seed);
  for (unsigned p = 0; p < patterns; ++p) {
    const std::string pattern = generate.Pattern();
    const unsigned option = generate.OptionWord();
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option,
                                     std::locale::classic());
    if (compiled->Failed()) continue;
    for (unsigned t = 0; t < 6; ++t) {
      const std::string text = generate.Text();
      const unsigned matchWord = t == 0 ? 0u : generate.MatchWord();
      CompareOne(*compiled, pattern, option, matchWord, text, t < 3, tally);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(DfaDifferentialTest, GeneratedCasesAgreeWithTheReferenceEngine) {
  Tally tally;
  RunGenerated(20261208, 3000, tally);
  // The comparison means something only if the fast routes were taken.
  EXPECT_GT(tally.FastRoutes, tally.Compared / 3);
  EXPECT_LT(tally.Skipped, tally.Compared / 50);
}

TEST(DfaDifferentialTest, KnownHardShapesAgree) {
  struct Case {
    const char* pattern;
    unsigned option;
    unsigned match;
    std::string text;
  };
  namespace S = SyntaxBits;
  namespace M = MatchBits;
  const Case cases[] = {
      {"(a|ab)(c|bcd)(d*)", S::Extended, 0, "abcd"},
      {"(a*)*", S::Extended, 0, "b"},
      {"(a*)+b", S::Extended, M::NotNullString, "aab b"},
      {"x*", S::Extended, M::NotNullString, "ab xx"},
      {"^", S::Extended, 0, "a\nb\r\nc\fd"},
      {"$", S::Extended, 0, "a\nb\r\nc\fd\n"},
      {"\\bab\\b", S::Normal, 0, "ab abc _ab ab_ \xe9" "ab"},
      {"\\`a|b\\'", S::Normal, 0, "aab\nab"},
      {"a{2,3}", S::Extended, M::Continuous, "aaaaaaab"},
      {"[[:upper:]]+", S::Normal | S::CaseInsensitive, 0, "abC dEf"},
      {"\xe9+", S::Normal | S::CaseInsensitive, 0, "\xe9\xc9\xe9"},
      {".+", S::Normal, M::NotDotNewline, "ab\ncd\r\nef\fgh"},
      {".+", S::Normal, M::NotDotNullCharacter, std::string("ab\0cd", 5)},
      {"struct|union|enum", S::Normal, 0, "enumunion structs"},
      {"ab|abcd|b", S::Normal, 0, "abcd ab b"},
      {"\xe9" "a|\xe9" "b", S::Normal, 0, "a\xe9" "b\xe9" "a"},  // Latin-1 bytes in a shared start
      {"(a*)*b", S::Normal, 0, "b" + std::string(2000, 'a') + "cb"},  // beyond the backtracker
  };
  Tally tally;
  for (const Case& c : cases) {
    const std::string pattern = c.pattern;
    auto compiled = Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), c.option,
                                     std::locale::classic());
    ASSERT_FALSE(compiled->Failed()) << c.pattern;
    CompareOne(*compiled, pattern, c.option, c.match, c.text, true, tally);
  }
  EXPECT_EQ(tally.Skipped, 1u) << "only the reference engine gives up, on the run of a's";
}

}  // namespace
