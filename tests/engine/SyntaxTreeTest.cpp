// The pattern's own syntax tree: what each syntax reads a pattern as, the errors strict POSIX
// reading finds (with the engine's codes and the place), the text written for the engine, and
// passes over deep and large patterns without recursion.

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/regex.hpp>
#include <locale>
#include <random>
#include <string>

#include "PatternImpl.h"
#include "SyntaxTranslation.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"
#include "syntax/BoostText.h"
#include "syntax/BracketResolution.h"
#include "syntax/Parser.h"
#include "syntax/PrefilterFacts.h"
#include "syntax/Printer.h"

namespace {

namespace S = GrepEngine::SyntaxBits;
namespace Syntax = GrepEngine::Syntax;
using Syntax::Error;

Syntax::Tree Parse(const std::string& pattern, unsigned word) {
  return Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), word);
}

std::string Printed(const std::string& pattern, unsigned word) {
  return Syntax::Print(Parse(pattern, word));
}

std::string Hex(unsigned word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", word);
  return text;
}

struct ShapeCase {
  unsigned word;
  const char* pattern;
  const char* tree;
};

void ExpectShapes(const ShapeCase* first, const ShapeCase* last) {
  for (const ShapeCase* c = first; c != last; ++c)
    EXPECT_EQ(Printed(c->pattern, c->word), c->tree)
        << "\"" << c->pattern << "\" under " << Hex(c->word);
}

template <std::size_t N>
void ExpectShapes(const ShapeCase (&cases)[N]) {
  ExpectShapes(cases, cases + N);
}

TEST(SyntaxTreeTest, EachSyntaxReadsItsOwnOperators) {
  const ShapeCase cases[] = {
      {S::Normal, "ab*", "(cat 'a' (repeat 0 inf 'b'))"},
      {S::Normal, "a|bc", "(alt 'a' (cat 'b' 'c'))"},
      {S::Normal, "(a|b)+c?", "(cat (repeat 1 inf (group 1 (alt 'a' 'b'))) (repeat 0 1 'c'))"},
      {S::Normal, "a{2,5}b{3}c{1,}", "(cat (repeat 2 5 'a') (repeat 3 3 'b') (repeat 1 inf 'c'))"},
      {S::Basic, "\\(a\\)\\{2\\}", "(repeat 2 2 (group 1 'a'))"},
      {S::Basic, "a+?|(b){1}", "(cat 'a' '+' '?' '|' '(' 'b' ')' '{' '1' '}')"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "a\\+b\\?",
       "(cat (repeat 1 inf 'a') (repeat 0 1 'b'))"},
      {S::Basic | S::VerticalbarNotOperator, "a\\|b", "(alt 'a' 'b')"},
      {S::Extended & ~S::Intervals, "a{2}", "(cat 'a' '{' '2' '}')"},
      {S::Extended | S::BracesNotOperators, "a\\{2\\}{", "(cat (repeat 2 2 'a') '{')"},
      {S::Extended | S::ParenthesesNotOperators, "\\(a\\)(", "(cat (group 1 'a') '(')"},
      {S::Normal | S::NewlineAsAlternationOperator, "a\nb", "(alt 'a' 'b')"},
      {S::Normal, "a\nb", "(cat 'a' '\\x0a' 'b')"},
      {S::Normal, "", "()"},
      {S::Normal, "a||b", "(alt 'a' () 'b')"},
      {S::Normal, "()", "(group 1 ())"},
      // A bare ) or } that closes nothing is ordinary.
      {S::Normal, "a)}", "(cat 'a' ')' '}')"},
      {S::Basic, "a\\}", "(cat 'a' '}')"},
  };
  ExpectShapes(cases);
}

