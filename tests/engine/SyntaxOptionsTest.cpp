// Each syntax option, alone and combined, shown by what the compiled pattern finds.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <cctype>
#include <locale>
#include <memory>
#include <string>

#include "SyntaxTestSupport.h"
#include "engine/OptionWords.h"

namespace {

namespace S = GrepEngine::SyntaxBits;
namespace rc = boost::regex_constants;
using SyntaxTest::Compile;
using SyntaxTest::Search;

constexpr long NoMatch = -1;

struct MatchCase {
  unsigned word;
  const char* pattern;
  const char* text;
  long start;         // NoMatch: nothing found
  const char* whole;  // the text of the whole match
};

std::string Describe(const MatchCase& c) {
  char word[16];
  std::snprintf(word, sizeof word, "0x%X", c.word);
  return std::string("word ") + word + " pattern \"" + c.pattern + "\" text \"" + c.text + "\"";
}

void ExpectMatches(const MatchCase* first, const MatchCase* last,
                   const std::locale& locale = std::locale::classic()) {
  for (const MatchCase* c = first; c != last; ++c) {
    const std::string pattern = c->pattern;
    auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                 c->word, locale);
    ASSERT_FALSE(compiled->Failed()) << Describe(*c) << ": " << compiled->ErrorText();
    const std::string text = c->text;
    const SyntaxTest::Spans spans = Search(*compiled, text);
    if (c->start == NoMatch) {
      EXPECT_TRUE(spans.empty()) << Describe(*c) << " found " << SyntaxTest::Show(spans);
      continue;
    }
    ASSERT_FALSE(spans.empty()) << Describe(*c);
    EXPECT_EQ(spans[0].first, c->start) << Describe(*c);
    EXPECT_EQ(text.substr(static_cast<std::size_t>(spans[0].first),
                          static_cast<std::size_t>(spans[0].second - spans[0].first)),
              c->whole)
        << Describe(*c);
  }
}

template <std::size_t N>
void ExpectMatches(const MatchCase (&cases)[N]) {
  ExpectMatches(cases, cases + N);
}

