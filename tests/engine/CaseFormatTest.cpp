// The format's case escapes in a UTF-8 locale: whole characters change case, everything else
// in the format keeps the engine's formatter's meaning, and byte mode stays as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "CaseFormat.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using namespace GrepEngine;

std::optional<std::locale> Utf8Locale() {
  try {
    return std::locale("C.UTF-8");
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

std::shared_ptr<const Pattern> Compile(const std::string& text, const std::locale& locale) {
  return Pattern::Compile(text.data(), text.data() + text.size(), SyntaxBits::Normal, locale);
}

std::string Merge(const std::string& pattern, const std::string& text, const std::string& format,
                  const std::locale& locale) {
  std::string out = "stale";
  EXPECT_TRUE(MergeInto(*Compile(pattern, locale), text.data(), text.data() + text.size(), format,
                        true, MatchBits::None, out))
      << pattern << " -> " << format;
  return out;
}

// The pieces as "escape:text" words, to compare in one line.
std::vector<std::string> Pieces(const std::string& format) {
  std::vector<std::string> words;
  for (const CaseFormat::Piece& piece : CaseFormat::Split(format))
    words.push_back(std::string(piece.Escape == '\0' ? "-" : std::string(1, piece.Escape)) + ":" +
                    piece.Text);
  return words;
}

using Words = std::vector<std::string>;

TEST(CaseFormatTest, CutsAtTheCaseEscapesTheFormatterReads) {
  EXPECT_EQ(Pieces("plain"), (Words{"-:plain"}));
  EXPECT_EQ(Pieces("a\\Ub\\Ec"), (Words{"-:a", "U:b", "E:c"}));
  EXPECT_EQ(Pieces("\\u\\L$&"), (Words{"-:", "u:", "L:$&"}));
  EXPECT_EQ(Pieces("\\l$1\\u$2"), (Words{"-:", "l:$1", "u:$2"}));
  // An escaped backslash is not the start of an escape.
  EXPECT_EQ(Pieces("\\\\U$&"), (Words{"-:\\\\U$&"}));
  EXPECT_EQ(Pieces("\\\\\\U$&"), (Words{"-:\\\\", "U:$&"}));
  // \c takes the byte after it, a backslash too.
  EXPECT_EQ(Pieces("\\c\\U$&"), (Words{"-:\\c\\U$&"}));
  // A dollar sign, and a reference by name up to its brace, whatever it holds.
  EXPECT_EQ(Pieces("$$\\U$&"), (Words{"-:$$", "U:$&"}));
  EXPECT_EQ(Pieces("$+{a\\Ub}\\L$&"), (Words{"-:$+{a\\Ub}", "L:$&"}));
  EXPECT_EQ(Pieces("$+{a\\Ub"), (Words{"-:$+{a", "U:b"}));
  EXPECT_EQ(Pieces("$\\U$&"), (Words{"-:$", "U:$&"}));
  // Other escapes stay in their piece for the formatter; a trailing backslash too.
  EXPECT_EQ(Pieces("\\x41\\n\\1\\U\\"), (Words{"-:\\x41\\n\\1", "U:\\"}));
}

TEST(CaseFormatTest, ChangesWholeCharactersInAUtf8Locale) {
  const std::optional<std::locale> utf8 = Utf8Locale();
  if (!utf8) GTEST_SKIP() << "no C.UTF-8 locale";
  struct Case {
    const char* pattern;
    const char* text;
    const char* format;
    const char* expected;
  } cases[] = {
      {"[^ ]+", "résumé", "\\U$&", "RÉSUMÉ"},
      {"[^ ]+", "émile zola", "\\u$&", "Émile Zola"},
      {"[^ ]+", "ÉCOLE Жук", "\\L$&", "école жук"},
      {"[^ ]+", "élan", "\\U$&\\E!", "ÉLAN!"},
      {"[^ ]+", "éLAN", "\\U$&\\E$&", "ÉLANéLAN"},
      {"[^ ]+", "ÉMILE", "\\l$&", "éMILE"},
      // \u and \l give back the mode they interrupted.
      {"[^ ]+", "жук", "\\U\\l$&", "жУК"},
      {"[^ ]+", "ÉCOLE", "\\L\\u$&", "École"},
      // The formatter's order: \L after \u replaces it.
      {"[^ ]+", "émile", "\\u\\L$&", "émile"},
      // \u waits for the next character written, past groups that took no part.
      {"(x)?([^ ]+)", "émile", "\\u$1$2", "Émile"},
      {"(x)?([^ ]+)", "émile", "\\u$1-$2", "-émile"},
      // Characters without a simple mapping, and those outside the letters, stay.
      {"[^ ]+", "straße €5 😀", "\\U$&", "STRAßE €5 😀"},
      // Bytes that are not UTF-8 are characters of their own, kept as they are.
      {"[^ ]+", "r\xC3sum\xA9", "\\U$&", "R\xC3SUM\xA9"},
      // (A bracket takes no such byte; the pattern's own raw byte takes itself.)
      {"\xFF[^ ]+", "\xFF\xC3\xA9t\xC3", "\\U$&", "\xFF\xC3\x89T\xC3"},
      {"\xFF[^ ]+", "\xFF\xC3\xA9t\xC3", "\\u$&", "\xFF\xC3\xA9t\xC3"},
      // Every other part of the format keeps its meaning beside the escapes.
      {"(é)(l)", "élan", "[\\U$2$1\\E$$\\x41$`$']", "[LÉ$Aan]an"},
      {"l", "élan", "\\U$`\\E|\\u$'", "éÉ|Anan"},
      {"[^ ]+", "été", "\\\\U$&", "\\Uété"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Merge(c.pattern, c.text, c.format, *utf8), c.expected)
        << c.pattern << " on " << c.text << " -> " << c.format;
}

TEST(CaseFormatTest, TheFormatOfOneMatchFollowsTheLocaleItIsGiven) {
  const std::optional<std::locale> utf8 = Utf8Locale();
  if (!utf8) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::string text = "de résumé";
  for (const std::locale& compiled : {std::locale::classic(), *utf8}) {
    MatchResults results;
    ASSERT_TRUE(SearchIn(*Compile("r[^ ]+", compiled), text.data(), text.data() + text.size(),
                         MatchBits::None, results));
    std::string out;
    EXPECT_TRUE(FormatMatch(results, "\\U$&", out, *utf8));
    EXPECT_EQ(out, "RÉSUMÉ");
    EXPECT_TRUE(FormatMatch(results, "\\U$&", out, std::locale::classic()));
    EXPECT_EQ(out, "R\xC3\xA9SUM\xC3\xA9");
  }
}

TEST(CaseFormatTest, ByteModeChangesSingleBytesAsBefore) {
  const std::locale classic = std::locale::classic();
  // The classic locale's case mapping leaves every byte above 0x7F alone.
  EXPECT_EQ(Merge("[^ ]+", "résumé", "\\U$&", classic), "R\xC3\xA9SUM\xC3\xA9");
  EXPECT_EQ(Merge("[^ ]+", "émile", "\\u$&", classic), "\xC3\xA9mile");
  EXPECT_EQ(Merge("[^ ]+", "ÉCOLE", "\\L$&", classic),
            "\xC3\x89"
            "cole");
  EXPECT_EQ(Merge("[^ ]+", "abc DEF", "\\u$&|\\L$&", classic), "Abc|abc DEF|def");
}

// On ASCII text a UTF-8 locale and the classic one agree on every format: the cut at the
// case escapes changes nothing of what the formatter makes of the rest.
TEST(CaseFormatTest, AgreesWithTheFormatterOnAsciiText) {
  const std::optional<std::locale> utf8 = Utf8Locale();
  if (!utf8) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::vector<std::string> tokens = {
      "a",   "B",     " ",       "$&",  "$1",    "$2",  "$3",  "${1}",  "$`",   "$'",
      "$$",  "$",     "$+",      "\\U", "\\L",   "\\u", "\\l", "\\E",   "\\\\", "\\",
      "\\n", "\\x41", "\\x{62}", "\\1", "\\012", "\\c", "\\e", "$+{x}", "{",    "x"};
  const std::string pattern = "([a-z]+)( ([A-Z]+))?";
  const std::string text = "mixed Case TEXT here aNd THERE";
  const auto classicPattern = Compile(pattern, std::locale::classic());
  const auto utf8Pattern = Compile(pattern, *utf8);
  std::mt19937 random(20261210);
  for (int round = 0; round < 600; ++round) {
    std::string format;
    const unsigned length = 1 + random() % 7;
    for (unsigned i = 0; i < length; ++i) format += tokens[random() % tokens.size()];
    std::string bytes, characters;
    const char* first = text.data();
    const char* last = first + text.size();
    const bool bytesDone =
        MergeInto(*classicPattern, first, last, format, true, MatchBits::None, bytes);
    const bool charactersDone =
        MergeInto(*utf8Pattern, first, last, format, true, MatchBits::None, characters);
    EXPECT_EQ(bytesDone, charactersDone) << format;
    EXPECT_EQ(bytes, characters) << format;

    MatchResults results;
    ASSERT_TRUE(SearchIn(*classicPattern, first, last, MatchBits::None, results));
    std::string one, oneCharacters;
    FormatMatch(results, format, one, std::locale::classic());
    FormatMatch(results, format, oneCharacters, *utf8);
    EXPECT_EQ(one, oneCharacters) << format;
  }
}

}  // namespace