TEST(SyntaxTreeTest, AnchorsAndStarFollowTheOperatorSet) {
  const ShapeCase cases[] = {
      {S::Basic, "^a^$b$", "(cat ^ 'a' '^' '$' 'b' $)"},
      {S::Basic, "*a", "(cat '*' 'a')"},
      {S::Basic, "^*", "(cat ^ '*')"},
      {S::Basic, "\\(^*a$\\)", "(group 1 (cat ^ '*' 'a' $))"},
      {S::Basic | S::VerticalbarNotOperator, "a$\\|^b", "(alt (cat 'a' $) (cat ^ 'b'))"},
      {S::Basic | S::QuestionmarkPlusNotOperators, "\\+a", "(cat '+' 'a')"},
      {S::Extended, "a^b$c", "(cat 'a' ^ 'b' $ 'c')"},
      {S::Extended, "(^a)", "(group 1 (cat ^ 'a'))"},
  };
  ExpectShapes(cases);
}

TEST(SyntaxTreeTest, EscapesOfTheLanguage) {
  const ShapeCase cases[] = {
      {S::Normal, "\\w\\W\\s\\S\\d\\D", "(cat \\w \\W \\s \\S \\d \\D)"},
      {S::Normal, "\\b\\B\\<\\>\\`\\'", "(cat \\b \\B \\< \\> \\` \\')"},
      {S::Normal, "\\n\\t\\r\\f\\v", "(cat '\\x0a' '\\x09' '\\x0d' '\\x0c' '\\x0b')"},
      {S::Normal, "\\x41\\x4\\x{62}\\x{0063}", "(cat 'A' '\\x04' 'b' 'c')"},
      {S::Normal, "\\.\\*\\[\\{\\\\", "(cat '.' '*' '[' '{' '\\x5c')"},
      {S::Normal & ~S::BackReferences, "\\0\\12", "(cat '0' '1' '2')"},
      {S::Extended & ~S::BackReferences, "(a)\\1", "(cat (group 1 'a') '1')"},
      {S::Normal, "(a)\\1", "(cat (group 1 'a') \\1)"},
      {S::Normal, "(a)\\10", "(cat (group 1 'a') \\1 '0')"},
      {S::Literals, "a(\\w)*", "(cat 'a' '(' '\\x5c' 'w' ')' '*')"},
      {S::Literals | S::NewlineAsAlternationOperator, "a\nb", "(cat 'a' '\\x0a' 'b')"},
  };
  ExpectShapes(cases);
}

TEST(SyntaxTreeTest, BracketExpressionsStaySymbolic) {
  const ShapeCase cases[] = {
      {S::Normal, "[a-z0-9_]", "[a-z0-9_]"},
      {S::Normal, "[^]a-]", "[^\\]a\\-]"},
      {S::Normal, "[[:alpha:][=e=][.hyphen.]x]", "[[:alpha:][=e=][.hyphen.]x]"},
      {S::Normal, "[[.a.]-[.z.]]", "[[.a.]-[.z.]]"},
      {S::Normal, "[\\w\\D\\n\\]\\x41]", "[[:w:]\\D\\x0a\\]A]"},
      {S::Extended, "[\\w]", "[\\\\w]"},  // without EscapeInCharacterSets a backslash is a member
      {S::Extended & ~S::CharacterClasses, "[[:a:]]", "(cat [\\[:a:] ']')"},
      {S::Normal, "[--/]", "[\\--/]"},
      {S::Normal, "[a-c-]", "[a-c\\-]"},
      {S::Normal, "[]]", "[\\]]"},
      {S::Normal, "[a\nb]", "[a\\x0ab]"},
  };
  ExpectShapes(cases);
}

TEST(SyntaxTreeTest, GroupsAreNumberedByTheirOpeningParenthesis) {
  const Syntax::Tree tree = Parse("((a)(b))|(c)\\3", S::Normal);
  ASSERT_FALSE(tree.Failed());
  ASSERT_EQ(tree.GroupCount(), 4u);
  const char* const bodies[] = {"(group 1 (cat (group 2 'a') (group 3 'b')))", "(group 2 'a')",
                                "(group 3 'b')", "(group 4 'c')"};
  for (unsigned n = 1; n <= 4; ++n) {
    const Syntax::Node& group = tree[tree.Groups[n - 1]];
    EXPECT_EQ(group.Kind, Syntax::NodeKind::Group);
    EXPECT_EQ(group.Value, n);
    Syntax::Tree alone = tree;
    alone.Root = tree.Groups[n - 1];
    EXPECT_EQ(Syntax::Print(alone), bodies[n - 1]);
  }
  EXPECT_TRUE(tree.HasBackReferences);
  EXPECT_FALSE(Parse("(a)(b)", S::Normal).HasBackReferences);
  EXPECT_FALSE(Parse("(a)\\1", S::Normal & ~S::BackReferences).HasBackReferences);
}