TEST(SyntaxOptionsTest, EscapeInCharacterSets) {
  const MatchCase cases[] = {
      {S::Normal, "[\\]]", "x]", 1, "]"},
      {S::Normal, "[\\n]", "n\n", 1, "\n"},
      {S::Normal, "[a\\-z]+", "b-z", 1, "-z"},
      {S::Normal, "[\\\\]", "a\\", 1, "\\"},
      // Without it a backslash is a member like any other and ] closes the bracket.
      {S::Extended, "[\\]", "a\\", 1, "\\"},
      {S::Extended, "[\\]]", "]\\]", 1, "\\]"},
      {S::Extended, "[\\n]", "\nn", 1, "n"},
      {S::Extended, "[\\n]", "\n", NoMatch, ""},
      {S::Basic, "[\\.]*", "\\.\\x", 0, "\\.\\"},
      {S::Basic | S::EscapeInCharacterSets, "[\\.]*", "\\.\\x", 0, ""},
      {S::Basic | S::EscapeInCharacterSets, "x[\\]]", "x]", 0, "x]"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, CharacterClasses) {
  constexpr unsigned NoClassesExtended = S::Extended & ~S::CharacterClasses;
  constexpr unsigned NoClassesBasic = S::Basic & ~S::CharacterClasses;
  constexpr unsigned NoClassesNormal = S::Normal & ~S::CharacterClasses;
  const MatchCase cases[] = {
      {S::Extended, "[[:digit:]]+", "ab12", 2, "12"},
      {S::Basic, "[[:alpha:]]*", "ab1", 0, "ab"},
      {S::Normal, "[^[:space:]]+", "  ab ", 2, "ab"},
      // Off: "[[:digit:]]" is the bracket "[[:digit:]" followed by an ordinary "]".
      {NoClassesExtended, "[[:digit:]]", "1", NoMatch, ""},
      {NoClassesExtended, "[[:digit:]]", "1t]", 1, "t]"},
      {NoClassesBasic, "[[:digit:]]", "[]", 0, "[]"},
      {NoClassesNormal, "[[:alpha:]]", "1:]", 1, ":]"},
      // Equivalence classes and collating elements stay.
      {NoClassesExtended, "[[=a=]b]+", "xab", 1, "ab"},
      {NoClassesExtended, "[[.-.]a]+", "x-a", 1, "-a"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, IntervalsAndBraces) {
  const MatchCase cases[] = {
      {S::Extended, "a{2}", "aaa", 0, "aa"},
      {S::Extended, "a{2,}", "aaaa", 0, "aaaa"},
      {S::Extended, "a\\{2\\}", "a{2}", 0, "a{2}"},
      {S::Extended & ~S::Intervals, "a{2}", "aa", NoMatch, ""},
      {S::Extended & ~S::Intervals, "a{2}", "a{2}", 0, "a{2}"},
      {S::Basic, "a\\{2\\}", "aaa", 0, "aa"},
      {S::Basic, "a{2}", "a{2}", 0, "a{2}"},
      {S::Basic & ~S::Intervals, "a\\{2\\}", "aa", NoMatch, ""},
      {S::Basic & ~S::Intervals, "a\\{2\\}", "a{2}", 0, "a{2}"},
      // BracesNotOperators moves the operators to \{ \} in any syntax.
      {S::Extended | S::BracesNotOperators, "a\\{2\\}", "aaa", 0, "aa"},
      {S::Extended | S::BracesNotOperators, "a{2}", "a{2}", 0, "a{2}"},
      {(S::Extended | S::BracesNotOperators) & ~S::Intervals, "a\\{2\\}", "a{2}", 0, "a{2}"},
      // A brace that closes no interval is ordinary.
      {S::Extended, "a}", "a}", 0, "a}"},
      {S::Basic, "}", "}", 0, "}"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, LimitedOperationsAndBackslashedPlusQuestion) {
  constexpr unsigned Limited = S::Extended | S::LimitedOperations;
  constexpr unsigned LimitedBk = Limited | S::QuestionmarkPlusNotOperators;
  const MatchCase cases[] = {
      {Limited, "a+", "aa+", 1, "a+"},
      {Limited, "ba?", "ba?", 0, "ba?"},
      {Limited, "a|b", "b", NoMatch, ""},
      {Limited, "a|b", "a|b", 0, "a|b"},
      {Limited, "(ab)*c", "ababc", 0, "ababc"},
      {Limited, "a{2}", "aaa", 0, "aa"},
      // With QuestionmarkPlusNotOperators: \+ \? are the operators, | stays ordinary.
      {LimitedBk, "a\\+", "aaa", 0, "aaa"},
      {LimitedBk, "xa\\?b", "xb", 0, "xb"},
      {LimitedBk, "a+", "a+", 0, "a+"},
      {LimitedBk, "a|b", "a|b", 0, "a|b"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "a\\+", "xaa", 1, "aa"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "\\(ab\\)\\?c", "c", 0, "c"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "a+", "a+", 0, "a+"},
      // Alone (an ERE word): the backslashed forms are operators, the bare ones ordinary.
      {S::Extended | S::QuestionmarkPlusNotOperators, "a\\+", "aa", 0, "aa"},
      {S::Extended | S::QuestionmarkPlusNotOperators, "a+", "a+", 0, "a+"},
      {S::Extended | S::QuestionmarkPlusNotOperators, "a|b", "b", 0, "b"},
      // Without the option \+ \? are ordinary characters.
      {S::Extended, "a\\+", "a+", 0, "a+"},
      {S::Basic, "a\\?", "a?", 0, "a?"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, Alternation) {
  constexpr unsigned BasicBar = S::Basic | S::VerticalbarNotOperator;
  constexpr unsigned ExtendedBar = S::Extended | S::VerticalbarNotOperator;
  const MatchCase cases[] = {
      {S::Extended, "ab|cd", "xcd", 1, "cd"},
      {S::Basic, "a|b", "b", NoMatch, ""},
      {S::Basic, "a|b", "a|b", 0, "a|b"},
      {S::Basic, "a\\|b", "a|b", 0, "a|b"},
      {BasicBar, "a\\|b", "b", 0, "b"},
      {BasicBar, "a|b", "a|b", 0, "a|b"},
      {BasicBar, "\\(a\\|bc\\)d", "bcd", 0, "bcd"},
      {ExtendedBar, "a\\|b", "b", 0, "b"},
      {ExtendedBar, "a|b", "a|b", 0, "a|b"},
      {ExtendedBar, "a+", "aa", 0, "aa"},
      // A newline separates alternatives in any syntax when asked, and only then.
      {S::Normal | S::NewlineAsAlternationOperator, "ab\ncd", "xcd", 1, "cd"},
      {S::Basic | S::NewlineAsAlternationOperator, "\\(a\\)b\nc", "c", 0, "c"},
      {S::Extended | S::LimitedOperations | S::NewlineAsAlternationOperator, "a\nb", "b", 0, "b"},
      {S::Normal, "ab\ncd", "cd", NoMatch, ""},
      {S::Normal, "ab\ncd", "ab\ncd", 0, "ab\ncd"},
      {S::Normal | S::NewlineAsAlternationOperator, "[\n]", "a\n", 1, "\n"},
      {S::Literals | S::NewlineAsAlternationOperator, "a\nb", "b", NoMatch, ""},
      {S::Literals | S::NewlineAsAlternationOperator, "a\nb", "a\nb", 0, "a\nb"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, GroupsAndBackReferences) {
  constexpr unsigned ExtendedParens = S::Extended | S::ParenthesesNotOperators;
  const MatchCase cases[] = {
      {S::Extended, "(ab)+", "abab", 0, "abab"},
      {S::Extended, "\\(a\\)", "(a)", 0, "(a)"},
      {S::Extended, "a)", "a)", 0, "a)"},  // a ) that closes no group is ordinary
      {S::Basic, "\\(ab\\)*c", "ababc", 0, "ababc"},
      {S::Basic, "(a)", "(a)", 0, "(a)"},
      {ExtendedParens, "\\(ab\\)+", "abab", 0, "abab"},
      {ExtendedParens, "(a)", "(a)", 0, "(a)"},
      {ExtendedParens, "\\(a\\)\\1|b", "b", 0, "b"},
      {ExtendedParens, "\\(a\\)\\1", "aa", 0, "aa"},
      {S::Extended, "(a)\\1", "aa", 0, "aa"},
      {S::Basic, "\\(a\\)\\1", "aa", 0, "aa"},
      {S::Normal, "(a|b)\\1", "abb", 1, "bb"},
      // Off: an escaped digit is that digit.
      {S::Extended & ~S::BackReferences, "(a)\\1", "aa", NoMatch, ""},
      {S::Extended & ~S::BackReferences, "(a)\\1", "a1", 0, "a1"},
      {S::Basic & ~S::BackReferences, "\\(a\\)\\1", "a1", 0, "a1"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, LiteralsAndCase) {
  const MatchCase cases[] = {
      {S::Literals, "a(b", "xa(b", 1, "a(b"},
      {S::Literals, ".*", "abc", NoMatch, ""},
      {S::Literals, ".*", "x.*", 1, ".*"},
      {S::Literals, "\\(a\\)", "\\(a\\)", 0, "\\(a\\)"},
      {S::Literals | S::Basic, "a\\{1\\}", "a\\{1\\}", 0, "a\\{1\\}"},
      {S::Literals | S::CaseInsensitive, "A.b", "xa.B", 1, "a.B"},
      {S::Literals | S::CaseInsensitive, "A.b", "xaxb", NoMatch, ""},
      {S::Normal, "abc", "ABC", NoMatch, ""},
      {S::Normal | S::CaseInsensitive, "[a-c]+", "xABc", 1, "ABc"},
      {S::Normal | S::CaseInsensitive, "(a)\\1", "aA", 0, "aA"},
      {S::Basic | S::CaseInsensitive, "\\(A\\)x", "aX", 0, "aX"},
  };
  ExpectMatches(cases);
}

// The basic operator set (LimitedOperations) keeps the basic context rules for ^ $ *.
TEST(SyntaxOptionsTest, AnchorsAndStarFollowTheOperatorSet) {
  const MatchCase cases[] = {
      {S::Basic, "a^b", "a^b", 0, "a^b"},
      {S::Basic, "a$b", "a$b", 0, "a$b"},
      {S::Basic, "*a", "x*a", 1, "*a"},
      {S::Basic, "\\(*a\\)", "*a", 0, "*a"},
      {S::Basic, "^*", "*x", 0, "*"},
      {S::Basic, "^a", "ba", NoMatch, ""},
      {S::Basic, "\\(^a\\)", "ab", 0, "a"},
      {S::Basic, "\\(a$\\)", "ba", 1, "a"},
      {S::Basic | S::VerticalbarNotOperator, "b\\|^a", "ab", 0, "a"},
      {S::Basic | S::NewlineAsAlternationOperator, "x$\na", "ax", 0, "a"},
      {S::Extended, "a^b", "a^b", NoMatch, ""},
      {S::Extended, "a|^b", "b", 0, "b"},
      {S::Extended, "(^a)", "ba", NoMatch, ""},
      {S::Extended, "a$|b", "ab", 1, "b"},
  };
  ExpectMatches(cases);
}

TEST(SyntaxOptionsTest, CommonConstructsInEverySyntax) {
  const unsigned words[] = {S::Basic,
                            S::Extended,
                            S::Normal,
                            S::Extended | S::LimitedOperations | S::QuestionmarkPlusNotOperators,
                            S::Basic | S::VerticalbarNotOperator | S::NewlineAsAlternationOperator,
                            S::Extended | S::ParenthesesNotOperators | S::BracesNotOperators};
  const MatchCase common[] = {
      {0, "\\w*", "ab_1-", 0, "ab_1"},     {0, "\\W", "ab-", 2, "-"},
      {0, "\\s", "a\tb", 1, "\t"},         {0, "\\S", " b", 1, "b"},
      {0, "\\d\\d", "x42", 1, "42"},       {0, "\\D", "1x", 1, "x"},
      {0, "\\bab\\b", "cab ab", 4, "ab"},  {0, "\\Bb", "ab", 1, "b"},
      {0, "\\<ab", "cab ab", 4, "ab"},     {0, "ab\\>", "abc ab", 4, "ab"},
      {0, "\\`a", "aa", 0, "a"},           {0, "a\\'", "aa", 1, "a"},
      {0, "\\t", "a\tb", 1, "\t"},         {0, "\\n", "a\nb", 1, "\n"},
      {0, "\\r", "a\rb", 1, "\r"},         {0, "\\f", "a\fb", 1, "\f"},
      {0, "\\v", "a\vb", 1, "\v"},         {0, "\\x41", "zA", 1, "A"},
      {0, "^a.*c$", "abbc", 0, "abbc"},    {0, "^a.c$", "abbc", NoMatch, ""},
      {0, "[[=a=]]", "xa", 1, "a"},        {0, "[[.-.]a]*", "a-a", 0, "a-a"},
      {0, "[[:upper:]]*", "ABc", 0, "AB"}, {0, "[^a-c]", "abcd", 3, "d"},
      {0, "[]a]*", "]a]", 0, "]a]"},       {0, "[^]a]", "]ab", 2, "b"},
      {0, "x*", "xxy", 0, "xx"},           {0, "\\.", "a.", 1, "."},
  };
  for (unsigned word : words) {
    for (MatchCase c : common) {
      c.word = word;
      ExpectMatches(&c, &c + 1);
    }
  }
}

// A collation that sorts letters as a A b B c C ...: with it, ranges differ by the option.
class InterleavedCaseCollate : public std::collate<char> {
 protected:
  string_type do_transform(const char* first, const char* last) const override {
    string_type key;
    for (; first != last; ++first) {
      const unsigned char c = static_cast<unsigned char>(*first);
      const bool letter = std::isalpha(c) != 0;
      const unsigned lower = letter ? static_cast<unsigned>(std::tolower(c)) : c;
      const unsigned weight = lower * 2 + (letter && std::isupper(c) ? 1 : 0);
      key += static_cast<char>(1 + weight / 255);
      key += static_cast<char>(1 + weight % 255);
    }
    return key;
  }
  int do_compare(const char* a1, const char* a2, const char* b1, const char* b2) const override {
    const string_type a = do_transform(a1, a2), b = do_transform(b1, b2);
    return a < b ? -1 : b < a ? 1 : 0;
  }
};

TEST(SyntaxOptionsTest, RangesFollowTheLocaleUnlessCharacterCodesAreAsked) {
  // The locale takes ownership of its facet.
  const std::locale interleaved(std::locale::classic(),
                                std::make_unique<InterleavedCaseCollate>().release());
  const MatchCase cases[] = {
      {S::Extended, "[a-c]", "B", 0, "B"},
      {S::Extended, "[a-c]", "C", NoMatch, ""},  // C sorts after c
      {S::Extended | S::NoLocaleSpecificCollation, "[a-c]", "B", NoMatch, ""},
      {S::Normal, "[a-c]", "B", NoMatch, ""},
      {S::Normal, "[Z-a]", "_", 0, "_"},  // by code, _ lies between Z and a
  };
  ExpectMatches(cases, cases + sizeof cases / sizeof cases[0], interleaved);
}

TEST(SyntaxOptionsTest, PerlConstructsAreCompileErrors) {
  struct Case {
    unsigned word;
    const char* pattern;
  } cases[] = {
      {S::Normal, "(?:a)"},
      {S::Normal, "(?i)a"},
      {S::Normal, "a(?=b)"},
      {S::Normal, "a*?"},
      {S::Normal, "a+?"},
      {S::Normal, "a??"},
      {S::Normal, "a*+"},
      {S::Normal, "a{2}?"},
      {S::Extended, "(?:a)"},
      {S::Extended, "a+?"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "a*\\?"},
  };
  for (const Case& c : cases) {
    auto compiled = Compile(c.pattern, c.word);
    EXPECT_EQ(compiled->ErrorCode(), static_cast<unsigned>(rc::error_badrepeat)) << c.pattern;
  }
  // In the basic syntax ? is ordinary, so the same text is no Perl construct there.
  const MatchCase basic[] = {
      {S::Basic, "a*?", "aa?", 0, "aa?"},
      {S::Basic, "\\(?:a\\)", "?:a", 0, "?:a"},
  };
  ExpectMatches(basic);
}

TEST(SyntaxOptionsTest, ErrorsKeepBoostsCodes) {
  struct Case {
    unsigned word;
    const char* pattern;
    rc::error_type code;
  } cases[] = {
      {S::Normal, "a(b", rc::error_paren},
      {S::Basic, "a\\(b", rc::error_paren},
      {S::Basic, "a\\)", rc::error_paren},
      {S::Normal, "[ab", rc::error_brack},
      {S::Normal, "[\\]", rc::error_brack},
      {S::Normal, "[[:foo:]]", rc::error_ctype},
      {S::Normal, "[b-a]", rc::error_range},
      {S::Normal, "(a)\\2", rc::error_backref},
      {S::Normal, "a\\", rc::error_escape},
      {S::Basic, "a\\", rc::error_escape},
      {S::Normal, "*a", rc::error_badrepeat},
      {S::Normal, "a|*b", rc::error_badrepeat},
      {S::Normal, "a{2,1}", rc::error_badbrace},
      {S::Basic, "a\\{2,1\\}", rc::error_badbrace},
      {S::Basic, "a\\{1", rc::error_brace},
      {S::Normal, "a{1", rc::error_brace},
      {S::Extended | S::ParenthesesNotOperators, "\\(a", rc::error_paren},
      {S::Extended, "a{32768}", rc::error_badbrace},
      {S::Basic, "a\\{1,99999\\}", rc::error_badbrace},
      // Read strictly: a back-reference to a group not yet complete, a range with a class as
      // its end, a repeat of a repeat or of an anchor, bounds that are not two numbers, an
      // escape the language does not have.
      {S::Normal, "(a\\1)", rc::error_backref},
      {S::Basic, "\\(a\\1\\)", rc::error_backref},
      {S::Normal, "[[:alpha:]-z]", rc::error_range},
      {S::Normal, "[a-c-e]", rc::error_range},
      {S::Normal, "a**", rc::error_badrepeat},
      {S::Basic, "a*\\{2\\}", rc::error_badrepeat},
      {S::Normal, "^*", rc::error_badrepeat},
      {S::Normal, "\\<+", rc::error_badrepeat},
      {S::Normal, "a{,2}", rc::error_badbrace},
      {S::Normal, "a{}", rc::error_badbrace},
      {S::Normal, "\\Qa\\E", rc::error_escape},
      {S::Normal, "[\\b]", rc::error_escape},
      {S::Normal, "[[:<:]x]a", rc::error_ctype},
      {S::Normal, "[[.nosuch.]]", rc::error_collate},
  };
  for (const Case& c : cases) {
    auto compiled = Compile(c.pattern, c.word);
    EXPECT_EQ(compiled->ErrorCode(), static_cast<unsigned>(c.code))
        << c.pattern << " under 0x" << std::hex << c.word;
  }
}

// Where POSIX says a pattern is not valid, it is not, with the engine's code and message.
TEST(SyntaxOptionsTest, PatternsAreReadAsStrictlyAsPosixReadsThem) {
  struct Case {
    unsigned word;
    const char* pattern;
    rc::error_type code;
  } cases[] = {
      // An interval without its close, in every syntax that has intervals.
      {S::Basic, "a\\{1a", rc::error_brace},
      {S::Extended, "a{1a", rc::error_brace},
      {S::Normal, "a{1a", rc::error_brace},
      {S::Extended, "a{1,x", rc::error_brace},
      {S::Normal, "a{1,x", rc::error_brace},
      // A back-reference inside the group it names.
      {S::Basic, "a\\(b\\1\\)c", rc::error_backref},
      {S::Normal, "a(b\\1)c", rc::error_backref},
      // A bracket that is not closed, whatever it holds last.
      {S::Normal, "a[[:alpha:]", rc::error_brack},
      {S::Normal, "a[[=b=]", rc::error_brack},
      {S::Basic, "a[[:alpha:]", rc::error_brack},
      {S::Extended, "a[[=b=]", rc::error_brack},
      {S::Normal, "(a[[:alpha:]", rc::error_brack},
      // The C locale has no multi-character collating elements.
      {S::Normal, "[[.ch.]]", rc::error_collate},
      {S::Extended, "[[=ch=]]", rc::error_collate},
  };
  for (const Case& c : cases) {
    auto compiled = Compile(c.pattern, c.word);
    EXPECT_EQ(compiled->ErrorCode(), static_cast<unsigned>(c.code))
        << c.pattern << " under 0x" << std::hex << c.word;
    EXPECT_EQ(compiled->ErrorText(), boost::cpp_regex_traits<char>().error_string(c.code))
        << c.pattern;
  }
  // Without Intervals a brace is an ordinary character.
  const MatchCase ordinary[] = {
      {S::Extended & ~S::Intervals, "a{1a", "xa{1a", 1, "a{1a"},
      {S::Basic & ~S::Intervals, "a\\{1a", "a{1a", 0, "a{1a"},
  };
  ExpectMatches(ordinary);
}

// In the C locale every character is an equivalence class of its own; elsewhere the locale
// decides, multi-character collating elements included.
TEST(SyntaxOptionsTest, EquivalenceClassesAndCollatingElementsFollowTheLocale) {
  const MatchCase cLocale[] = {
      {S::Normal, "[[=a=]]", "Aa", 1, "a"},
      {S::Extended, "[[=a=]b]+", "ABab", 2, "ab"},
      {S::Normal, "[[.a.]-[.c.]]+", "xABcab", 3, "cab"},
      {S::Normal, "[[.hyphen.]]", "a-", 1, "-"},
      {S::Normal | S::CaseInsensitive, "[[=a=]]", "xA", 1, "A"},
  };
  ExpectMatches(cLocale);
  const std::locale other(std::locale::classic(),
                          std::make_unique<InterleavedCaseCollate>().release());
  const MatchCase otherLocale[] = {
      {S::Normal, "[[.ch.]]", "xch", 1, "ch"},
  };
  ExpectMatches(otherLocale, otherLocale + 1, other);
}

// Leftmost, then longest, whatever the order of the alternatives.
TEST(SyntaxOptionsTest, MatchingIsLeftmostLongest) {
  const MatchCase cases[] = {
      {S::Normal, "a|ab|abc", "xabcd", 1, "abc"},
      {S::Basic | S::VerticalbarNotOperator, "a\\|ab\\|abc", "xabcd", 1, "abc"},
      {S::Extended, "(a|ab)(c|bcd)", "abcd", 0, "abcd"},
      {S::Extended, "a{32767}", "a", NoMatch, ""},
      {S::Normal | S::NewlineAsAlternationOperator, "x\nxy", "xy", 0, "xy"},
  };
  ExpectMatches(cases);
}

// Sub-expressions: earlier ones as long as possible; a group that took no part is unset.
TEST(SyntaxOptionsTest, SubExpressionsFollowThePosixRule) {
  struct Case {
    unsigned word;
    const char* pattern;
    const char* text;
    const char* spans;
  } cases[] = {
      {S::Extended, "(a|ab)(c|bcd)(d*)", "abcd", "(0,4)(0,2)(2,3)(3,4)"},
      {S::Basic, "\\(a*\\)\\(a*\\)", "aaa", "(0,3)(0,3)(3,3)"},
      {S::Extended, "(a)|(b)", "b", "(0,1)(?,?)(0,1)"},
      {S::Extended | S::ParenthesesNotOperators, "\\(a\\)*\\(b\\)", "aab", "(0,3)(1,2)(2,3)"},
  };
  for (const Case& c : cases) {
    auto compiled = Compile(c.pattern, c.word);
    ASSERT_FALSE(compiled->Failed()) << c.pattern;
    EXPECT_EQ(SyntaxTest::Show(Search(*compiled, c.text)), c.spans) << c.pattern;
  }
}

}  // namespace
