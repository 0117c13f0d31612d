// What the pattern's text says about its matches: plain literals and required literals, each
// checked against the engine's own matches on generated input.
#include "Prefilter.h"

#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "GeneratedCases.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using GrepEngine::PlainLiteral;
using GrepEngine::RequiredLiteral;
namespace SB = GrepEngine::SyntaxBits;

std::string Plain(const std::string& p, unsigned word = SB::Normal) {
  return PlainLiteral(p.data(), p.data() + p.size(), word);
}
std::string Required(const std::string& p, unsigned word = SB::Normal) {
  return RequiredLiteral(p.data(), p.data() + p.size(), word);
}

TEST(Prefilter, PlainLiterals) {
  struct Case {
    const char* pattern;
    const char* literal;  // empty: not a plain literal
  } const cases[] = {
      {"needle", "needle"}, {"a\\.b", "a.b"},   {"\\(x\\)", "(x)"}, {"a\\|b", "a|b"},
      {"a\\+", "a+"},       {"x]y}", "x]y}"},   {"two\nlines", "two\nlines"},
      {"a.b", ""},          {"ab*", ""},        {"a|b", ""},        {"(ab)", ""},
      {"[ab]", ""},         {"^ab", ""},        {"ab$", ""},        {"a{2}", ""},
      {"\\w", ""},          {"\\x41", ""},      {"\\n", ""},        {"\\<ab", ""},
      {"\\1", ""},          {"a\\", ""},        {"", ""},           {"a)", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Plain(c.pattern), c.literal) << c.pattern;
  EXPECT_EQ(Plain("needle", SB::Normal | SB::CaseInsensitive), "") << "case must matter";
  EXPECT_EQ(Plain("needle", SB::Extended), "") << "other syntaxes are not analysed";
  EXPECT_EQ(Plain("a.b*", SB::Literals), "a.b*") << "the Literals option takes the text as it is";
}

TEST(Prefilter, RequiredLiterals) {
  struct Case {
    const char* pattern;
    const char* required;
  } const cases[] = {
      {"needle", "needle"},
      {"[a-z]+@[a-z]+\\.com", ".com"},
      {"foo.*barbaz", "barbaz"},
      {"ab*c", "a"},
      {"ab+c", "ab"},
      {"ab?cd", "cd"},
      {"ab{0,3}cd", "cd"},
      {"x(a|b)yz", "yz"},
      {"(abc)*de", "de"},
      {"a|b", ""},
      {"(a|b)", ""},
      {"[abc]+", ""},
      {"\\x41BC", "BC"},
      {"\\x{41}BC", "BC"},
      {"(a)\\1xy", "xy"},
      {"^head", "head"},
      {"\\bword\\b", "word"},
      {"a\\.b", "a.b"},
      {"[]x]yz", "yz"},
      {"[[:alpha:]]yz", "yz"},
      {"\\Qab\\E", ""},
      {"a{2", ""},
      {"*a", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Required(c.pattern), c.required) << c.pattern;
  EXPECT_EQ(Required("needle", SB::Normal | SB::CaseInsensitive), "");
  EXPECT_EQ(Required("needle", SB::Basic), "");
}

std::vector<std::string> RequiredSet(const std::string& p) {
  return GrepEngine::RequiredLiterals(p.data(), p.data() + p.size(), SB::Normal);
}

TEST(Prefilter, RequiredLiteralsOfAlternatives) {
  using Set = std::vector<std::string>;
  struct Case {
    const char* pattern;
    Set required;
  } const cases[] = {
      {"fox|dog|handler", Set{"fox", "dog", "handler"}},
      {"ab*c|x+yz", Set{"a", "yz"}},
      {"needle", Set{"needle"}},
      {"a|b[0-9]|", Set{}},
      {"|a", Set{}},
      {"a|[0-9]", Set{}},
      {"(a|b)c|d", Set{"c", "d"}},
      {"a|*b", Set{}},
  };
  for (const Case& c : cases) EXPECT_EQ(RequiredSet(c.pattern), c.required) << c.pattern;
}

TEST(Prefilter, StaysOnOneLine) {
  struct Case {
    const char* pattern;
    bool oneLine;
  } const cases[] = {
      {"fox|dog", true},         {"[[:alpha:]]+[0-9]{2,}", true}, {"\\w+\\d\\b", true},
      {"(ab)\\1", true},        {"[a-z_]+", true},              {"[ -~]", true},
      {"a.b", false},            {"a\nb", false},               {"a\\nb", false},
      {"[^a]", false},           {"\\s", false},               {"\\W", false},
      {"\\D", false},           {"[[:space:]]", false},         {"[\x01-z]", false},
      {"\\x0a", false},         {"\\012", false},             {"[\\n]", false},
      {"[[=a=]]", false},        {"a[b", false},                 {"a\\", false},
  };
  for (const Case& c : cases) {
    const std::string p = c.pattern;
    EXPECT_EQ(GrepEngine::StaysOnOneLine(p.data(), p.data() + p.size(), SB::Normal), c.oneLine) << p;
  }
  const std::string literal = "a.b";
  EXPECT_TRUE(GrepEngine::StaysOnOneLine(literal.data(), literal.data() + 3, SB::Literals));
  EXPECT_FALSE(GrepEngine::StaysOnOneLine(literal.data(), literal.data() + 3, SB::Normal | SB::CaseInsensitive));
}

// A run written as one string per position: the members of each set, in byte order.
std::vector<std::string> RunOf(const std::string& p) {
  std::vector<std::string> run;
  for (const GrepEngine::ByteSet& set : GrepEngine::RequiredByteRun(p.data(), p.data() + p.size(), SB::Normal, std::locale::classic())) {
    std::string members;
    for (unsigned b = 0; b < 256; ++b)
      if (set.test(b)) members += static_cast<char>(b);
    run.push_back(members);
  }
  return run;
}

TEST(Prefilter, RequiredByteRuns) {
  using Run = std::vector<std::string>;
  const std::string digits = "0123456789";
  struct Case {
    const char* pattern;
    Run run;
  } const cases[] = {
      {"[[:alpha:]]+[[:digit:]]{2,}", Run{digits, digits}},
      {"[a-c]x", Run{"abc", "x"}},
      {"\\d{3}", Run{digits, digits, digits}},
      {"[ab]?c", Run{"c"}},
      {"[ab]*", Run{}},
      {"x|[0-9]", Run{}},
      {"(ab)c", Run{"c"}},
      {"\\1", Run{}},
  };
  for (const Case& c : cases) EXPECT_EQ(RunOf(c.pattern), c.run) << c.pattern;
}

TEST(Prefilter, MayMatchOnlyWhereTheLiteralIs) {
  const GrepEngine::Prefilter none;
  const GrepEngine::Prefilter at({"@"});
  const GrepEngine::Prefilter either({"mail", "here"}), neither({"x", "y"});
  const std::string with = "mail@host", without = "no mail here";
  EXPECT_TRUE(none.Empty());
  EXPECT_TRUE(none.MayMatch(without.data(), without.data() + without.size()));
  EXPECT_TRUE(at.MayMatch(with.data(), with.data() + with.size()));
  EXPECT_FALSE(at.MayMatch(without.data(), without.data() + without.size()));
  EXPECT_FALSE(at.MayMatch(with.data(), with.data())) << "an empty text holds nothing";
  EXPECT_TRUE(either.MayMatch(with.data(), with.data() + with.size()));
  EXPECT_TRUE(either.MayMatch(without.data(), without.data() + without.size()));
  EXPECT_FALSE(neither.MayMatch(without.data(), without.data() + without.size()));
}

// The analyses are only of use when they are right: every match the engine finds on generated
// input contains the required literal, and a plain literal's matches are exactly its text.
TEST(Prefilter, AgreesWithTheEngineOnGeneratedInput) {
  TestCases::Generator generate(20261208);
  unsigned checkedRequired = 0, checkedPlain = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string pattern = round % 3 == 0   ? generate.Literal()
                                : round % 3 == 1 ? generate.Pattern()
                                                 : generate.Classes();
    const auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                       SB::Normal, std::locale::classic());
    if (compiled->Failed()) continue;
    const std::string required = Required(pattern);
    const std::vector<std::string> requiredSet = RequiredSet(pattern);
    const bool oneLine = GrepEngine::StaysOnOneLine(pattern.data(), pattern.data() + pattern.size(), SB::Normal);
    const std::string plain = Plain(pattern);
    const std::vector<GrepEngine::ByteSet> run =
        GrepEngine::RequiredByteRun(pattern.data(), pattern.data() + pattern.size(), SB::Normal, std::locale::classic());
    for (int t = 0; t < 5; ++t) {
      const std::string text = generate.Text();
      GrepEngine::GrepIn(*compiled, text.data(), text.data() + text.size(), 0,
                         [&](const GrepEngine::MatchResults& match) {
                           const std::string found = match.Sub(0).Text();
                           EXPECT_NE(found.find(required), std::string::npos)
                               << "pattern '" << pattern << "' matched '" << found << "' without '"
                               << required << "'";
                           if (!requiredSet.empty()) {
                             bool holdsOne = false;
                             for (const std::string& literal : requiredSet)
                               holdsOne = holdsOne || found.find(literal) != std::string::npos;
                             EXPECT_TRUE(holdsOne) << "pattern '" << pattern << "' matched '" << found << "'";
                           }
                           if (!run.empty()) {
                             bool holdsRun = false;
                             for (std::size_t at = 0; !holdsRun && at + run.size() <= found.size(); ++at) {
                               std::size_t i = 0;
                               while (i < run.size() && run[i].test(static_cast<unsigned char>(found[at + i]))) ++i;
                               holdsRun = i == run.size();
                             }
                             EXPECT_TRUE(holdsRun) << "pattern '" << pattern << "' matched '" << found << "'";
                           }
                           if (oneLine) {
                             EXPECT_EQ(found.find('\n'), std::string::npos)
                                 << "pattern '" << pattern << "' matched across a line: '" << found << "'";
                           }
                           if (!plain.empty()) {
                             EXPECT_EQ(found, plain) << pattern;
                           }
                           return true;
                         });
      checkedRequired += !required.empty();
      checkedPlain += !plain.empty();
    }
  }
  EXPECT_GT(checkedRequired, 1000u) << "the generator must reach the analysed cases";
  EXPECT_GT(checkedPlain, 1000u);
}

}  // namespace