struct ErrorCase {
  unsigned word;
  const char* pattern;
  Error error;
  std::size_t offset;
};

TEST(SyntaxTreeTest, StrictReadingFindsErrorsAndWhereTheyAre) {
  const ErrorCase cases[] = {
      // Groups.
      {S::Normal, "a(b", Error::Paren, 1},
      {S::Normal, "(a(b)", Error::Paren, 0},
      {S::Basic, "a\\)", Error::Paren, 1},
      {S::Basic, "\\(a", Error::Paren, 0},
      // Back-references name a group complete before them.
      {S::Normal, "\\1", Error::BackReference, 0},
      {S::Normal, "(a)\\2", Error::BackReference, 3},
      {S::Normal, "(a\\1)", Error::BackReference, 2},
      {S::Basic, "\\(a\\(b\\)\\1\\)", Error::BackReference, 8},
      // Repeats need something repeatable before them.
      {S::Normal, "*a", Error::BadRepeat, 0},
      {S::Normal, "a|+b", Error::BadRepeat, 2},
      {S::Normal, "(?:a)", Error::BadRepeat, 1},
      {S::Normal, "^*", Error::BadRepeat, 1},
      {S::Normal, "a\\b+", Error::BadRepeat, 3},
      {S::Normal, "a**", Error::BadRepeat, 2},
      {S::Normal, "a+?", Error::BadRepeat, 2},
      {S::Normal, "a{2}{3}", Error::BadRepeat, 4},
      {S::Normal, "{1}a", Error::BadRepeat, 0},
      {S::Basic, "a**", Error::BadRepeat, 2},
      {S::Basic, "\\{1\\}a", Error::BadRepeat, 0},
      {S::Basic, "^\\{1\\}", Error::BadRepeat, 1},
      {S::Basic, "a\\<*", Error::BadRepeat, 3},
      // Intervals: bounds up to 32767, digits only, the low one first.
      {S::Normal, "a{2,1}", Error::BadBrace, 1},
      {S::Normal, "a{}", Error::BadBrace, 1},
      {S::Normal, "a{,3}", Error::BadBrace, 1},
      {S::Normal, "a{1x}", Error::BadBrace, 1},
      {S::Normal, "a{1,2,3}", Error::BadBrace, 1},
      {S::Normal, "a{32768}", Error::BadBrace, 1},
      {S::Normal, "a{9876543210}", Error::BadBrace, 1},
      {S::Basic, "a\\{1,x\\}", Error::BadBrace, 1},
      {S::Normal, "a{1", Error::Brace, 1},
      {S::Normal, "a{x", Error::Brace, 1},
      {S::Basic, "a\\{1,2", Error::Brace, 1},
      {S::Basic, "a\\{1}", Error::Brace, 1},
      // Brackets.
      {S::Normal, "[a", Error::Bracket, 0},
      {S::Normal, "x[]", Error::Bracket, 1},
      {S::Normal, "[^]", Error::Bracket, 0},
      {S::Normal, "[\\]", Error::Bracket, 0},
      {S::Normal, "[[:alpha:]", Error::Bracket, 0},
      {S::Normal, "[[.a]", Error::Bracket, 0},
      {S::Normal, "[a-z-0]", Error::Range, 4},
      {S::Normal, "[[:alpha:]-z]", Error::Range, 10},
      {S::Normal, "[a-[=e=]]", Error::Range, 8},
      {S::Normal, "[[=e=]-z]", Error::Range, 6},
      // Escapes.
      {S::Normal, "a\\", Error::Escape, 1},
      {S::Normal, "\\Qa\\E", Error::Escape, 0},
      {S::Normal, "a\\e", Error::Escape, 1},
      {S::Normal, "\\xg", Error::Escape, 0},
      {S::Normal, "\\x{100}", Error::Escape, 0},
      {S::Normal, "\\x{41", Error::Escape, 0},
      {S::Normal, "[\\q]", Error::Escape, 1},
      {S::Normal, "[\\x]", Error::Escape, 1},
      {S::Basic, "a\\+", Error::None, 0},  // ordinary without QuestionmarkPlusNotOperators
  };
  for (const ErrorCase& c : cases) {
    const Syntax::Tree tree = Parse(c.pattern, c.word);
    const std::string where = std::string("\"") + c.pattern + "\" under " + Hex(c.word);
    EXPECT_EQ(static_cast<unsigned>(tree.Failure), static_cast<unsigned>(c.error)) << where;
    if (c.error == Error::None) continue;
    EXPECT_EQ(tree.ErrorOffset, c.offset) << where;
    EXPECT_TRUE(tree.Nodes.empty()) << where << ": a failed tree holds nothing";
    EXPECT_EQ(tree.Root, Syntax::NoNode) << where;
  }
}

