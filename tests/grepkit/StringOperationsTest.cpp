// The string operations of the component: closure events, 1-based positions, the grep and
// merge predicates.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

#include "Handlers.h"
#include "TemporaryDirectory.h"
#include "grepkit/Regularexpressioncustom.h"

namespace {

using RE = RegexComponent::RegularExpressionCustom;
using GrepkitTest::Recorder;
using vcl35::AnsiString;

TEST(ComponentStringOperations, SearchReportsOneBasedPositionsAndZeroForAbsentGroups) {
  Recorder recorder;
  RE re(nullptr);
  re.SetExpression("b(x)?");
  re.SetStringToMatch("abc");
  re.OnSearching = recorder.OnMatch();
  ASSERT_TRUE(re.Search());
  ASSERT_EQ(recorder.Calls.size(), 1u);
  const auto& m = recorder.Calls[0].Matches;
  ASSERT_EQ(m.size(), 4u) << "whole match, one group, prefix, suffix";
  EXPECT_EQ(m[0].MatchString.ToString(), "b");
  EXPECT_EQ(m[0].Position, 2);
  EXPECT_TRUE(m[1].MatchString.IsEmpty());
  EXPECT_EQ(m[1].Position, 0);
  EXPECT_EQ(m[2].MatchString.ToString(), "a");
  EXPECT_EQ(m[2].Position, 1);
  EXPECT_EQ(m[3].MatchString.ToString(), "c");
  EXPECT_EQ(m[3].Position, 3);
  EXPECT_EQ(recorder.Calls[0].Sender, &re);
  EXPECT_TRUE(re.GetMatchingInformation().empty()) << "no current match after the call";
}

TEST(ComponentStringOperations, AnEmptyPrefixTookNoPart) {
  Recorder recorder;
  RE re(nullptr);
  re.SetExpression("a");
  re.SetStringToMatch("abc");
  re.OnMatching = recorder.OnMatch();
  ASSERT_TRUE(re.Match());
  const auto& m = recorder.Calls.at(0).Matches;
  EXPECT_EQ(m[0].Position, 1);
  EXPECT_EQ(m[1].Position, 0) << "empty prefix";
  EXPECT_EQ(m[2].Position, 2);
}

TEST(ComponentStringOperations, MatchAllNeedsTheWholeTextAndLinesAreReported) {
  Recorder recorder;
  RE re(nullptr);
  re.OnMatching = recorder.OnMatch();
  re.OnSearching = recorder.OnMatch();
  re.SetExpression("ab");
  re.SetStringToMatch("abc");
  EXPECT_TRUE(re.Match());
  EXPECT_FALSE(re.MatchAll());
  re.SetStringToMatch("x\nyy\nab");
  EXPECT_FALSE(re.Match());
  recorder.Calls.clear();
  ASSERT_TRUE(re.Search());
  EXPECT_EQ(recorder.Calls.at(0).LineIndex, 3u);
  EXPECT_EQ(recorder.Calls.at(0).StartOfLine, 5u);
  EXPECT_EQ(recorder.Calls.at(0).Matches[0].Position, 6);
}

TEST(ComponentGrep, EveryMatchReachesTheHandlerWhichMayStop) {
  Recorder recorder;
  RE re(nullptr);
  re.SetExpression("o+");
  re.SetStringToMatch("foo boo zoo");
  re.SetFormatString("<$&>");
  EXPECT_EQ(re.Grep(), 3u) << "without a handler the count is the engine's";
  re.OnGrepping = recorder.OnContinue();
  EXPECT_EQ(re.Grep(), 3u);
  ASSERT_EQ(recorder.Calls.size(), 3u);
  EXPECT_EQ(recorder.Calls[1].Matches[0].Position, 6);
  EXPECT_EQ(recorder.Formatted[2], "<oo>") << "Format sees the current grep match";
  recorder.Calls.clear();
  recorder.StopAfter = 2;
  EXPECT_EQ(re.Grep(), 2u) << "the match at which the handler stopped counts";
  re.SetStringToMatch("");
  EXPECT_EQ(re.Grep(), 0u);
}

TEST(ComponentGrep, ThePredicateIsAnOrdinaryMember) {
  Recorder recorder;
  RE re(nullptr);
  re.SetExpression("x");
  re.SetStringToMatch("x");
  re.OnGrepping = recorder.OnContinue();
  ASSERT_EQ(re.Grep(), 1u);
  // Outside a run no merge is served: the merge predicate declines.
  RE other(nullptr);
  other.SetExpression("x");
  other.SetStringToMatch("x");
  other.SetFormatString("y");
  AnsiString out;
  other.Merge(out);
  EXPECT_EQ(out.ToString(), "y");
}

struct MergeCase {
  const char* Text;
  const char* Format;
  bool Copy;
  std::size_t StopAfter;  // 0: never
  const char* Expected;
};

void PrintTo(const MergeCase& c, std::ostream* os) { *os << c.Text << " / " << c.Format; }

class ComponentMergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(ComponentMergeTest, WithAndWithoutAHandler) {
  const MergeCase& c = GetParam();
  RE re(nullptr);
  re.SetExpression("[0-9]+");
  re.SetStringToMatch(c.Text);
  re.SetFormatString(c.Format);
  re.MergeCopy = c.Copy;
  AnsiString plain;
  if (c.StopAfter == 0) {
    re.Merge(plain);
    EXPECT_EQ(plain.ToString(), c.Expected) << "plain merge";
  }
  Recorder recorder;
  recorder.StopAfter = c.StopAfter;
  re.OnMerging = recorder.OnContinue();
  AnsiString handled;
  re.Merge(handled);
  EXPECT_EQ(handled.ToString(), c.Expected) << "merge with a handler";
  EXPECT_FALSE(recorder.Calls.empty());
  for (const auto& call : recorder.Calls) EXPECT_GE(call.Matches[0].Position, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ComponentMergeTest,
                         ::testing::Values(MergeCase{"a1b22c", "<$&>", true, 0, "a<1>b<22>c"},
                                           MergeCase{"a1b22c", "<$&>", false, 0, "<1><22>"},
                                           MergeCase{"12", "[$&]", true, 0, "[12]"},
                                           MergeCase{"x1y2z3", "#", true, 2, "x#y2z3"},
                                           MergeCase{"x1y2z3", "#", false, 2, "#"}));

// The engine's give-up is told apart from "no match", as in the pattern class, and a
// back-reference to a group that took no part does not match.
TEST(ComponentStringOperations, AnAbandonedOperationSaysSoAndWhy) {
  RE re(nullptr);
  re.SetExpression("(a*)*b\\1");
  re.SetStringToMatch(std::string(2000, 'a').c_str());
  EXPECT_FALSE(re.LastOperationAbandoned());
  EXPECT_FALSE(re.Search());
  EXPECT_TRUE(re.LastOperationAbandoned());
  const std::string reason = re.GetAbandonReason().ToString();
  EXPECT_NE(reason.find("complexity"), std::string::npos) << reason;
  re.SetStringToMatch(("b" + std::string(2000, 'a')).c_str());
  EXPECT_EQ(re.Grep(), 1u);
  EXPECT_EQ(re.GetAbandonReason().ToString(), reason);
  re.SetFormatString("X");
  AnsiString merged("stale");
  re.Merge(merged);
  EXPECT_TRUE(merged.IsEmpty());
  EXPECT_TRUE(re.LastOperationAbandoned());
  re.SetStringToMatch("aab");
  EXPECT_TRUE(re.Match());
  EXPECT_FALSE(re.LastOperationAbandoned());
  EXPECT_TRUE(re.GetAbandonReason().IsEmpty());

  re.SetExpression("0|()0|\\1|0");
  re.SetStringToMatch("aa");
  EXPECT_FALSE(re.Search());
  EXPECT_EQ(re.Grep(), 0u);
  EXPECT_FALSE(re.LastOperationAbandoned());
}

TEST(ComponentMerge, NothingWithoutFormatTextOrPattern) {
  RE re(nullptr);
  AnsiString out("stale");
  re.SetExpression("a");
  re.SetStringToMatch("a");
  re.Merge(out);
  EXPECT_TRUE(out.IsEmpty());
  re.SetFormatString("b");
  re.SetExpression("(");
  re.Merge(out);
  EXPECT_TRUE(out.IsEmpty());
}

TEST(ComponentFormat, EmptyOutsideAHandler) {
  RE re(nullptr);
  re.SetFormatString("$&");
  AnsiString out("stale");
  re.Format(out);
  EXPECT_TRUE(out.IsEmpty());
}

}  // namespace

namespace {

class Thrower : public vcl35::TObject {
 public:
  void Throw(RE*, const RegexComponent::REMatchInfo&, unsigned int, std::uint64_t, bool&) {
    throw std::runtime_error("handler failed");
  }
  void ThrowOnFile(RE*, vcl35::AnsiString, const RegexComponent::REMatchInfo&, unsigned int,
                   bool&) {
    throw std::runtime_error("handler failed");
  }
};

TEST(ComponentHandlerExceptions, ReachTheCallerAndLeaveNoCurrentMatch) {
  Thrower thrower;
  RE re(nullptr);
  re.SetExpression("a");
  re.SetStringToMatch("aa");
  re.SetFormatString("b");
  re.OnGrepping = RE::ContinueMatchEvent(&thrower, &Thrower::Throw);
  re.OnMerging = RE::ContinueMatchEvent(&thrower, &Thrower::Throw);
  EXPECT_THROW(re.Grep(), std::runtime_error);
  EXPECT_TRUE(re.GetMatchingInformation().empty());
  AnsiString out;
  EXPECT_THROW(re.Merge(out), std::runtime_error);
  EXPECT_TRUE(re.GetMatchingInformation().empty());
  re.OnGrepping = RE::ContinueMatchEvent();
  EXPECT_EQ(re.Grep(), 2u) << "the component works on after the exception";
}

TEST(ComponentHandlerExceptions, LeaveTheFileBeingChangedAsItWas) {
  TestSupport::TemporaryDirectory dir;
  const std::string file = dir.Write("a.txt", "aaa");
  Thrower thrower;
  RE re(nullptr);
  re.SetExpression("a");
  re.SetFormatString("b");
  re.SetFilesToMatch((dir / "*.txt").c_str());
  re.OnChangingFiles = RE::FileMatchEvent(&thrower, &Thrower::ThrowOnFile);
  EXPECT_THROW(re.ChangeFiles(), std::runtime_error);
  EXPECT_EQ(TestSupport::TemporaryDirectory::Read(file), "aaa");
  re.OnChangingFiles = RE::FileMatchEvent();
  EXPECT_EQ(re.ChangeFiles(), 3u) << "the stacks were popped: a new run starts";
  EXPECT_EQ(TestSupport::TemporaryDirectory::Read(file), "bbb");
}

}  // namespace
