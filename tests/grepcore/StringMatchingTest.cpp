// Match, MatchAll, Search and Grep on StringToMatch, seen through their events.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "grepcore/Regularexpressionclass.h"

namespace {

using RegexClass::REMatch;
using RegexClass::REMatchInfo;
using RE = RegexClass::RegularExpression;

// What one event call saw.
struct Seen {
  REMatchInfo matches;
  unsigned line = 0;
  std::uint64_t lineStart = 0;
  REMatchInfo fromObject;  // GetMatchingInformation() inside the handler
};

struct Recorder {
  std::vector<Seen> calls;
  int stopAt = 0;  // 1-based call at which to clear bcontinue; 0: never
  void OnMatch(RE* sender, const REMatchInfo& m, unsigned line, std::uint64_t start) {
    calls.push_back({m, line, start, sender->GetMatchingInformation()});
  }
  void OnGrep(RE* sender, const REMatchInfo& m, unsigned line, std::uint64_t start, bool& go) {
    OnMatch(sender, m, line, start);
    if (static_cast<int>(calls.size()) == stopAt) go = false;
  }
};

RE With(const std::string& pattern, const std::string& text) {
  RE re;
  re.SetExpression(pattern);
  re.SetStringToMatch(text);
  return re;
}

void ExpectRecord(const REMatch& record, const std::string& text, std::int64_t position) {
  EXPECT_EQ(record.MatchString, text);
  EXPECT_EQ(record.Position, position);
}

TEST(StringMatching, AnchoredWholeAndAnywhere) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match, matchAll, search;
  } cases[] = {
      {"abc", "abcdef", true, false, true},
      {"abc", "xabc", false, false, true},
      {"abc", "abc", true, true, true},
      {"a|ab", "ab", true, true, true},  // leftmost-longest makes the anchored match whole
      {"x*", "", true, true, true},      // an empty text can match an empty pattern
      {"x", "", false, false, false},
  };
  for (const Case& c : cases) {
    RE re = With(c.pattern, c.text);
    EXPECT_EQ(re.Match(), c.match) << c.pattern << " / " << c.text;
    EXPECT_EQ(re.MatchAll(), c.matchAll) << c.pattern << " / " << c.text;
    EXPECT_EQ(re.Search(), c.search) << c.pattern << " / " << c.text;
  }
}

TEST(StringMatching, MatchVectorLayout) {
  Recorder recorder;
  RE re = With("a(b)?c", "ac");
  re.SetOnMatchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
  ASSERT_TRUE(re.Match());
  ASSERT_EQ(recorder.calls.size(), 1u);
  const REMatchInfo& m = recorder.calls[0].matches;
  ASSERT_EQ(m.size(), 4u);
  ExpectRecord(m[0], "ac", 0);
  ExpectRecord(m[1], "", -1);  // the group took no part
  ExpectRecord(m[2], "", -1);  // empty prefix
  ExpectRecord(m[3], "", -1);  // empty suffix
  EXPECT_EQ(recorder.calls[0].line, 1u);
  EXPECT_EQ(recorder.calls[0].lineStart, 0u);
  EXPECT_EQ(recorder.calls[0].fromObject.size(), 4u) << "the current match is readable inside";
  EXPECT_TRUE(re.GetMatchingInformation().empty()) << "and gone after the call";
}

TEST(StringMatching, SearchReportsLinePrefixAndSuffix) {
  Recorder recorder;
  RE re = With("b", "aaa\nxxbyy");
  re.SetOnSearchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
  ASSERT_TRUE(re.Search());
  ASSERT_EQ(recorder.calls.size(), 1u);
  const Seen& seen = recorder.calls[0];
  EXPECT_EQ(seen.line, 2u);
  EXPECT_EQ(seen.lineStart, 4u);
  ASSERT_EQ(seen.matches.size(), 3u);
  ExpectRecord(seen.matches[0], "b", 6);
  ExpectRecord(seen.matches[1], "aaa\nxx", 0);
  ExpectRecord(seen.matches[2], "yy", 7);
}

TEST(StringMatching, ZeroLengthWholeMatchCountsAsMatched) {
  Recorder recorder;
  RE re = With("x*", "abc");
  re.SetOnMatchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
  ASSERT_TRUE(re.Match());
  ExpectRecord(recorder.calls.at(0).matches.at(0), "", 0);
  ExpectRecord(recorder.calls.at(0).matches.at(2), "abc", 0);
}