Error Checked(const std::string& pattern, unsigned word,
              const std::locale& locale = std::locale::classic()) {
  Syntax::Tree tree = Parse(pattern, word);
  if (tree.Failed()) return tree.Failure;
  return Syntax::ResolveBrackets(tree, word, locale);
}

// The whole brackets [[:<:]] and [[:>:]] are the word's start and end wherever [:class:] is
// read; without CharacterClasses they are a bracket and a ']' as any other [[:x:]].
TEST(SyntaxTreeTest, WordEdgeBracketsAreTheWordAssertions) {
  const ShapeCase cases[] = {
      {S::Normal, "[[:<:]]a[[:>:]]", "(cat \\< 'a' \\>)"},
      {S::Extended, "[[:<:]]a|b[[:>:]]", "(alt (cat \\< 'a') (cat 'b' \\>))"},
      {S::Basic, "\\([[:<:]]a\\)[[:>:]]", "(cat (group 1 (cat \\< 'a')) \\>)"},
      {S::Normal | S::CaseInsensitive, "[[:>:]]", "\\>"},
      {S::Extended & ~S::CharacterClasses, "[[:<:]]", "(cat [\\[:<:] ']')"},
      // Only the whole bracket: a class among other members stays a class.
      {S::Normal, "[[:<:]x]", "[[:<:]x]"},
      {S::Normal, "[^[:>:]]", "[^[:>:]]"},
      {S::Literals, "[[:<:]]", "(cat '[' '[' ':' '<' ':' ']' ']')"},
  };
  ExpectShapes(cases);
  // Anchors are not repeated, whichever way they are written.
  EXPECT_EQ(Parse("[[:<:]]*", S::Normal).Failure, Error::BadRepeat);
  EXPECT_EQ(Parse("a[[:>:]]{2}", S::Extended).Failure, Error::BadRepeat);
  // A class named "<" among other members is still no class of the locale.
  EXPECT_EQ(Checked("[[:<:]x]", S::Normal), Error::ClassName);
  EXPECT_EQ(Checked("[a[:>:]]", S::Extended), Error::ClassName);
  EXPECT_EQ(Checked("[[:<:]]", S::Basic), Error::None);
}

TEST(SyntaxTreeTest, TheLocaleChecksNamesAndTheOrderOfRanges) {
  EXPECT_EQ(Checked("[[:alpha:][:digit:]\\w]", S::Normal), Error::None);
  EXPECT_EQ(Checked("[[:foo:]]", S::Normal), Error::ClassName);
  EXPECT_EQ(Checked("[[::]]", S::Normal), Error::ClassName);
  EXPECT_EQ(Checked("[[:<:]x]", S::Normal), Error::ClassName)
      << "a word edge only as a whole bracket";
  EXPECT_EQ(Checked("[[:^alpha:]]", S::Normal), Error::ClassName) << "no negated class names";
  EXPECT_EQ(Checked("[[.hyphen.][.a.]]", S::Normal), Error::None);
  EXPECT_EQ(Checked("[[.nosuchname.]]", S::Normal), Error::Collate);
  EXPECT_EQ(Checked("[[..]]", S::Normal), Error::Collate);
  EXPECT_EQ(Checked("[[=a=]]", S::Normal), Error::None);
  EXPECT_EQ(Checked("[[=aleph=]]", S::Normal), Error::Collate);
  // Reversed ranges, by byte value or in the collation order.
  EXPECT_EQ(Checked("[b-a]", S::Normal), Error::Range);
  EXPECT_EQ(Checked("[b-a]", S::Extended), Error::Range);
  EXPECT_EQ(Checked("[a-a]", S::Normal), Error::None);
  EXPECT_EQ(Checked("[\xe9-\xff]", S::Normal), Error::None) << "bytes compare unsigned";
  EXPECT_EQ(Checked("[[.z.]-[.a.]]", S::Normal), Error::Range);
  EXPECT_EQ(Checked("[Z-a]", S::Normal), Error::None);
  // As the engine builds its sets, a case-insensitive range compares its folded ends.
  EXPECT_EQ(Checked("[Z-a]", S::Normal | S::CaseInsensitive), Error::Range);
  EXPECT_EQ(Checked("[A-z]", S::Normal | S::CaseInsensitive), Error::None);
}

