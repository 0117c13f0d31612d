// What the pattern's syntax tree says about its matches: plain literals, required literals,
// one line and byte runs, each checked against the engine's own matches on generated input.
#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <memory>
#include <string>
#include <vector>

#include "GeneratedCases.h"
#include "LiteralSearch.h"
#include "Prefilter.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

namespace SB = GrepEngine::SyntaxBits;
using Set = std::vector<std::string>;

std::shared_ptr<const GrepEngine::Pattern> Compile(const std::string& p,
                                                   unsigned word = SB::Normal) {
  return GrepEngine::Pattern::Compile(p.data(), p.data() + p.size(), word, std::locale::classic());
}

std::string Plain(const std::string& p, unsigned word = SB::Normal) {
  return GrepEngine::PlainLiteral(*Compile(p, word));
}
Set RequiredSet(const std::string& p, unsigned word = SB::Normal) {
  return GrepEngine::RequiredLiterals(*Compile(p, word));
}
// The one literal every match contains, or empty when there is not exactly one.
std::string Required(const std::string& p, unsigned word = SB::Normal) {
  const Set literals = RequiredSet(p, word);
  return literals.size() == 1 ? literals.front() : std::string();
}
bool OneLine(const std::string& p, unsigned word = SB::Normal) {
  return GrepEngine::StaysOnOneLine(*Compile(p, word));
}

