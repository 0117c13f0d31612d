// The text commands end to end: what they print, what they exit with, and how the command
// line's options reach the pattern.
#include <gmock/gmock.h>
#include <grepcore/Regularexpressionclass.h>
#include <gtest/gtest.h>

#include <sstream>

#include "JsonCheck.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ToolTest::RunTool;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// ---- exit status and error reports ----

TEST(ExitStatus, FoundIsZeroNothingIsOne) {
  EXPECT_EQ(RunTool({"search", "b+", "abbc"}).Status, 0);
  EXPECT_EQ(RunTool({"search", "z", "abbc"}).Status, 1);
  EXPECT_EQ(RunTool({"grep-text", "z", "abbc"}).Status, 1);
  EXPECT_EQ(RunTool({"match", "b", "abbc"}).Status, 1);  // anchored at the start
}

TEST(ExitStatus, BadPatternPrintsTheEnginesMessage) {
  RegexClass::RegularExpression reference;
  reference.SetExpression("a(b");
  ASSERT_NE(reference.ParseExpression(), 0);
  const ToolTest::ToolResult result = RunTool({"search", "a(b", "text"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Err, HasSubstr(reference.GetExpressionError()));
  EXPECT_EQ(result.Out, "");
}

TEST(ExitStatus, AnExpressionTheEngineGivesUpOnIsNoNothingFound) {
  const std::string hard = std::string(2000, 'a') + "db";
  for (const char* command : {"search", "grep-text", "match"}) {
    const ToolTest::ToolResult result = RunTool({command, "(a*)*\\1b", hard});
    EXPECT_EQ(result.Status, 2) << command;
    EXPECT_THAT(result.Err, HasSubstr("regextool: The complexity")) << command;
  }
  const ToolTest::ToolResult merged = RunTool({"merge", "(a*)*\\1b", "X", hard});
  EXPECT_EQ(merged.Status, 2);
  EXPECT_EQ(merged.Out, "");
  EXPECT_EQ(RunTool({"search", "(a*)*\\1b", "aab"}).Status, 0);
}

TEST(ExitStatus, EmptyPatternIsAnError) {
  const ToolTest::ToolResult result = RunTool({"search", "", "text"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_THAT(result.Err, HasSubstr("empty pattern"));
}

TEST(ExitStatus, BadCommandLineNamesTheOffendingOption) {
  const ToolTest::ToolResult unknown = RunTool({"search", "--frobnicate", "a", "b"});
  EXPECT_EQ(unknown.Status, 2);
  EXPECT_THAT(unknown.Err, HasSubstr("--frobnicate"));

  const ToolTest::ToolResult syntax = RunTool({"search", "--syntax", "fancy", "a", "b"});
  EXPECT_EQ(syntax.Status, 2);
  EXPECT_THAT(syntax.Err, HasSubstr("--syntax"));

  const ToolTest::ToolResult option = RunTool({"grep-text", "--option", "NoSuchOption", "a", "b"});
  EXPECT_EQ(option.Status, 2);
  EXPECT_THAT(option.Err, HasSubstr("--option"));

  const ToolTest::ToolResult matchOption =
      RunTool({"grep-text", "--match-option", "MatchEverything", "a", "b"});
  EXPECT_EQ(matchOption.Status, 2);
  EXPECT_THAT(matchOption.Err, HasSubstr("--match-option"));

  EXPECT_EQ(RunTool(std::vector<std::string>{}).Status, 2);  // no sub-command
  EXPECT_EQ(RunTool({"search"}).Status, 2);                  // no pattern
  EXPECT_EQ(RunTool({"merge", "a"}, "abc").Status, 2);       // no format

  EXPECT_EQ(RunTool({"search", "a", "b", "c"}).Status, 2);  // one text too many
}

TEST(ExitStatus, HelpAndVersionSucceed) {
  const ToolTest::ToolResult help = RunTool({"--help"});
  EXPECT_EQ(help.Status, 0);
  for (const char* command :
       {"match", "search", "grep", "grep-text", "merge", "grep-files", "find-files", "change"})
    EXPECT_THAT(help.Out, HasSubstr(command));
  const ToolTest::ToolResult commandHelp = RunTool({"change", "--help"});
  EXPECT_EQ(commandHelp.Status, 0);
  EXPECT_THAT(commandHelp.Out, HasSubstr("--dry-run"));
  const ToolTest::ToolResult version = RunTool({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, std::string("regextool ") + REGEXTOOL_EXPECTED_VERSION + "\n");
}

// ---- the readable match vector ----

TEST(ReadableOutput, SearchShowsWholeMatchGroupsPrefixAndSuffix) {
  const ToolTest::ToolResult result = RunTool({"search", "b(c)(x)?", "abcd"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out,
            "match 1: line 1, line starts at 0\n"
            "  whole: \"bc\" at 1..3\n"
            "  group 1: \"c\" at 2..3\n"
            "  group 2: (took no part)\n"
            "  prefix: \"a\" at 0..1\n"
            "  suffix: \"d\" at 3..4\n");
}

TEST(ReadableOutput, GrepReportsEveryMatchWithItsLine) {
  const ToolTest::ToolResult result = RunTool({"grep-text", "t[a-z]+", "one\ntwo\nthree"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_THAT(result.Out,
              HasSubstr("match 1: line 2, line starts at 4\n  whole: \"two\" at 4..7\n"));
  EXPECT_THAT(result.Out,
              HasSubstr("match 2: line 3, line starts at 8\n  whole: \"three\" at 8..13\n"));
  EXPECT_THAT(result.Out, Not(HasSubstr("match 3")));
}

TEST(ReadableOutput, MatchIsAnchoredAndWholeMustTakeTheText) {
  EXPECT_EQ(RunTool({"match", "ab", "abc"}).Status, 0);
  EXPECT_EQ(RunTool({"match", "--whole", "ab", "abc"}).Status, 1);
  EXPECT_EQ(RunTool({"match", "--whole", "ab.", "abc"}).Status, 0);
}

TEST(ReadableOutput, ControlBytesAreEscaped) {
  const ToolTest::ToolResult result = RunTool({"search", "b.c", std::string("ab\tc\"\\")});
  ASSERT_EQ(result.Status, 0);
  EXPECT_THAT(result.Out, HasSubstr("whole: \"b\\tc\" at 1..4"));
  EXPECT_THAT(result.Out, HasSubstr("suffix: \"\\\"\\\\\" at 4..6"));
}

// ---- text from standard input ----

TEST(StandardInput, TextIsReadWholeAndBinarySafe) {
  const std::string text("a\0b\nx\0b", 7);
  const ToolTest::ToolResult result = RunTool({"grep-text", "--json", "b"}, text);
  ASSERT_EQ(result.Status, 0);
  const std::vector<std::string> lines = Lines(result.Out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[0], HasSubstr("\"match\":{\"text\":\"b\",\"position\":2,"));
  EXPECT_THAT(lines[1], HasSubstr("\"line\":2,\"line_start\":4,"));
  EXPECT_THAT(lines[1], HasSubstr("\"match\":{\"text\":\"b\",\"position\":6,"));
}

TEST(StandardInput, ArgumentWinsOverInput) {
  const ToolTest::ToolResult result = RunTool({"search", "x", "no"}, "x on stdin");
  EXPECT_EQ(result.Status, 1);
}

// ---- JSON ----

TEST(JsonOutput, EveryLineIsValidJsonForAnyBytes) {
  std::string text =
      "q\"\\\x01\x7f\xff\xc3\xa9\xe2\x82\n";  // quote, backslash, controls, bad UTF-8
  text += std::string("\0z", 2);
  const ToolTest::ToolResult result =
      RunTool({"grep-text", "--json", "--context-records", "(.)(z)?"}, text);
  ASSERT_EQ(result.Status, 0);
  const std::vector<std::string> lines = Lines(result.Out);
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) EXPECT_TRUE(ToolTest::JsonCheck::IsValid(line)) << line;
  // A stray byte is shown by its value; well-formed UTF-8 stays as it is.
  EXPECT_THAT(result.Out, HasSubstr("\"text\":\"\\u00FF\""));
  EXPECT_THAT(result.Out, HasSubstr("\\u00FF\xc3\xa9\\u00E2\\u0082"));
  EXPECT_THAT(result.Out, HasSubstr("\"text\":\"\\u00C3\""));  // half a character on its own
  EXPECT_THAT(result.Out, HasSubstr("\"text\":\"\\u0001\""));
  EXPECT_THAT(result.Out, HasSubstr("\"text\":\"\\\"\""));
  EXPECT_THAT(result.Out, HasSubstr("\"text\":\"\\\\\""));
}

TEST(JsonOutput, GroupThatTookNoPartIsNull) {
  const ToolTest::ToolResult result = RunTool({"search", "--json", "a(b)?(c)", "xac"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_TRUE(ToolTest::JsonCheck::IsValid(result.Out)) << result.Out;
  EXPECT_THAT(result.Out,
              HasSubstr("\"groups\":[null,{\"text\":\"c\",\"position\":2,\"length\":1}]"));
  EXPECT_THAT(result.Out, HasSubstr("\"prefix\":{\"text\":\"x\",\"position\":0,\"length\":1}"));
}

// ---- options reach the pattern ----

TEST(PatternOptions, CaseAndSyntaxChoices) {
  EXPECT_EQ(RunTool({"search", "ABC", "xabcx"}).Status, 1);
  EXPECT_EQ(RunTool({"search", "-i", "ABC", "xabcx"}).Status, 0);
  // Basic syntax: \( \) and \{ \} are the operators.
  const ToolTest::ToolResult basic =
      RunTool({"search", "--syntax", "basic", "\\(a\\)\\{2\\}", "baa"});
  EXPECT_EQ(basic.Status, 0);
  EXPECT_THAT(basic.Out, HasSubstr("whole: \"aa\" at 1..3"));
  EXPECT_EQ(RunTool({"search", "--syntax", "basic", "a+", "aa"}).Status, 1);  // + is ordinary there
  // As grep reads a basic expression, \+ \? and \| are the operators.
  EXPECT_THAT(RunTool({"search", "--syntax", "basic", "ba\\+\\|c\\?d", "xbaad"}).Out,
              HasSubstr("whole: \"baa\" at 1..4"));
  EXPECT_EQ(RunTool({"search", "--syntax", "extended", "a+", "aa"}).Status, 0);
  const ToolTest::ToolResult literal = RunTool({"search", "--syntax", "literal", "a.(", "axb a.("});
  EXPECT_EQ(literal.Status, 0);
  EXPECT_THAT(literal.Out, HasSubstr("at 4..7"));
}

TEST(PatternOptions, SingleCompileAndMatchOptionsByName) {
  const ToolTest::ToolResult alternation =
      RunTool({"search", "--option", "NewlineAsAlternationOperator", "x\ny", "ayb"});
  EXPECT_EQ(alternation.Status, 0);
  EXPECT_THAT(alternation.Out, HasSubstr("whole: \"y\""));
  EXPECT_EQ(RunTool({"search", "a.b", "a\nb"}).Status, 0);
  EXPECT_EQ(RunTool({"search", "--match-option", "MatchNotDotNewline", "a.b", "a\nb"}).Status, 1);
  // Repeated, each occurrence takes one name and the positionals stay positionals.
  EXPECT_EQ(RunTool({"search", "--match-option", "MatchNotDotNewline", "--match-option",
                     "MatchNotBeginningOfLine", "^a", "a"})
                .Status,
            1);
  const ToolTest::ToolResult shortest = RunTool({"search", "--shortest", "a+", "aaa"});
  EXPECT_THAT(shortest.Out, HasSubstr("whole: \"a\" at 0..1"));
  EXPECT_THAT(RunTool({"search", "a+", "aaa"}).Out, HasSubstr("whole: \"aaa\" at 0..3"));
}

// ---- merge ----

TEST(Merge, ReplacesEachMatchOnStandardInput) {
  const ToolTest::ToolResult result = RunTool({"merge", "(o)", "[$1]"}, "hello world\n");
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "hell[o] w[o]rld\n");
}

TEST(Merge, FormatSyntax) {
  EXPECT_EQ(RunTool({"merge", "cd", "[$`|$&|$'|$$]"}, "abcdef").Out, "ab[ab|cd|ef|$]ef");
  EXPECT_EQ(RunTool({"merge", "([a-z]+)=([0-9]+)", "$2=$1"}, "x=1, yy=22").Out, "1=x, 22=yy");
}

TEST(Merge, NoCopyWritesOnlyTheReplacements) {
  EXPECT_EQ(RunTool({"merge", "--no-copy", "[0-9]+", "<$&>"}, "a1b22c").Out, "<1><22>");
}

// As sed: the input was read and written, so a script under set -e goes on.
TEST(Merge, NothingMatchedCopiesTheTextAndExitsZero) {
  const ToolTest::ToolResult result = RunTool({"merge", "z", "y"}, std::string("ab\0c\n", 5));
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, std::string("ab\0c\n", 5));
}

TEST(Merge, FirstReplacesTheFirstMatchOfEachLineAsSedWithoutG) {
  EXPECT_EQ(RunTool({"merge", "--first", "o", "0"}, "foo boo\n\nzoo").Out, "f0o boo\n\nz0o");
  EXPECT_EQ(RunTool({"merge", "--first", "--no-copy", "[0-9]", "<$&>"}, "a1b2\n3\n").Out,
            "<1><3>");
  EXPECT_EQ(RunTool({"merge", "--first", "--whole-text", "o", "0"}, "oo\noo\n").Out, "0o\n0o\n");
  EXPECT_EQ(RunTool({"merge", "--first", "^", "> "}, "a\nb\n").Out, "> a\n> b\n");
}

TEST(Merge, BadPatternExitsTwoAndWritesNothing) {
  const ToolTest::ToolResult result = RunTool({"merge", "a[", "x"}, "abc");
  EXPECT_EQ(result.Status, 2);
  EXPECT_EQ(result.Out, "");
  EXPECT_THAT(result.Err, HasSubstr("bad pattern"));
}

}  // namespace