TEST(StringMatching, TextsAreSearchedToTheirFullLength) {
  const std::string text("a\0b\0needle", 10);
  Recorder recorder;
  RE re = With("needle", text);
  re.SetOnSearchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
  ASSERT_TRUE(re.Search());
  ExpectRecord(recorder.calls.at(0).matches.at(0), "needle", 4);
  EXPECT_EQ(recorder.calls.at(0).matches.at(1).MatchString, std::string("a\0b\0", 4));
}

TEST(StringMatching, FailuresFireNothing) {
  Recorder recorder;
  for (const char* pattern : {"", "a(b", "zzz"}) {
    RE re = With(pattern, "abc");
    re.SetOnMatchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
    re.SetOnSearchingClosure(RE::MatchEventClosure(&recorder, &Recorder::OnMatch));
    re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&recorder, &Recorder::OnGrep));
    EXPECT_FALSE(re.Match());
    EXPECT_FALSE(re.MatchAll());
    EXPECT_FALSE(re.Search());
    EXPECT_EQ(re.Grep(), 0u);
  }
  EXPECT_TRUE(recorder.calls.empty());
}

TEST(StringMatching, GrepCountsAndStops) {
  RE re = With("a", "banana");
  EXPECT_EQ(re.Grep(), 3u);
  Recorder recorder;
  recorder.stopAt = 1;
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&recorder, &Recorder::OnGrep));
  EXPECT_EQ(re.Grep(), 1u);
  EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST(StringMatching, GrepPrefixRunsFromThePreviousMatch) {
  Recorder recorder;
  RE re = With("a+", "xaay\nza");
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&recorder, &Recorder::OnGrep));
  ASSERT_EQ(re.Grep(), 2u);
  const Seen& second = recorder.calls.at(1);
  ExpectRecord(second.matches.at(0), "a", 6);
  ExpectRecord(second.matches.at(1), "y\nz", 3);
  ExpectRecord(second.matches.at(2), "", -1);
  EXPECT_EQ(second.line, 2u);
  EXPECT_EQ(second.lineStart, 5u);
  EXPECT_EQ(second.fromObject.size(), 3u);
}

TEST(StringMatching, GrepOfAnEmptyTextCompilesNothing) {
  RE re = With("a(b", "");
  EXPECT_EQ(re.Grep(), 0u);
  EXPECT_EQ(re.GetExpressionError(), "") << "the bad pattern was never compiled";
}

TEST(StringMatching, GrepLinesOverManyLines) {
  std::string text;
  std::vector<unsigned> lines;
  for (unsigned line = 1; line <= 500; ++line) {
    text += std::string(line % 7, 'x');
    if (line % 3 == 0) {
      text += "hit";
      lines.push_back(line);
    }
    text += '\n';
  }
  struct LineRecorder {
    std::vector<unsigned> lines;
    void On(RE*, const REMatchInfo&, unsigned line, std::uint64_t, bool&) { lines.push_back(line); }
  } recorder;
  RE re = With("hit", text);
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&recorder, &LineRecorder::On));
  EXPECT_EQ(re.Grep(), lines.size());
  EXPECT_EQ(recorder.lines, lines);
}

struct Reassigner {
  void On(RE* sender, const REMatchInfo&, unsigned, std::uint64_t, bool&) {
    sender->SetStringToMatch("completely different and much longer text than before");
    sender->SetOnGrepping(nullptr);
    sender->SetOnGreppingClosure(RE::ContinueMatchEventClosure());
    ++calls;
  }
  int calls = 0;
};

TEST(StringMatching, GrepRunsOnTheTextAndHandlersItStartedWith) {
  Reassigner reassigner;
  RE re = With("a", "banana");
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&reassigner, &Reassigner::On));
  EXPECT_EQ(re.Grep(), 3u);
  EXPECT_EQ(reassigner.calls, 3);
}

struct Thrower {
  void OnMatch(RE*, const REMatchInfo&, unsigned, std::uint64_t) { throw std::runtime_error("m"); }
  void OnGrep(RE*, const REMatchInfo&, unsigned, std::uint64_t, bool&) {
    throw std::runtime_error("g");
  }
};

TEST(StringMatching, AHandlersExceptionReachesTheCallerAndClearsTheCurrentMatch) {
  Thrower thrower;
  RE re = With("a", "banana");
  re.SetFormatString("$&");
  re.SetOnSearchingClosure(RE::MatchEventClosure(&thrower, &Thrower::OnMatch));
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&thrower, &Thrower::OnGrep));
  EXPECT_THROW(re.Search(), std::runtime_error);
  EXPECT_TRUE(re.GetMatchingInformation().empty());
  EXPECT_THROW(re.Grep(), std::runtime_error);
  EXPECT_TRUE(re.GetMatchingInformation().empty());
  std::string formatted = "stale";
  re.Format(formatted);
  EXPECT_EQ(formatted, "");
}