TEST(Prefilter, PlainLiterals) {
  struct Case {
    const char* pattern;
    const char* literal;  // empty: not a plain literal
  } const cases[] = {
      {"needle", "needle"},
      {"a\\.b", "a.b"},
      {"\\(x\\)", "(x)"},
      {"a\\|b", "a|b"},
      {"a\\+", "a+"},
      {"x]y}", "x]y}"},
      {"two\nlines", "two\nlines"},
      {"a.b", ""},
      {"ab*", ""},
      {"a|b", ""},
      {"(ab)", ""},
      {"[ab]", ""},
      {"^ab", ""},
      {"ab$", ""},
      {"a{2}", ""},
      {"\\w", ""},
      {"\\<ab", ""},
      {"\\1", ""},
      {"a\\", ""},
      {"", ""},
      {"a(", ""},
      // Escaped codes are bytes, and a ) that closes nothing is ordinary.
      {"\\x41", "A"},
      {"\\n", "\n"},
      {"a)", "a)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Plain(c.pattern), c.literal) << c.pattern;
  EXPECT_EQ(Plain("needle", SB::Normal | SB::CaseInsensitive), "") << "case must matter";
  EXPECT_EQ(Plain("a.b*", SB::Literals), "a.b*") << "the Literals option takes the text as it is";
  // Every syntax is read through its own tree.
  EXPECT_EQ(Plain("needle", SB::Extended), "needle");
  EXPECT_EQ(Plain("a+b?(c)|{d}", SB::Basic), "a+b?(c)|{d}");
  EXPECT_EQ(Plain("a\\(b\\)", SB::Basic), "");
  EXPECT_EQ(Plain("a+b", SB::Extended | SB::QuestionmarkPlusNotOperators), "a+b");
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
      {"\\x41BC", "ABC"},
      {"\\x{41}BC", "ABC"},
      {"(a)\\1xy", "xy"},
      {"^head", "head"},
      {"\\bword\\b", "word"},
      {"a\\.b", "a.b"},
      {"[]x]yz", "yz"},
      {"[[:alpha:]]yz", "yz"},
      {"\\Qab\\E", ""},
      {"a{2", ""},
      {"*a", ""},
      // Literal text joins across groups and the ends of repeats.
      {"x(ab)c", "xabc"},
      {"x(ab){2}c", "xababc"},
      {"ab{3}c", "abbbc"},
      {"xa+yz", "ayz"},
      {"((ab)+c)d", "abcd"},
      {"(abc)?d", "d"},
      {"a{0}b", "b"},
  };
  for (const Case& c : cases) EXPECT_EQ(Required(c.pattern), c.required) << c.pattern;
  EXPECT_EQ(Required("needle", SB::Normal | SB::CaseInsensitive), "");
  EXPECT_EQ(Required("needle\\(s\\)*", SB::Basic), "needle");
  EXPECT_EQ(Required("a*b", SB::Basic), "b");
}

TEST(Prefilter, RequiredLiteralsOfAlternatives) {
  struct Case {
    const char* pattern;
    Set required;
  } const cases[] = {
      {"fox|dog|handler", Set{"fox", "dog", "handler"}},
      {"ab*c|x+yz", Set{"a", "xyz"}},
      {"needle", Set{"needle"}},
      {"a|b[0-9]|", Set{}},
      {"|a", Set{}},
      {"a|[0-9]", Set{}},
      {"(a|b)c|d", Set{"c", "d"}},
      {"a|*b", Set{}},
      {"(fox|dog)s", Set{"fox", "dog"}},
      {"(fox|dog)house", Set{"house"}},
  };
  for (const Case& c : cases) EXPECT_EQ(RequiredSet(c.pattern), c.required) << c.pattern;
  EXPECT_EQ(RequiredSet("fox\\|dog", SB::Basic | SB::VerticalbarNotOperator), (Set{"fox", "dog"}));
}

TEST(Prefilter, StaysOnOneLine) {
  struct Case {
    const char* pattern;
    bool oneLine;
  } const cases[] = {
      {"fox|dog", true},    {"[[:alpha:]]+[0-9]{2,}", true},
      {"\\w+\\d\\b", true}, {"(ab)\\1", true},
      {"[a-z_]+", true},    {"[ -~]", true},
      {"a.b", false},       {"a\nb", false},
      {"a\\nb", false},     {"[^a]", false},
      {"\\s", false},       {"\\W", false},
      {"\\D", false},       {"[[:space:]]", false},
      {"[\x01-z]", false},  {"\\x0a", false},
      {"\\x{a}", false},    {"[\\n]", false},
      {"a[b", false},       {"a\\", false},
      {"[[=a=]]", true},   // in the C locale the class of "a" is "a" alone
      {"\\012", true},    // an escaped digit is that digit: "012"
  };
  for (const Case& c : cases) EXPECT_EQ(OneLine(c.pattern), c.oneLine) << c.pattern;
  EXPECT_TRUE(OneLine("a.b", SB::Literals));
  EXPECT_FALSE(OneLine("a\nb", SB::Literals));
  EXPECT_FALSE(OneLine("a.b", SB::Normal | SB::CaseInsensitive));
  EXPECT_TRUE(OneLine("\\(ab\\)*[a-z]", SB::Basic | SB::NoLocaleSpecificCollation));
  EXPECT_FALSE(OneLine("[a-z]", SB::Extended))
      << "a range in the locale's order holds what the locale says";
}

// A run written as one string per position: the members of each set, in byte order.
std::vector<std::string> RunOf(const std::string& p, unsigned word = SB::Normal) {
  std::vector<std::string> run;
  for (const GrepEngine::ByteSet& set : GrepEngine::RequiredByteRun(*Compile(p, word))) {
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
      {"[ab]{2}c", Run{"ab", "ab", "c"}},  // an exact count keeps the run going
      // At most eight copies of one atom: the run ends after them.
      {"x[0-9]{12}y", Run{"x", digits, digits, digits, digits, digits, digits, digits, digits}},
      {"\\<[a-c]\\>[ab]", Run{"abc", "ab"}},  // anchors take no room
  };
  for (const Case& c : cases) EXPECT_EQ(RunOf(c.pattern), c.run) << c.pattern;
  // Case-insensitive atoms are asked of the engine too.
  EXPECT_EQ(RunOf("a[b-c]1", SB::Normal | SB::CaseInsensitive), (Run{"Aa", "BCbc", "1"}));
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
  const unsigned words[] = {SB::Normal, SB::Extended, SB::Basic, SB::Normal | SB::CaseInsensitive};
  unsigned checkedRequired = 0, checkedPlain = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string pattern = round % 3 == 0   ? generate.Literal()
                                : round % 3 == 1 ? generate.Pattern()
                                                 : generate.Classes();
    const unsigned word = words[round % 4];
    const auto compiled = Compile(pattern, word);
    if (compiled->Failed()) continue;
    const std::vector<std::string> requiredSet = GrepEngine::RequiredLiterals(*compiled);
    const std::string required = requiredSet.size() == 1 ? requiredSet.front() : std::string();
    const bool oneLine = GrepEngine::StaysOnOneLine(*compiled);
    const std::string plain = GrepEngine::PlainLiteral(*compiled);
    const std::vector<GrepEngine::ByteSet> run = GrepEngine::RequiredByteRun(*compiled);
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

namespace {

// The scan for a literal by its rarest byte, and its hand-over to the two-way search when that
// byte is everywhere: the first occurrence either way, never one past the text's end.
TEST(FindLiteralTest, FindsTheFirstOccurrenceWhateverTheBytesAround) {
  using GrepEngine::FindLiteral;
  const auto find = [](const std::string& text, const std::string& literal) -> long {
    const char* hit = FindLiteral(text.data(), text.data() + text.size(), literal);
    return hit == nullptr ? -1 : static_cast<long>(hit - text.data());
  };
  EXPECT_EQ(find("namespace a { namespace", "namespace"), 0);
  EXPECT_EQ(find("xx namespac namespace", "namespace"), 12);
  EXPECT_EQ(find("namespac", "namespace"), -1);
  EXPECT_EQ(find("zqz", "zq"), 0);
  EXPECT_EQ(find("ab", "b"), 1);
  // The rare byte ('z') is on every position: the two-byte scan finishes the scan.
  const std::string zs = std::string(100000, 'z') + "zzy" + std::string(10, 'z');
  EXPECT_EQ(find(zs, "zzy"), 100000);
  EXPECT_EQ(find(zs, "zzyz"), 100000);
  EXPECT_EQ(find(zs, "yzzzzzzzzzzz"), -1);
  EXPECT_EQ(find(zs.substr(0, 100002), "zzy"), -1) << "an occurrence cut by the text's end";
}

// The scans for one literal and for a set of them, against a plain search, on texts made of a
// few bytes so that hits, false hits and near misses crowd together, with occurrences at the
// text's very end and cut by it, and literals longer than the fingerprint and shorter.
TEST(FindLiteralTest, OneLiteralAndASetFindWhatAPlainSearchFinds) {
  const std::vector<Set> sets = {{"ab"},          {"aab", "ba"},  {"abc", "b", "cab"},
                                 {"cc", "abca"},  {"aaaa"},       {"x", "abcabc", "ca", "bb"},
                                 {"ab", "abc", "abcd", "bcd", "cd", "d", "da", "dab"}};
  unsigned seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fffu;
  };
  std::size_t checked = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text(static_cast<std::size_t>(next() % 3000), ' ');
    const std::string alphabet = round % 3 == 0 ? "ab" : round % 3 == 1 ? "abcd" : "abcd\nxyz";
    for (char& c : text) c = alphabet[next() % alphabet.size()];
    const char* first = text.data();
    const char* last = first + text.size();
    for (const Set& literals : sets) {
      for (const std::string& literal : literals) {
        const std::size_t expected = text.find(literal);
        const char* hit = GrepEngine::FindLiteral(first, last, literal);
        ASSERT_EQ(hit == nullptr ? std::string::npos : static_cast<std::size_t>(hit - first),
                  expected)
            << literal;
      }
      GrepEngine::LiteralSetScanner scanner(literals, last);
      for (std::size_t from = 0; from <= text.size(); from += 1 + next() % 97) {
        std::size_t expected = std::string::npos;
        for (const std::string& literal : literals)
          expected = std::min(expected, text.find(literal, from));
        const char* hit = scanner.Next(first + from);
        ASSERT_EQ(hit == nullptr ? std::string::npos : static_cast<std::size_t>(hit - first),
                  expected)
            << "from " << from;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 10000u);
}

}  // namespace
