#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <cstring>
#include <string>

#include "engine/OptionWords.h"
#include "PatternImpl.h"
#include "engine/Pattern.h"

namespace {

using GrepEngine::Pattern;
namespace S = GrepEngine::SyntaxBits;
namespace rc = boost::regex_constants;

std::shared_ptr<const Pattern> Compile(const std::string& text, unsigned word = S::Normal) {
  return Pattern::Compile(text.data(), text.data() + text.size(), word, std::locale());
}

TEST(PatternTest, GoodPatternsCompileWithTheirMarkCount) {
  struct Case {
    const char* text;
    unsigned word;
    unsigned marks;  // including the whole match
  } cases[] = {
      {"abc", S::Normal, 1},          {"(a)(b(c))", S::Normal, 4},
      {"[[:alpha:]]+", S::Normal, 1}, {"a{2,3}", S::Normal, 1},
      {"\\(a\\)\\{2\\}", S::Basic, 2}, {"(a)\\1", S::Extended, 2},
      {"a(b", S::Literals, 1},        {"[\\]]", S::Normal, 1},
      {"ABC", S::Normal | S::CaseInsensitive, 1},
  };
  for (const Case& c : cases) {
    auto pattern = Compile(c.text, c.word);
    EXPECT_EQ(pattern->ErrorCode(), 0u) << c.text;
    EXPECT_EQ(pattern->MarkCount(), c.marks) << c.text;
    EXPECT_EQ(pattern->OptionWord(), c.word);
    EXPECT_TRUE(pattern->ErrorText().empty());
  }
}

TEST(PatternTest, BadPatternsAreValuesWithBoostsCodesAndTexts) {
  struct Case {
    const char* text;
    unsigned word;
    rc::error_type code;
  } cases[] = {
      {"a(b", S::Normal, rc::error_paren},
      {"a\\(b", S::Basic, rc::error_paren},
      {"[abc", S::Normal, rc::error_brack},
      {"a{2,1}", S::Normal, rc::error_badbrace},
      {"*a", S::Normal, rc::error_badrepeat},
      {"a\\", S::Normal, rc::error_escape},
  };
  for (const Case& c : cases) {
    std::shared_ptr<const Pattern> pattern;
    ASSERT_NO_THROW(pattern = Compile(c.text, c.word)) << c.text;
    EXPECT_TRUE(pattern->Failed()) << c.text;
    EXPECT_EQ(pattern->ErrorCode(), static_cast<unsigned>(c.code)) << c.text;
    EXPECT_EQ(pattern->MarkCount(), 0u);
    EXPECT_EQ(pattern->ErrorText(), boost::cpp_regex_traits<char>().error_string(c.code)) << c.text;
    EXPECT_LT(pattern->ErrorCode(), 256u);
  }
}

bool Finds(const std::shared_ptr<const Pattern>& pattern, const std::string& text) {
  return boost::regex_search(text, pattern->Internals().Expression);
}

TEST(PatternTest, DefaultSyntaxAndCaseSwitchReachTheEngine) {
  EXPECT_FALSE(Finds(Compile("abc"), "xABCx"));
  EXPECT_TRUE(Finds(Compile("abc", S::Normal | S::CaseInsensitive), "xABCx"));
  // Normal: extended syntax, escapes inside brackets, back-references.
  EXPECT_TRUE(Finds(Compile("(ab|cd)+e"), "cdabe"));
  EXPECT_TRUE(Finds(Compile("[\\]]"), "]"));
  EXPECT_TRUE(Finds(Compile("(a)\\1"), "aa"));
  EXPECT_TRUE(Finds(Compile("[[:digit:]]{2}"), "x42"));
  EXPECT_FALSE(Finds(Compile("[[:digit:]]{2}"), "x4"));
}

TEST(PatternTest, ThePatternIsTheGivenRangeOnly) {
  const char text[] = "a(b";
  auto pattern = Pattern::Compile(text, text + 1, S::Normal, std::locale());
  EXPECT_EQ(pattern->ErrorCode(), 0u);  // "a" alone
}

TEST(PatternTest, KeepsTheLocaleItWasCompiledWith) {
  std::locale classic = std::locale::classic();
  const std::string text = "a(";
  auto failed = Pattern::Compile(text.data(), text.data() + 2, S::Normal, classic);
  EXPECT_EQ(failed->Locale(), classic);
  EXPECT_FALSE(failed->ErrorText().empty());
}

}  // namespace
