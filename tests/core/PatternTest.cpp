#include <gtest/gtest.h>

#include "grepcore/Regex.h"

namespace {

using grepcore::CompileOptions;
using grepcore::ErrorKind;
using grepcore::Pattern;
using grepcore::SyntaxKind;

TEST(PatternTest, ABadPatternIsAnErrorValueNotAPattern) {
  const auto bad = Pattern::Compile("a(b");
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.Error().Kind, ErrorKind::BadPattern);
  EXPECT_NE(bad.Error().Code, 0u);
  EXPECT_FALSE(bad.Error().Message.empty());

  const auto good = Pattern::Compile("(a)(b)?");
  ASSERT_TRUE(good);
  EXPECT_EQ(good->GroupCount(), 2u);
  EXPECT_EQ(good->Text(), "(a)(b)?");
}

TEST(PatternTest, ACompileErrorSaysWhereInThePatternItWasFound) {
  struct Case {
    const char* pattern;
    std::ptrdiff_t offset;  // -1: the engine does not know
  } cases[] = {
      {"a(b", 1}, {"ab(cd", 2}, {"(a|", 0}, {"[a", 0},    {"x{2,1}", 1},       {"a{1", 1},
      {"*a", 0},  {"a**", 2},   {"a\\", 1}, {"ab\\9", 2}, {"x[[:nope:]]", -1},  // the class's
                                                                                // members are
                                                                                // looked up after
                                                                                // the text is read
  };
  for (const Case& c : cases) {
    const auto bad = Pattern::Compile(c.pattern);
    ASSERT_FALSE(bad) << c.pattern;
    EXPECT_EQ(bad.Error().Kind, ErrorKind::BadPattern);
    EXPECT_EQ(bad.Error().Offset, c.offset) << c.pattern << ": " << bad.Error().Message;
  }
}

TEST(PatternTest, MatchOptionsStandForTheToolkitsMatchWords) {
  grepcore::MatchOptions options;
  EXPECT_EQ(options.Word(), 0u);
  options.NotBeginningOfLine = true;
  options.NotDotNull = true;
  options.Continuous = true;
  EXPECT_EQ(options.Word(), 0x1u | 0x80u | 0x1000u);
  for (unsigned word :
       {0x0u, 0x1u, 0x2u, 0x4u, 0x8u, 0x10u, 0x20u, 0x40u, 0x80u, 0x400u, 0x800u, 0x1000u, 0x1CFFu})
    EXPECT_EQ(grepcore::MatchOptions::FromWord(word).Word(), word) << std::hex << word;
}

TEST(PatternTest, OptionsStandForTheToolkitsOptionWords) {
  EXPECT_EQ(CompileOptions{}.Word(), 0x4107u);
  CompileOptions basic;
  basic.Syntax = SyntaxKind::Basic;
  basic.IgnoreCase = true;
  EXPECT_EQ(basic.Word(), 0x1CEu | 0x2000u);
  for (unsigned word : {0x4107u, 0x1CEu, 0x106u, 0x1000u, 0x3107u, 0x1u, 0x0u, 0x21CEu, 0x5107u}) {
    EXPECT_EQ(CompileOptions::FromWord(word).Word(), word) << std::hex << word;
  }
  // A syntax spelled in single options compiles like the named one.
  CompileOptions custom;
  custom.Syntax = SyntaxKind::Custom;
  custom.Extra = 0x1CE;
  EXPECT_EQ(Pattern::Compile("\\(a\\)", custom)->GroupCount(), 1u);
}

TEST(PatternTest, CopiesShareOneCompiledForm) {
  const Pattern first = *Pattern::Compile("x+");
  const Pattern copy = first;  // NOLINT: the copy is the point
  EXPECT_EQ(first.Data(), copy.Data());
}

}  // namespace
