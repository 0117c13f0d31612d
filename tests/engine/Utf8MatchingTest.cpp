#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <vector>

#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using namespace GrepEngine;
namespace M = GrepEngine::MatchBits;

std::locale Utf8() { return std::locale("C.UTF-8"); }

std::shared_ptr<const Pattern> Compile(const std::string& text, unsigned word,
                                       const std::locale& locale) {
  return Pattern::Compile(text.data(), text.data() + text.size(), word, locale);
}

// Every match of a grep in UTF-8 text, as text.
std::vector<std::string> Matches(const std::string& pattern, const std::string& text,
                                 unsigned word = SyntaxBits::Normal, unsigned matchWord = M::None) {
  std::vector<std::string> seen;
  const auto compiled = Compile(pattern, word, Utf8());
  EXPECT_FALSE(compiled->Failed()) << pattern;
  GrepIn(*compiled, text.data(), text.data() + text.size(), matchWord,
         [&](const MatchResults& match) {
           seen.push_back(match.Sub(0).Text());
           return true;
         });
  return seen;
}

using Texts = std::vector<std::string>;

TEST(Utf8MatchingTest, ADotOrANegatedBracketTakesOneCharacter) {
  EXPECT_EQ(Matches("caf.", "un café au lait"), Texts{"café"});
  EXPECT_EQ(Matches("caf[^x]", "café"), Texts{"café"});
  EXPECT_EQ(Matches("^.$", "€"), Texts{"€"});
  EXPECT_EQ(Matches(".", "a😀b"), (Texts{"a", "😀", "b"}));
  EXPECT_EQ(Matches("é*", "éééx"), (Texts{"ééé", ""}));
}

TEST(Utf8MatchingTest, BracketsHoldCharacters) {
  EXPECT_EQ(Matches("[é]", "á ç é"), Texts{"é"});
  EXPECT_EQ(Matches("[à-ä]+", "aàáâãäå"), Texts{"àáâãä"});
  EXPECT_EQ(Matches("[[:alpha:]]+", "1 été 2 жук"), (Texts{"été", "жук"}));
  EXPECT_EQ(Matches("[[:upper:]]", "aÉb"), Texts{"É"});
}

TEST(Utf8MatchingTest, CaseFoldingTakesEveryScript) {
  EXPECT_EQ(Matches("café", "CAFÉ Café", SyntaxBits::CaseInsensitive), (Texts{"CAFÉ", "Café"}));
  EXPECT_EQ(Matches("жук", "ЖУК", SyntaxBits::CaseInsensitive), Texts{"ЖУК"});
  EXPECT_EQ(Matches("[é]", "É", SyntaxBits::CaseInsensitive), Texts{"É"});
}

TEST(Utf8MatchingTest, WordEdgesSeeLettersOfAnyScript) {
  EXPECT_EQ(Matches("\\bt\\b", "été t"), Texts{"t"});
  EXPECT_EQ(Matches("\\<t", "été tôt"), Texts{"t"});
  EXPECT_EQ(Matches("\\bжук\\b", "жуки жук"), Texts{"жук"});
}

// The match flags that say a word goes on past the text's start or end reach the word edges
// of a UTF-8 pattern as they reach the engine's own edges in the classic locale: on ASCII
// texts, both find the same matches; and a letter of another script counts as the word.
TEST(Utf8MatchingTest, WordFlagsAtTheTextsEndsReachWordEdges) {
  const std::vector<std::string> patterns = {"\\bfoo", "foo\\b", "\\<foo",  "foo\\>",
                                             "\\Bfoo", "foo\\B", "\\b",     "\\B",
                                             "\\<",    "\\>",    "^\\bfoo", "o\\b$"};
  const std::vector<std::string> texts = {"foo",  "foo bar", " foo", "foo ",
                                          "xfoo", "",        " ",    "foox foo"};
  const unsigned both = M::NotBeginningOfWord | M::NotEndOfWord;
  for (const unsigned flags :
       std::vector<unsigned>{M::None, M::NotBeginningOfWord, M::NotEndOfWord, both}) {
    for (const std::string& pattern : patterns) {
      const auto classic = Compile(pattern, SyntaxBits::Normal, std::locale::classic());
      const auto utf8 = Compile(pattern, SyntaxBits::Normal, Utf8());
      for (const std::string& text : texts) {
        // "offset:text" of each match.
        const auto grep = [&text, flags](const Pattern& compiled) {
          std::vector<std::string> found;
          GrepIn(compiled, text.data(), text.data() + text.size(), flags,
                 [&](const MatchResults& match) {
                   found.push_back(std::to_string(match.Sub(0).First - text.data()) + ":" +
                                   match.Sub(0).Text());
                   return true;
                 });
          return found;
        };
        const std::vector<std::string> expected = grep(*classic);
        const std::vector<std::string> seen = grep(*utf8);
        EXPECT_EQ(seen, expected) << pattern << " on \"" << text << "\" flags " << flags;
      }
    }
  }
  EXPECT_EQ(Matches("\\bжук", "жук", SyntaxBits::Normal, M::NotBeginningOfWord), Texts{});
  EXPECT_EQ(Matches("жук\\b", "жук", SyntaxBits::Normal, M::NotEndOfWord), Texts{});
  EXPECT_EQ(Matches("\\Bжук", "жук", SyntaxBits::Normal, M::NotBeginningOfWord), Texts{"жук"});
}

TEST(Utf8MatchingTest, InvalidBytesMatchOnlyThemselves) {
  const std::string text = "a\xC3 b\xA9 c\xFF";
  EXPECT_EQ(Matches("a.", text), Texts{});
  EXPECT_EQ(Matches("[^x]", "\xFF"), Texts{});
  EXPECT_EQ(Matches("\xFF", text), Texts{"\xFF"});
  // A byte of the pattern that is not UTF-8 never takes a piece of a character.
  EXPECT_EQ(Matches("\xA9", "caf\xC3\xA9 \xA9"), Texts{"\xA9"});
  EXPECT_EQ(Matches("[\xA9x]", "\xC3\xA9\xA9"), Texts{"\xA9"});
  EXPECT_EQ(Matches("\xC3", "\xC3\xA9 \xC3("), Texts{"\xC3"});
  EXPECT_EQ(Matches("(\xC3|\xA9)+", "\xA9\xC3\xA9\xC3"), (Texts{"\xA9", "\xC3"}));
}

TEST(Utf8MatchingTest, EmptyMatchesNeverSplitACharacter) {
  EXPECT_EQ(Matches("x*", "é"), (Texts{"", ""}));
  EXPECT_EQ(Matches("x*", "😀"), (Texts{"", ""}));
}

}  // namespace
