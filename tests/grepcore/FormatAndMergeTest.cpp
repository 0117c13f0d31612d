// Format of the current match and Merge, with and without an OnMerging handler.
#include <gtest/gtest.h>

#include <string>

#include "grepcore/Regularexpressionclass.h"

namespace {

using RegexClass::REMatchInfo;
using RE = RegexClass::RegularExpression;

std::string Merged(RE& re) {
  std::string result = "stale";
  re.Merge(result);
  return result;
}

RE Banana(bool copy) {
  RE re;
  re.SetExpression("a");
  re.SetFormatString("X");
  re.SetStringToMatch("banana");
  re.SetMergeCopy(copy);
  return re;
}

struct MergeHandler {
  int calls = 0;
  int refuseAt = 0;                 // 1-based call that clears bcontinue
  const char* newFormat = nullptr;  // assigned at the first call
  std::string formattedInside;
  void On(RE* sender, const REMatchInfo&, unsigned, std::uint64_t, bool& go) {
    ++calls;
    if (calls == 1 && newFormat != nullptr) sender->SetFormatString(newFormat);
    sender->Format(formattedInside);
    if (calls == refuseAt) go = false;
  }
};

TEST(Merge, WithAndWithoutCopyAndHandler) {
  for (bool copy : {true, false}) {
    RE plain = Banana(copy);
    EXPECT_EQ(Merged(plain), copy ? "bXnXnX" : "XXX");
    MergeHandler handler;
    RE handled = Banana(copy);
    handled.SetOnMergingClosure(RE::ContinueMatchEventClosure(&handler, &MergeHandler::On));
    EXPECT_EQ(Merged(handled), copy ? "bXnXnX" : "XXX");
    EXPECT_EQ(handler.calls, 3);
  }
}

TEST(Merge, ARefusedMatchStaysAndEndsTheRun) {
  for (bool copy : {true, false}) {
    MergeHandler handler;
    handler.refuseAt = 2;
    RE re = Banana(copy);
    re.SetOnMergingClosure(RE::ContinueMatchEventClosure(&handler, &MergeHandler::On));
    EXPECT_EQ(Merged(re), copy ? "bXnana" : "X");
    EXPECT_EQ(handler.calls, 2);
  }
}

TEST(Merge, AHandlerMayChangeTheFormatForTheRestOfTheRun) {
  MergeHandler handler;
  handler.newFormat = "Y";
  RE re = Banana(true);
  re.SetOnMergingClosure(RE::ContinueMatchEventClosure(&handler, &MergeHandler::On));
  EXPECT_EQ(Merged(re), "bYnYnY");
  EXPECT_EQ(handler.formattedInside, "Y") << "Format inside the handler expands the current match";
}

TEST(Merge, AnEmptyFormatDeletesTheMatchWhenSetInside) {
  MergeHandler handler;
  handler.newFormat = "";
  RE re = Banana(true);
  re.SetOnMergingClosure(RE::ContinueMatchEventClosure(&handler, &MergeHandler::On));
  EXPECT_EQ(Merged(re), "bnn");
}

TEST(Merge, NothingToDoGivesAnEmptyResult) {
  RE noFormat = Banana(true);
  noFormat.SetFormatString("");
  EXPECT_EQ(Merged(noFormat), "");

  RE noText = Banana(true);
  noText.SetExpression("a(b");
  noText.SetStringToMatch("");
  EXPECT_EQ(Merged(noText), "");
  EXPECT_EQ(noText.GetExpressionError(), "") << "an empty text compiles nothing";

  RE badPattern = Banana(true);
  badPattern.SetExpression("a(b");
  EXPECT_EQ(Merged(badPattern), "");
  EXPECT_NE(badPattern.GetExpressionError(), "");
}

TEST(Merge, FormatSyntaxAndSubexpressions) {
  RE re;
  re.SetExpression("([a-z]+)=([0-9]+)");
  re.SetStringToMatch("x=1, yy=22");
  re.SetFormatString("$2:$1[$&]");
  re.SetMergeCopy(true);
  EXPECT_EQ(Merged(re), "1:x[x=1], 22:yy[yy=22]");
}

TEST(Merge, TextWithNulBytesIsMergedWhole) {
  RE re;
  re.SetExpression("b");
  re.SetStringToMatch(std::string("a\0b\0b", 5));
  re.SetFormatString("B");
  re.SetMergeCopy(true);
  EXPECT_EQ(Merged(re), std::string("a\0B\0B", 5));
}

struct FormatInMatch {
  std::string formatted;
  void On(RE* sender, const REMatchInfo&, unsigned, std::uint64_t) { sender->Format(formatted); }
};

// $` has two other names, $PREMATCH and ${^PREMATCH}. Each must give the text since the
// previous match, in both merges and under both rules, after empty matches too (found by the
// string fuzzer with a pattern of NUL bytes, which matches empty everywhere).
TEST(Merge, EveryNameOfThePrefixGivesTheTextSinceThePreviousMatch) {
  for (const bool shortest : {false, true}) {
    for (const char* format : {"$`>", "$PREMATCH>", "${^PREMATCH}>"}) {
      RE re;
      if (shortest) re.AddMatchOption(RE::MatchShortest);
      re.SetExpression(std::string("\0\0", 2));
      re.SetStringToMatch("_\x07");
      re.SetFormatString(format);
      re.SetMergeCopy(true);
      std::string plain, handled;
      re.Merge(plain);
      re.SetOnMerging([](RE*, const REMatchInfo&, unsigned, std::uint64_t, bool&) {});
      re.Merge(handled);
      EXPECT_EQ(plain, ">__>\x07\x07>") << format << (shortest ? " shortest" : "");
      EXPECT_EQ(handled, plain) << format << (shortest ? " shortest" : "");

      re.SetExpression("n");
      re.SetStringToMatch("banana");
      re.SetFormatString(std::string("(") + format + ")");
      re.Merge(handled);
      EXPECT_EQ(handled, "ba(ba>)a(a>)a") << format << (shortest ? " shortest" : "");
    }
  }
}

TEST(Format, ExpandsTheReportedMatchOnly) {
  FormatInMatch handler;
  RE re;
  re.SetExpression("(o+)");
  re.SetStringToMatch("foo bar");
  re.SetFormatString("<$1>");
  re.SetOnSearchingClosure(RE::MatchEventClosure(&handler, &FormatInMatch::On));
  ASSERT_TRUE(re.Search());
  EXPECT_EQ(handler.formatted, "<oo>");
  std::string outside = "stale";
  re.Format(outside);
  EXPECT_EQ(outside, "") << "no current match outside a handler";
  re.SetFormatString("");
  handler.formatted = "stale";
  ASSERT_TRUE(re.Search());
  EXPECT_EQ(handler.formatted, "");
}

}  // namespace
