// A replacement expanded from the match the file search found must be the merge over the
// matched text alone, whenever the plan allows the direct way.
#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "../engine/GeneratedCases.h"
#include "TemporaryDirectory.h"
#include "common/ReplacementText.h"
#include "engine/DirectReplacement.h"
#include "core/MaskSearch.h"
#include "engine/OptionWords.h"

namespace {

using GrepEngine::DirectReplacement;
using FileSearch = grepcore::MaskSearch;
using GrepEngine::Pattern;

std::shared_ptr<const Pattern> Compile(const std::string& text, unsigned optionWord = GrepEngine::SyntaxBits::Normal) {
  return Pattern::Compile(text.data(), text.data() + text.size(), optionWord, std::locale());
}

// What the file search's callback compares, one match at a time.
struct Comparison {
  std::shared_ptr<const Pattern> Formatting;
  const DirectReplacement* Plan = nullptr;
  std::string Format;
  unsigned MatchWord = 0;
  unsigned Matches = 0;
  std::string Context;  // what the case is, for a failure's message
};

thread_local Comparison* comparing = nullptr;

bool CompareMatch(const char*, const FileSearch& search) {
  Comparison& c = *comparing;
  const std::string matched = search.What(0);
  std::string merged;
  EXPECT_TRUE(Common::ReplacementText(c.Formatting, c.MatchWord, matched, c.Format, merged)) << c.Context;
  std::string direct;
  c.Plan->Expand([&search](unsigned i) { return search.Sub(i); }, direct);
  EXPECT_EQ(direct, merged) << c.Context << " matched \"" << matched << '"';
  ++c.Matches;
  return !::testing::Test::HasFailure();
}

TEST(DirectReplacement, AgreesWithTheMergeOverTheMatchedText) {
  TestSupport::TemporaryDirectory dir;
  const char* const formats[] = {"$&", "<$1|$2>", "$2$1", "x$$y$0", "[$3]", "plain", ""};
  const unsigned matchWords[] = {0, GrepEngine::MatchBits::NotDotNewline,
                                 GrepEngine::MatchBits::NotBeginningOfLine};
  TestCases::Generator generate(20261208);
  unsigned planned = 0;
  Comparison comparison;
  comparing = &comparison;
  for (int round = 0; round < 1500 && !HasFailure(); ++round) {
    const std::string pattern = round % 3 == 0 ? generate.Classes() : generate.Pattern();
    const std::string text = generate.Text();
    const std::string format = formats[generate.Below(sizeof formats / sizeof *formats)];
    const unsigned matchWord = matchWords[generate.Below(sizeof matchWords / sizeof *matchWords)];
    FileSearch search;
    if (search.SetExpression(pattern.c_str(), false) != 0) continue;
    comparison.Formatting = Compile(pattern);
    const auto plan = DirectReplacement::Plan(*comparison.Formatting, *search.CompiledPattern(), matchWord, format);
    if (!plan) continue;
    ++planned;
    const std::string file = dir.Write("case.txt", text);
    comparison.Plan = &*plan;
    comparison.Format = format;
    comparison.MatchWord = matchWord;
    comparison.Context = "pattern \"" + pattern + "\" format \"" + format + "\" text \"" + text + '"';
    search.GrepFiles(&CompareMatch, file.c_str(), false, matchWord);
  }
  comparing = nullptr;
  EXPECT_GT(planned, 150u);
  EXPECT_GT(comparison.Matches, 1000u);
}

TEST(DirectReplacement, LeavesToTheMergeWhatMayDiffer) {
  const auto plain = Compile("(a+)(b)");
  EXPECT_TRUE(DirectReplacement::Plan(*plain, *plain, 0, "$2$1-$&$$"));
  // The text around a match counts for anchors and word edges, an empty match may follow the
  // match inside the matched text, and the shortest match need not be the one found.
  for (const char* pattern : {"^a", "a$", "\\<a", "a\\b", "a*", "(a|)", "(a)\\1"})
    EXPECT_FALSE(DirectReplacement::Plan(*Compile(pattern), *Compile(pattern), 0, "x")) << pattern;
  EXPECT_FALSE(DirectReplacement::Plan(*plain, *plain, GrepEngine::MatchBits::Shortest, "x"));
  // The prefix and suffix differ between the file and the matched text; escapes, case
  // conversion, named and long references are the formatter's.
  for (const char* format : {"$`", "$'", "\\n", "\\U$1", "${1}", "$10", "$+", "$"})
    EXPECT_FALSE(DirectReplacement::Plan(*plain, *plain, 0, format)) << format;
  // A pattern read another way is not the pattern that searched.
  const auto basic = Compile("(a+)(b)", GrepEngine::SyntaxBits::Basic);
  EXPECT_FALSE(DirectReplacement::Plan(*basic, *plain, 0, "x"));
  EXPECT_FALSE(DirectReplacement::Plan(*Compile("a+b"), *plain, 0, "x"));
}

}  // namespace