struct TextCase {
  unsigned word;
  const char* pattern;
  const char* text;
};

TEST(SyntaxTreeTest, TheEngineTextSaysWhatTheTreeSays) {
  const TextCase cases[] = {
      {S::Basic, "\\(a.\\)*\\{2\\}", ""},  // a repeat of a repeat: no tree, no text
      {S::Basic, "\\(a.\\)*b\\{2\\}", "(a.)*b{2}"},
      {S::Basic, "a+?|(){}$b^", "a\\+\\?\\|\\(\\)\\{\\}\\$b\\^"},
      {S::Basic, "^*a$", "^\\*a$"},
      {S::Extended, "[\\]", "[\\\\]"},
      {S::Extended, "a{1,}b{0,1}c{2,3}d{0,}", "a+b?c{2,3}d*"},
      {S::Normal, "[]^[-]", "[\\]\\^\\[\\-]"},
      {S::Normal, "[^\\w\\D[:alpha:][=e=][.-.]a-z]", "[^[:w:]\\D[:alpha:][=e=][.-.]a-z]"},
      {S::Normal, "(a)\\10", "(a)\\10"},
      {S::Normal, "\\x41\\n\\<\\'", "A\n\\<\\'"},
      {S::Literals, "a.(b)*", "a\\.\\(b\\)\\*"},
  };
  for (const TextCase& c : cases) {
    const Syntax::Tree tree = Parse(c.pattern, c.word);
    if (tree.Failed()) {
      EXPECT_STREQ(c.text, "") << c.pattern;
      continue;
    }
    EXPECT_EQ(Syntax::BoostText(tree), c.text) << "\"" << c.pattern << "\" under " << Hex(c.word);
  }
}

// Random patterns over the characters that mean something in some syntax.
std::string RandomPattern(std::mt19937& random) {
  static const char alphabet[] = "a(){}[]\\*+?|^$-.:=,12\nbwxW";
  std::string pattern;
  const unsigned length = 1 + random() % 10;
  for (unsigned i = 0; i < length; ++i) pattern += alphabet[random() % (sizeof alphabet - 1)];
  return pattern;
}

// What the tree accepts, the engine compiles, with the same number of groups.
TEST(SyntaxTreeTest, EveryValidTreeCompilesInTheEngine) {
  const unsigned words[] = {S::Normal,
                            S::Basic,
                            S::Extended,
                            S::Basic | S::QuestionmarkPlusNotOperators | S::VerticalbarNotOperator,
                            S::Extended | S::BracesNotOperators | S::ParenthesesNotOperators,
                            S::Normal | S::NewlineAsAlternationOperator | S::CaseInsensitive,
                            S::Extended | S::LimitedOperations,
                            S::Normal & ~S::Intervals & ~S::CharacterClasses,
                            S::Literals};
  std::mt19937 random(20261208);
  unsigned valid = 0;
  for (int round = 0; round < 60000; ++round) {
    const std::string pattern = RandomPattern(random);
    const unsigned word = words[random() % (sizeof words / sizeof *words)];
    Syntax::Tree tree = Parse(pattern, word);
    if (tree.Failed() || Syntax::ResolveBrackets(tree, word, std::locale::classic()) != Error::None)
      continue;
    ++valid;
    const std::string text = Syntax::BoostText(tree);
    GrepEngine::Regex expression;
    expression.assign(text.data(), text.data() + text.size(), GrepEngine::TranslateSyntax(word));
    ASSERT_EQ(expression.status(), 0)
        << "\"" << pattern << "\" under " << Hex(word) << " as \"" << text << "\"";
    EXPECT_EQ(expression.mark_count(), tree.GroupCount()) << pattern;
  }
  EXPECT_GT(valid, 15000u);
}

