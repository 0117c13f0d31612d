// The locale a pattern is compiled with: which names ask for UTF-8, the locale made for them,
// and every replacement route's case escapes under it.
#include <grepcore/Locale.h>
#include <grepcore/Regex.h>
#include <gtest/gtest.h>

#include <locale>
#include <stdexcept>
#include <string>

namespace {

bool SystemHasUtf8() {
  try {
    std::locale("C.UTF-8");
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

TEST(LocaleTest, NamesWithAUtf8CharacterSet) {
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "de_DE.utf8@euro", "fr_FR.Utf-8"})
    EXPECT_TRUE(grepcore::IsUtf8LocaleName(name)) << name;
  for (const char* name : {"", "C", "POSIX", "en_US", "en_US.ISO-8859-1", "de_DE@euro", "UTF-8"})
    EXPECT_FALSE(grepcore::IsUtf8LocaleName(name)) << name;
  EXPECT_FALSE(grepcore::IsUtf8Locale(std::locale::classic()));
}

TEST(LocaleTest, OtherNamesGiveTheClassicLocale) {
  for (const char* name : {"", "C", "POSIX", "en_US.ISO-8859-1", "no such locale"})
    EXPECT_TRUE(grepcore::PatternLocaleFor(name) == std::locale::classic()) << name;
}

TEST(LocaleTest, AUtf8NameGivesAUtf8LocaleEvenWhereTheSystemLacksIt) {
  if (!SystemHasUtf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  for (const char* name : {"C.UTF-8", "C.utf8", "xx_NOWHERE.UTF-8"})
    EXPECT_TRUE(grepcore::IsUtf8Locale(grepcore::PatternLocaleFor(name))) << name;
}

TEST(LocaleTest, EveryReplacementChangesWholeCharactersUnderUtf8) {
  if (!SystemHasUtf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  grepcore::CompileOptions utf8;
  utf8.Locale = grepcore::PatternLocaleFor("C.UTF-8");
  const grepcore::Pattern words = *grepcore::Pattern::Compile("[^ ]+", utf8);
  const std::string text = "émile résumé";
  EXPECT_EQ(*words.Replace(text, "\\u$&"), "Émile Résumé");
  EXPECT_EQ(*words.Expand(text, "<\\U$&>"), "<ÉMILE><RÉSUMÉ>");
  EXPECT_EQ(*words.ReplaceFirst(text, "\\U$&"), "ÉMILE résumé");
  EXPECT_EQ((*words.Search(text))->Format("\\U$&"), "ÉMILE");
  // A match formats with the locale it is given instead of its pattern's.
  EXPECT_EQ((*words.Search(text))->Format("\\U$&", std::locale::classic()), "\xC3\xA9MILE");

  const grepcore::Pattern bytes = *grepcore::Pattern::Compile("[^ ]+");
  EXPECT_EQ(*bytes.Replace(text, "\\U$&"), "\xC3\xA9MILE R\xC3\xA9SUM\xC3\xA9");
  EXPECT_EQ((*bytes.Search(text))->Format("\\U$&", utf8.Locale), "ÉMILE");
}

}  // namespace
