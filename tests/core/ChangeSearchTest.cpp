// The replacement of one matched text, as the change run makes it.
#include <gtest/gtest.h>

#include <string>

#include "ChangeSearch.h"
#include "PatternData.h"

namespace {

std::string Replaced(const std::string& pattern, const std::string& format,
                     const std::string& matched) {
  const auto compiled = grepcore::Pattern::Compile(pattern);
  grepcore::ReplacementMaker maker(compiled->Data()->Engine, 0, format);
  const std::string* replacement = maker.Replace(matched);
  return replacement == nullptr ? "(gave up)" : *replacement;
}

TEST(Replacements, MadeByMergingOverTheMatchedTextAlone) {
  EXPECT_EQ(Replaced("([a-z])([0-9])", "$2$1", "a1"), "1a");
  EXPECT_EQ(Replaced("([a-z])([0-9])", "$2$1", "a1b2"), "1a2b");  // every match inside the text
  EXPECT_EQ(Replaced("([a-z])([0-9])", "$2$1", "--"), "--");      // no match inside: the text stays
  // An empty match is replaced too, as the change run replaces it.
  EXPECT_EQ(Replaced("x*", "-", ""), "-");
  EXPECT_EQ(Replaced("x+", "-", ""), "");
}

}  // namespace
