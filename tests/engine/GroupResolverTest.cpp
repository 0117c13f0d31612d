// POSIX's sub-expressions: the resolver against a brute-force list of every parse on generated
// patterns and short texts, the cases Boost gets wrong, and the resolver following every match
// Boost finds in texts with lines, words and match words.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "MatchResultsImpl.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "ReferenceParses.h"
#include "ReferenceRoute.h"
#include "SyntaxTestSupport.h"
#include "GeneratedCases.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

namespace S = GrepEngine::SyntaxBits;
namespace M = GrepEngine::MatchBits;
using SyntaxTest::Show;

std::string Groups(const std::string& pattern, const std::string& text, unsigned word = S::Extended) {
  auto compiled = SyntaxTest::Compile(pattern, word);
  EXPECT_FALSE(compiled->Failed()) << pattern;
  return Show(SyntaxTest::Search(*compiled, text));
}

TEST(GroupResolverTest, RepeatedGroupsReportTheirLastIteration) {
  // The first iteration takes the longest text it can, not the split Boost finds.
  EXPECT_EQ(Groups("((..)|(.)){2}", "aaa"), "(0,3)(2,3)(?,?)(2,3)");
  EXPECT_EQ(Groups("(a|aa){2}", "aaa"), "(0,3)(2,3)");
  EXPECT_EQ(Groups("(a|aa)(a|aa)", "aaa"), "(0,3)(0,2)(2,3)");
  // The last iteration took the other branch: the group inside is unset.
  EXPECT_EQ(Groups("((z)+|a)*", "zabcde"), "(0,2)(1,2)(?,?)");
  EXPECT_EQ(Groups("\\(\\(z\\)*a\\)*", "zaa", S::Basic), "(0,3)(2,3)(?,?)");
}

TEST(GroupResolverTest, EverySubpatternTakesTheLongestFromTheLeft) {
  EXPECT_EQ(Groups("a*(a*)", "aa"), "(0,2)(2,2)");
  EXPECT_EQ(Groups("a?(a.*)", "aab"), "(0,3)(1,3)");
  EXPECT_EQ(Groups(".{1,2}(b)?", "abb"), "(0,3)(2,3)");
  EXPECT_EQ(Groups("(a|ab)(c|bcd)(d*)", "abcd"), "(0,4)(0,2)(2,3)(3,4)");
  EXPECT_EQ(Groups("(a*)*", "b"), "(0,0)(0,0)");          // one empty iteration
  EXPECT_EQ(Groups("(a*)+", "aa"), "(0,2)(0,2)");         // none after a non-empty one
  EXPECT_EQ(Groups("(a|b)*", "c"), "(0,0)(?,?)");         // the body cannot be empty
  EXPECT_EQ(Groups("(a?){3}", "aa"), "(0,2)(2,2)");       // the minimum needs an empty one
  EXPECT_EQ(Groups("((a)|b)*", "ab"), "(0,2)(1,2)(?,?)");
  EXPECT_EQ(Groups("(a?)((ab)?)(b?)", "ab"), "(0,2)(0,1)(1,1)(?,?)(1,2)");
  EXPECT_EQ(Groups("(a*)(b|abc)", "abc"), "(0,3)(0,0)(0,3)");
  EXPECT_EQ(Groups("(a|ab|c|bcd)(d*)", "abcd"), "(0,2)(0,2)(2,2)");
}

TEST(GroupResolverTest, FormatsMergesAndGrepsSeeTheSameGroups) {
  auto compiled = SyntaxTest::Compile("((z)+|a)*x", S::Extended);
  const std::string text = "zzax zax";
  std::string merged;
  ASSERT_TRUE(GrepEngine::MergeInto(*compiled, text.data(), text.data() + text.size(), "<$1|$2>", true, 0,
                                    merged));
  EXPECT_EQ(merged, "<a|> <a|>");
  std::vector<std::string> seen;
  GrepEngine::GrepIn(*compiled, text.data(), text.data() + text.size(), 0, [&](const GrepEngine::MatchResults& m) {
    std::string formatted;
    EXPECT_TRUE(GrepEngine::FormatMatch(m, "$1$2", formatted));
    seen.push_back(formatted + "/" + std::to_string(m.Sub(2).Matched) + "/" + std::to_string(m.Prefix().Length()));
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"a/0/0", "a/0/1"}));

  // Unchanged whole match, prefix and suffix after the groups are replaced.
  auto repeated = SyntaxTest::Compile("(a|aa){2}", S::Extended);
  const std::string line = "xaaay";
  GrepEngine::MatchResults m;
  ASSERT_TRUE(GrepEngine::SearchIn(*repeated, line.data(), line.data() + line.size(), 0, m));
  EXPECT_EQ(m.Sub(1).Position, 3);
  EXPECT_EQ(m.Sub(0).Text(), "aaa");
  EXPECT_EQ(m.Prefix().Text(), "x");
  EXPECT_EQ(m.Suffix().Text(), "y");
  std::string out;
  ASSERT_TRUE(GrepEngine::FormatMatch(m, "$`[$&]($1)$'", out));
  EXPECT_EQ(out, "x[aaa](a)y");
}

