// Compile options on the object, compilation on demand and its compiled flag.
#include <gtest/gtest.h>

#include <string>

#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;

// The const count reads the compiled state without compiling: non-zero exactly while the
// compiled flag is set for a pattern with groups.
unsigned CompiledCount(const RE& re) { return re.NumberOfSubexpressions(); }

TEST(Compile, FlagWordsFollowTheGroups) {
  RE re;
  re.AddExpressionOption(RE::Basic);
  EXPECT_EQ(re.GetFlagOptions(), 0x1CEu);
  re.AddExpressionOption(RE::Extended);
  EXPECT_EQ(re.GetFlagOptions(), 0x106u);
  re.AddExpressionOption(RE::CaseInsensitive);
  EXPECT_EQ(re.GetFlagOptions(), 0x2106u);
  re.ClearExpressionOptions();
  EXPECT_EQ(re.GetFlagOptions(), 0u);
  EXPECT_FALSE(re.IsExpressionOption(RE::Normal));
}

TEST(Compile, EmptyPatternIsNotCompiled) {
  RE re;
  EXPECT_EQ(re.ParseExpression(), 1);
  EXPECT_EQ(re.GetExpressionError(), "");
  EXPECT_EQ(re.NumberOfSubexpressions(), 0u);
  EXPECT_EQ(re.ParseExpression(), 1) << "still not compiled";
}

TEST(Compile, BadPatternIsAValueAndIsKept) {
  RE re;
  re.SetExpression("a(b");
  const unsigned char code = re.ParseExpression();
  EXPECT_EQ(code, 8) << "Boost's error_paren";
  EXPECT_EQ(re.GetExpressionError(), "Unmatched marking parenthesis ( or \\(.");
  EXPECT_EQ(re.ParseExpression(), code);
  EXPECT_EQ(re.NumberOfSubexpressions(), 0u);
  re.SetExpression("a(b)");
  EXPECT_EQ(re.GetExpressionError(), "") << "a new text clears the recorded error";
  EXPECT_EQ(re.ParseExpression(), 0);
  EXPECT_EQ(re.GetExpressionError(), "");
}

TEST(Compile, MalformedPatternsNeverThrow) {
  const char* patterns[] = {"(", ")", "[", "[]", "a{", "a{1", "a{2,1}", "\\", "*", "a**",
                            "[[:nope:]]", "(?:a)", "a*?", "\\9", "[z-a]", "(((((((((("};
  for (const char* pattern : patterns) {
    RE re;
    re.SetExpression(pattern);
    unsigned char code = 0;
    EXPECT_NO_THROW(code = re.ParseExpression()) << pattern;
    if (code != 0) {
      EXPECT_FALSE(re.GetExpressionError().empty()) << pattern;
    }
  }
}

TEST(Compile, CountsGroupsOnDemand) {
  RE re;
  re.SetExpression("(a)(b)");
  EXPECT_EQ(CompiledCount(re), 0u) << "the const form does not compile";
  EXPECT_EQ(re.NumberOfSubexpressions(), 2u);
  EXPECT_EQ(CompiledCount(re), 2u);
}

TEST(Compile, PatternEndsAtItsFirstNul) {
  RE re;
  re.SetExpression(std::string("a\0(", 3));
  EXPECT_EQ(re.ParseExpression(), 0) << "only 'a' is compiled";
  re.SetExpression(std::string("(\0)", 3));
  EXPECT_NE(re.ParseExpression(), 0) << "'(' alone is unbalanced";
  re.SetExpression(std::string("\0abc", 4));
  EXPECT_EQ(re.NumberOfSubexpressions(), 0u);
}

// Which events clear the compiled flag and which keep it.
TEST(Compile, CompiledFlagStateTable) {
  struct Event {
    const char* name;
    void (*apply)(RE&);
    bool clears;
  } events[] = {
      {"SetExpression, same text", [](RE& re) { re.SetExpression("(a)(b)"); }, true},
      {"adding an absent option", [](RE& re) { re.AddExpressionOption(RE::CaseInsensitive); }, true},
      {"deleting a present option", [](RE& re) { re.DeleteExpressionOption(RE::Intervals); }, true},
      {"ClearExpressionOptions", [](RE& re) { re.ClearExpressionOptions(); }, true},
      {"adding a present option", [](RE& re) { re.AddExpressionOption(RE::Intervals); }, false},
      {"deleting an absent option", [](RE& re) { re.DeleteExpressionOption(RE::Literals); }, false},
      {"SetLocale", [](RE& re) { re.SetLocale(std::locale::classic()); }, false},
      {"match options", [](RE& re) { re.AddMatchOption(RE::MatchNotDotNewline); }, false},
      {"other properties", [](RE& re) { re.SetStringToMatch("ab"); }, false},
  };
  for (const Event& event : events) {
    RE re;
    re.SetExpression("(a)(b)");
    ASSERT_EQ(re.NumberOfSubexpressions(), 2u);
    event.apply(re);
    EXPECT_EQ(CompiledCount(re), event.clears ? 0u : 2u) << event.name;
  }
}

TEST(Compile, ClearedOptionsCompileAgainWithTheNewWord) {
  RE re;
  re.SetExpression("a{2}");
  ASSERT_EQ(re.ParseExpression(), 0);
  re.SetExpression("\\(a\\)\\{2\\}");
  re.AddExpressionOption(RE::Basic);
  EXPECT_EQ(re.ParseExpression(), 0);
  EXPECT_EQ(re.NumberOfSubexpressions(), 1u);
}

TEST(Compile, ConvertKeepsTheLowByte) {
  EXPECT_EQ(RE::ConvertREXResult(0), 0);
  EXPECT_EQ(RE::ConvertREXResult(8), 8);
  EXPECT_EQ(RE::ConvertREXResult(0x105), 5);
}

}  // namespace