TEST(StringMatching, AnAbandonedExpressionIsAValue) {
  RE re = With("(a*)*b\\1", std::string(100000, 'a'));
  EXPECT_NO_THROW(EXPECT_FALSE(re.Search()));
  EXPECT_NO_THROW(re.Grep());
}

// A give-up is no "no match": the value stays what it was (false, the matches before, an empty
// merge), and the object says that the engine gave up and why until its next operation.
TEST(StringMatching, AnAbandonedOperationSaysSoAndWhy) {
  const std::string hard = "b" + std::string(2000, 'a');
  RE re = With("(a*)*b\\1", hard);
  EXPECT_FALSE(re.LastOperationAbandoned()) << "nothing ran yet";
  EXPECT_EQ(re.GetAbandonReason(), "");
  re.SetStringToMatch(std::string(2000, 'a'));
  EXPECT_FALSE(re.Search());
  EXPECT_TRUE(re.LastOperationAbandoned());
  const std::string reason = re.GetAbandonReason();
  EXPECT_NE(reason.find("complexity"), std::string::npos) << reason;
  EXPECT_FALSE(re.Match());
  EXPECT_TRUE(re.LastOperationAbandoned());
  EXPECT_FALSE(re.MatchAll());
  EXPECT_EQ(re.GetAbandonReason(), reason);

  re.SetStringToMatch(hard);
  EXPECT_EQ(re.Grep(), 1u) << "the match before the engine gave up";
  EXPECT_TRUE(re.LastOperationAbandoned());
  re.SetFormatString("X");
  re.SetMergeCopy(true);
  std::string merged = "stale";
  re.Merge(merged);
  EXPECT_EQ(merged, "") << "never a partial merge";
  EXPECT_TRUE(re.LastOperationAbandoned());
  Recorder recorder;
  re.SetOnMergingClosure(RE::ContinueMatchEventClosure(&recorder, &Recorder::OnGrep));
  merged = "stale";
  re.Merge(merged);
  EXPECT_EQ(merged, "") << "nor with a handler";
  EXPECT_EQ(re.GetAbandonReason(), reason);

  // A copy starts afresh; the next operation that is decided clears it.
  const RE copy(re);
  EXPECT_FALSE(copy.LastOperationAbandoned());
  re.SetStringToMatch("aab");
  EXPECT_TRUE(re.Search());
  EXPECT_FALSE(re.LastOperationAbandoned());
  EXPECT_EQ(re.GetAbandonReason(), "");
  re.SetStringToMatch(std::string(2000, 'a'));
  EXPECT_FALSE(re.Search());
  re.SetExpression("a(");
  EXPECT_FALSE(re.Search()) << "a pattern that does not compile";
  EXPECT_FALSE(re.LastOperationAbandoned());
}

// A back-reference to a group that took no part does not match the empty text.
TEST(StringMatching, ABackReferenceToAnUnsetGroupFails) {
  RE re = With("0|()0|\\1|0", "aa");
  Recorder recorder;
  re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&recorder, &Recorder::OnGrep));
  EXPECT_FALSE(re.Search());
  EXPECT_FALSE(re.Match());
  EXPECT_EQ(re.Grep(), 0u);
  EXPECT_TRUE(recorder.calls.empty());
  re.SetFormatString("X");
  re.SetMergeCopy(true);
  std::string merged;
  re.Merge(merged);
  EXPECT_EQ(merged, "aa");
  re.SetExpression("(x)?\\1y");
  re.SetStringToMatch("ay xy");
  EXPECT_EQ(re.Grep(), 0u);
  re.AddMatchOption(RE::MatchShortest);
  EXPECT_FALSE(re.Search());
}

TEST(StringMatching, MatchOptionsReachTheEngine) {
  RE re = With("^b", "a\nb");
  EXPECT_TRUE(re.Search());
  re.SetStringToMatch("b");
  re.AddMatchOption(RE::MatchNotBeginningOfLine);
  EXPECT_FALSE(re.Search());
  re.AddMatchOption(RE::MatchDefault);
  EXPECT_TRUE(re.Search());

  RE dot = With("a.c", "a\nc");
  EXPECT_TRUE(dot.Search());
  dot.AddMatchOption(RE::MatchNotDotNewline);
  EXPECT_FALSE(dot.Search());

  RE empty = With("x*", "abc");
  EXPECT_TRUE(empty.Match());
  empty.AddMatchOption(RE::MatchNotNullString);
  EXPECT_FALSE(empty.Match());
}

}  // namespace