TEST(GroupResolverTest, CaseFoldingAndMatchWordsAreTheEngines) {
  EXPECT_EQ(Groups("(a|B)+", "AbA", S::Extended | S::CaseInsensitive), "(0,3)(2,3)");
  EXPECT_EQ(Groups("([[:upper:]]x|[a-c])*", "AxbCx", S::Extended | S::CaseInsensitive), "(0,5)(3,5)");
  auto compiled = SyntaxTest::Compile("(\\<x)?(x*)", S::Normal);
  const std::string text = "xx";
  GrepEngine::MatchResults m;
  ASSERT_TRUE(GrepEngine::SearchIn(*compiled, text.data(), text.data() + text.size(), M::None, m));
  EXPECT_EQ(m.Sub(1).Position, 0);
  EXPECT_EQ(m.Sub(2).Position, 1);
  // No word starts at the range's start: the optional group takes no part.
  ASSERT_TRUE(GrepEngine::SearchIn(*compiled, text.data(), text.data() + text.size(), M::NotBeginningOfWord, m));
  EXPECT_FALSE(m.Sub(1).Matched);
  EXPECT_EQ(m.Sub(2).Position, 0);
  EXPECT_EQ(m.Sub(2).Length(), 2u);
}

TEST(GroupResolverTest, RepeatedEmptyGroupsMatchAtTheTextsEnd) {
  EXPECT_EQ(Groups("b($)+", "ab"), "(1,2)(2,2)");
  EXPECT_EQ(Groups("b($$){2}", "ab"), "(1,2)(2,2)");
  EXPECT_EQ(Groups("b{2}(($){2}|([^a][^a])){1,3}", "aaaaabbb"), "(6,8)(8,8)(8,8)(?,?)");
  EXPECT_EQ(Groups("()|(()?a)*($){2}", "aaa"), "(0,3)(?,?)(2,3)(2,2)(3,3)");
  EXPECT_EQ(Groups("b($)*", "ab"), "(1,2)(2,2)");
  EXPECT_EQ(Groups("\\(^\\)*\\(b\\)\\1", "bb", S::Basic | S::BackReferences), "(0,1)(0,0)(0,1)");
}

// The resolver asks the engine for a bracket's members by byte order in the C locale, where
// the engine matches by collation: both must give the same members.
TEST(GroupResolverTest, InTheCLocaleByteOrderIsTheCollationOrder) {
  const std::string brackets[] = {"[a-z]", "[A-Za-z0-9_]", "[\\x01-\\x7f]", "[\\x80-\\xff]", "[ -\\xa0]",
                                  "[^a-c]", "[\\x00-\\x10x-z]", "[[:alpha:]0-5]"};
  for (const std::string& text : brackets) {
    for (const bool folds : {false, true}) {
      const unsigned word = S::Extended | (folds ? S::CaseInsensitive : 0u);
      auto collated = SyntaxTest::Compile(text, word);
      auto byValue = SyntaxTest::Compile(text, word | S::NoLocaleSpecificCollation);
      ASSERT_FALSE(collated->Failed()) << text;
      for (unsigned c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        EXPECT_EQ(boost::regex_match(&byte, &byte + 1, collated->Internals().Expression),
                  boost::regex_match(&byte, &byte + 1, byValue->Internals().Expression))
            << text << " byte " << c << (folds ? " folding case" : "");
      }
    }
  }
}

TEST(GroupResolverTest, BackReferencesKeepTheEnginesGroups) {
  auto compiled = SyntaxTest::Compile("\\(a*\\)*\\1", S::Basic);
  EXPECT_EQ(compiled->Internals().GroupResolver, nullptr);
  auto plain = SyntaxTest::Compile("(a*)*", S::Extended);
  EXPECT_NE(plain->Internals().GroupResolver, nullptr);
  auto noGroups = SyntaxTest::Compile("a*b", S::Extended);
  EXPECT_EQ(noGroups->Internals().GroupResolver, nullptr);
  // Counts beyond POSIX's limit of 255 stay with the engine too.
  auto large = SyntaxTest::Compile("(a|ab){1,300}", S::Extended);
  ASSERT_FALSE(large->Failed());
  EXPECT_EQ(large->Internals().GroupResolver, nullptr);
}

// Small extended patterns: groups, alternation with empty alternatives, nested and bounded
// repeats, empty groups, anchors.
class PatternMaker {
 public:
  explicit PatternMaker(unsigned seed) : Random(seed) {}

  std::string Make() { return Alternatives(0); }

