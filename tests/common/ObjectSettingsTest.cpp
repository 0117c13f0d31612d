// The settings record both pattern objects hold: what a copy takes, what comparison counts, and
// when the compilation is forgotten.
#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "common/ObjectSettings.h"

namespace {

namespace E = Common::ExpressionOrdinal;
using Common::ObjectSettings;

ObjectSettings Filled() {
  ObjectSettings settings;
  settings.SetExpression("(a)b");
  settings.StringToMatch = "xab";
  settings.FilesToMatch = "*.txt";
  settings.FormatString = "$1";
  settings.SaveExtension = ".bak";
  settings.AllowOwnerChange = true;
  return settings;
}

TEST(ObjectSettings, ACopySharesTheCompilationAndKeepsItsOwnLocale) {
  ObjectSettings source = Filled();
  ASSERT_EQ(source.Parse(), 0);
  ObjectSettings target;
  target.Locale = std::locale::classic();
  const std::locale before = target.Locale;
  target = source;
  EXPECT_TRUE(target == source);
  EXPECT_TRUE(target.AllowOwnerChange);
  EXPECT_TRUE(target.ExpressionParsed);
  EXPECT_EQ(target.CompiledExpression, source.CompiledExpression) << "shared, not compiled again";
  EXPECT_TRUE(target.Locale == before);
  EXPECT_EQ(ObjectSettings(source).Subexpressions(), 1u);
}

TEST(ObjectSettings, ComparisonCountsOptionsAndTextsOnly) {
  const ObjectSettings a = Filled();
  ObjectSettings b = Filled();
  b.AllowOwnerChange = false;
  b.Locale = std::locale::classic();
  ASSERT_EQ(b.Parse(), 0);
  EXPECT_TRUE(a == b);
  b.SaveExtension = ".old";
  EXPECT_FALSE(a == b);
  ObjectSettings c = Filled();
  c.MatchOptions = Common::AddMatchOption(c.MatchOptions, Common::MatchOrdinal::MatchShortest);
  EXPECT_FALSE(a == c);
}

TEST(ObjectSettings, TheCompilationIsForgottenByANewTextOrANewOptionSet) {
  ObjectSettings settings = Filled();
  ASSERT_EQ(settings.Parse(), 0);
  settings.SetExpressionOptions(settings.ExpressionOptions);
  EXPECT_TRUE(settings.ExpressionParsed) << "the same set changes nothing";
  settings.SetExpressionOptions(
      Common::AddExpressionOption(settings.ExpressionOptions, E::Literals));
  EXPECT_FALSE(settings.ExpressionParsed);
  ASSERT_EQ(settings.Parse(), 0);
  EXPECT_EQ(settings.Subexpressions(), 0u) << "compiled again, as literal text";
  settings.SetExpression(settings.Expression);
  EXPECT_FALSE(settings.ExpressionParsed) << "even the same text";
  settings.SetExpression("a(");
  settings.SetExpressionOptions(Common::DefaultExpressionOptions());
  EXPECT_NE(settings.Parse(), 0);
  EXPECT_FALSE(settings.ErrorText().empty());
  EXPECT_EQ(settings.Subexpressions(), 0u);
}

}  // namespace