// Any error a pattern gives is one of the tree's, never one the engine found in its text.
TEST(SyntaxTreeTest, CompileErrorsComeFromTheTree) {
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    const std::string pattern = RandomPattern(random);
    const unsigned word = round % 2 ? S::Basic : S::Normal;
    const auto compiled = GrepEngine::Pattern::Compile(
        pattern.data(), pattern.data() + pattern.size(), word, std::locale::classic());
    const Error expected = Checked(pattern, word);
    ASSERT_EQ(compiled->ErrorCode(), static_cast<unsigned>(expected)) << pattern;
    EXPECT_EQ(compiled->Internals().Tree.Failure, expected) << pattern;
  }
}

// Passes keep their own stack: nesting as deep as the pattern is long costs no recursion.
TEST(SyntaxTreeTest, DeepNestingNeedsNoRecursion) {
  const std::size_t depth = 200000;
  const std::string pattern = std::string(depth, '(') + "ab" + std::string(depth, ')') + "+";
  const Syntax::Tree tree = Parse(pattern, S::Normal);
  ASSERT_FALSE(tree.Failed());
  EXPECT_EQ(tree.GroupCount(), depth);
  EXPECT_EQ(Syntax::BoostText(tree), pattern);
  const std::string printed = Syntax::Print(tree);
  EXPECT_EQ(printed.substr(0, 36), "(repeat 1 inf (group 1 (group 2 (gro");
  EXPECT_NE(printed.find("(group 200000 (cat 'a' 'b'))"), std::string::npos);
  EXPECT_EQ(static_cast<std::size_t>(std::count(printed.begin(), printed.end(), ')')), depth + 2);
  EXPECT_EQ(Syntax::RequiredLiterals(tree, S::Normal), std::vector<std::string>{"ab"});
  EXPECT_TRUE(Syntax::StaysOnOneLine(tree, S::Normal));
  // The engine has a nesting limit of its own: that is an error value, not a crash.
  const auto compiled = GrepEngine::Pattern::Compile(
      pattern.data(), pattern.data() + pattern.size(), S::Normal, std::locale::classic());
  EXPECT_EQ(compiled->ErrorCode(), static_cast<unsigned>(boost::regex_constants::error_complexity));
  const std::string unclosed(depth, '(');
  EXPECT_EQ(Parse(unclosed, S::Normal).Failure, Error::Paren);
}

TEST(SyntaxTreeTest, LargePatternsAreReadWhole) {
  std::string literal(1 << 20, 'x');
  for (std::size_t i = 0; i < literal.size(); i += 7) literal[i] = static_cast<char>('a' + i % 26);
  const Syntax::Tree tree = Parse(literal, S::Normal);
  ASSERT_FALSE(tree.Failed());
  EXPECT_EQ(tree[tree.Root].ChildCount, literal.size());
  EXPECT_EQ(Syntax::PlainLiteral(tree, S::Normal), literal);
  std::string alternatives;
  for (int i = 0; alternatives.size() < (1u << 20); ++i)
    alternatives += "w" + std::to_string(i) + "|";
  alternatives += "end";
  const Syntax::Tree alternation = Parse(alternatives, S::Extended);
  ASSERT_FALSE(alternation.Failed());
  EXPECT_EQ(alternation[alternation.Root].Kind, Syntax::NodeKind::Alternation);
  EXPECT_EQ(Syntax::BoostText(alternation), alternatives);
  EXPECT_TRUE(Syntax::RequiredLiterals(alternation, S::Extended).empty())
      << "too many to be of use";
}

}  // namespace