  std::string Text() {
    std::string text(Pick(9), 'a');
    for (char& c : text) c = "aab"[Pick(3)];
    return text;
  }

 private:
  unsigned Pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(Random); }

  std::string Alternatives(int depth) {
    std::string out = Sequence(depth);
    if (Pick(3) == 0) out += "|" + (Pick(4) == 0 ? std::string() : Sequence(depth));
    return out;
  }

  std::string Sequence(int depth) {
    std::string out;
    const unsigned length = 1 + Pick(depth == 0 ? 3 : 2);
    for (unsigned i = 0; i < length; ++i) out += Piece(depth);
    return out;
  }

  std::string Piece(int depth) {
    static const char* const atoms[] = {"a", "b", ".", "[ab]", "[^a]", "a", "^", "$"};
    static const char* const repeats[] = {"*", "+", "?", "{2}", "{0,2}", "{1,3}", "{2,}"};
    std::string atom;
    bool anchor = false;
    if (depth < 2 && Pick(2) == 0) {
      atom = "(" + (Pick(8) == 0 ? std::string() : Alternatives(depth + 1)) + ")";
    } else {
      const unsigned which = Pick(Pick(10) == 0 ? 8 : 6);
      atom = atoms[which];
      anchor = which >= 6;
    }
    if (!anchor && Pick(3) == 0) atom += repeats[Pick(7)];
    return atom;
  }

  std::mt19937 Random;
};

// The resolver on the reference's whole match must give the reference's groups, and the
// public search (the engine's whole match, then the resolver) everything the reference gives.
void CompareWithEveryParse(unsigned seed, int patterns) {
  PatternMaker maker(seed);
  int compared = 0;
  for (int i = 0; i < patterns; ++i) {
    const std::string pattern = maker.Make();
    auto compiled = SyntaxTest::Compile(pattern, S::Extended);
    if (compiled->Failed()) continue;
    const GrepEngine::Syntax::Tree& tree = compiled->Internals().Tree;
    for (int t = 0; t < 6; ++t) {
      const std::string text = maker.Text();
      SyntaxTest::Spans best;
      if (!SyntaxTest::ReferenceSearch(tree, text, best)) continue;  // too many parses to list
      const std::string where = "\"" + pattern + "\" on \"" + text + "\"";
      if (!best.empty() && compiled->Internals().GroupResolver) {
        ASSERT_EQ(Show(SyntaxTest::ResolvedGroups(*compiled, text, best[0])), Show(best)) << where;
      }
      SyntaxTest::Spans found;
      try {
        found = SyntaxTest::Search(*compiled, text);
      } catch (const std::runtime_error&) {
        continue;  // the engine gave up: nothing to compare
      }
      ++compared;
      ASSERT_EQ(Show(found), Show(best)) << where;
    }
  }
  EXPECT_GT(compared, patterns * 4);
}

TEST(GroupResolverTest, GeneratedPatternsGiveTheBestParse) { CompareWithEveryParse(20261208u, 800); }
TEST(GroupResolverTest, MoreGeneratedPatternsGiveTheBestParse) { CompareWithEveryParse(4242u, 800); }

// Anchors, word edges and '.' as the engine has them: the resolver must be able to follow each
// match the engine finds, in lines and words, under each match word, in whole texts and in
// windows.
TEST(GroupResolverTest, FollowsEveryMatchTheEngineFinds) {
  TestCases::Generator generator(99u);
  const unsigned words[] = {0, M::NotBeginningOfLine, M::NotEndOfLine, M::NotBeginningOfWord | M::NotEndOfWord,
                            M::NotDotNewline, M::NotDotNullCharacter | M::NotEndOfBuffer};
  int followed = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string pattern = "(" + generator.Pattern() + ")(" + generator.Pattern() + ")?";
    auto compiled = SyntaxTest::Compile(pattern, S::Normal);
    if (compiled->Failed()) continue;
    std::string text = generator.Text();
    text += '\0';
    text += generator.Text();
    const unsigned word = words[static_cast<unsigned>(i) % (sizeof words / sizeof *words)];
    if (!compiled->Internals().GroupResolver) continue;
    // Boost's own grep: each match's results are Boost's until a group is read.
    GrepEngine::ReferenceGrepIn(*compiled, text.data(), text.data() + text.size(), word, [&](const GrepEngine::MatchResults& m) {
      const GrepEngine::MatchResults::Impl& impl = m.Internals();
      boost::match_results<const char*> copy = impl.Results;
      EXPECT_TRUE(GrepEngine::ApplyPosixGroups(*compiled, impl.Base, impl.StepFlags, copy))
          << "\"" << pattern << "\" at " << (impl.Results[0].first - text.data()) << " word " << word;
      ++followed;
      return !testing::Test::HasFailure();
    });
    if (testing::Test::HasFailure()) return;
  }
  EXPECT_GT(followed, 1000);
}

}  // namespace
