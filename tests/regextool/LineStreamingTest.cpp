// grep and merge over standard input a line at a time, as grep and sed read their input:
// each line is one record, matches never span lines, and memory does not grow with the input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "PeakMemory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ToolTest::RunTool;

std::string Seq(int last) {
  std::string text;
  for (int i = 1; i <= last; ++i) text += std::to_string(i) + '\n';
  return text;
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

// ---- grep ----

TEST(LineGrep, EachMatchIsPrintedWithoutTheRestOfTheText) {
  const std::string input = Seq(10000);
  const ToolTest::ToolResult result = RunTool({"grep-text", "7"}, input);
  ASSERT_EQ(result.Status, 0);
  EXPECT_EQ(Occurrences(result.Out, "match "), Occurrences(input, "7"));
  EXPECT_THAT(result.Out, Not(HasSubstr("prefix")));
  EXPECT_THAT(result.Out, Not(HasSubstr("suffix")));
  // Line numbers and offsets count from the start of the input, as before.
  EXPECT_THAT(result.Out,
              HasSubstr("match 1: line 7, line starts at 12\n  whole: \"7\" at 12..13\n"));
  const std::size_t start = input.find("\n9997\n") + 1;
  EXPECT_THAT(result.Out, HasSubstr("line 9997, line starts at " + std::to_string(start) +
                                    "\n  whole: \"7\" at " + std::to_string(start + 3)));
  EXPECT_LT(result.Out.size(), 400u * 1024u);  // the whole text after each match: 103 MB
}

TEST(LineGrep, ContextRecordsArePrefixAndSuffixWithinTheLine) {
  const ToolTest::ToolResult result = RunTool({"grep-text", "--context-records", "b", "abc\nxbz"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_THAT(result.Out, HasSubstr("match 2: line 2, line starts at 4\n"
                                    "  whole: \"b\" at 5..6\n"
                                    "  prefix: \"x\" at 4..5\n"
                                    "  suffix: \"z\" at 6..7\n"));
}

TEST(LineGrep, LinesAreRecordsAndWholeTextLetsMatchesSpanThem) {
  // As in grep: . and a negated bracket never take the line feed, ^ and $ anchor every line.
  EXPECT_EQ(RunTool({"grep-text", "a.b", "a\nb"}).Status, 1);
  EXPECT_EQ(RunTool({"grep-text", "a[^x]b", "a\nb"}).Status, 1);
  EXPECT_EQ(RunTool({"grep-text", "--whole-text", "a.b", "a\nb"}).Status, 0);
  const ToolTest::ToolResult anchored = RunTool({"grep-text", "--json", "^2|3$", "12\n23\n2"});
  EXPECT_EQ(Occurrences(anchored.Out, "\"index\""), 3u);
  EXPECT_THAT(anchored.Out, HasSubstr("\"line\":3,\"line_start\":6,\"match\":{\"text\":\"2\""));
}

TEST(LineGrep, EmptyLinesAreRecordsToo) {
  // grep '^$' finds the empty lines, the last one without a line feed included.
  const ToolTest::ToolResult result = RunTool({"grep-text", "--json", "^$"}, "a\n\nb\n\n");
  ASSERT_EQ(result.Status, 0);
  EXPECT_EQ(Occurrences(result.Out, "\"index\""), 2u);
  EXPECT_THAT(result.Out, HasSubstr("\"line\":2,\"line_start\":2,"));
  EXPECT_THAT(result.Out, HasSubstr("\"line\":4,\"line_start\":5,"));
}

// Lines go to the library in blocks while no match takes a line feed; from the first block
// where one does, line by line. A line-spanning match late in the input must not hide the
// matches after it nor shift their places.
TEST(LineGrep, SpanningMatchDeepInTheInputFallsBackToLines) {
  std::string input;
  for (int i = 0; i < 5000; ++i) input += "plain line\n";
  input += "x\ny\nxzy\n";
  const ToolTest::ToolResult result = RunTool({"grep-text", "--json", "x[^a]y"}, input);
  ASSERT_EQ(result.Status, 0);
  EXPECT_EQ(Occurrences(result.Out, "\"index\""), 1u);
  EXPECT_THAT(result.Out, HasSubstr("\"line\":5003,\"line_start\":55004,"
                                    "\"match\":{\"text\":\"xzy\",\"position\":55004,"));
}

// ---- merge ----

TEST(LineMerge, WorksLikeSedSubstituteGlobal) {
  // sed 's/x*/-/g' puts a dash at every empty match of a line, line feeds kept.
  EXPECT_EQ(RunTool({"merge", "x*", "-"}, "abc\nxx\n").Out, "-a-b-c-\n-\n");
  // sed 's/^$/E/' fills the empty lines.
  EXPECT_EQ(RunTool({"merge", "^$", "E"}, "a\n\nb\n").Out, "a\nE\nb\n");
  // A last line without its line feed stays without.
  EXPECT_EQ(RunTool({"merge", "o", "0"}, "foo\nboo").Out, "f00\nb00");
  // Without line mode the input is one text: the dash lands after the last line feed too.
  EXPECT_EQ(RunTool({"merge", "--whole-text", "x*", "-"}, "ab\n").Out, "-a-b-\n-");
  EXPECT_EQ(RunTool({"merge", "--whole-text", "\\n", ","}, "1\n2\n").Out, "1,2,");
}

TEST(LineMerge, ALineEndsAtALineFeedOnly) {
  // sed 's/\r$//' mends every CR LF line, in a block as a line at a time.
  EXPECT_EQ(RunTool({"merge", "\\r$", ""}, "a\r\nb\r\n").Out, "a\nb\n");
  EXPECT_EQ(RunTool({"merge", "--shortest", "\\r$", ""}, "a\r\nb\r\n").Out, "a\nb\n")
      << "a line at a time";
  // A CR or a FF inside a line is no line start: sed 's/^b/X/' leaves "a\rb" alone.
  EXPECT_EQ(RunTool({"merge", "^[bc]", "X"}, "a\rb\fc\nb\n").Out, "a\rb\fc\nX\n");
  EXPECT_EQ(RunTool({"merge", "a.b", "X"}, "a\rb\n").Out, "X\n") << "'.' takes a CR";
  EXPECT_EQ(RunTool({"grep-text", "b$"}, "ab\r\n").Status, 1);
  EXPECT_THAT(RunTool({"grep-text", "\\r$"}, "a\r\nb\r\n").Out, HasSubstr("line 2"));
}

TEST(LineMerge, EmptyFormatDeletes) {
  // sed 's/o//g'
  const ToolTest::ToolResult result = RunTool({"merge", "o", ""}, "hello world\nfoo");
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "hell wrld\nf");
  EXPECT_EQ(RunTool({"merge", "--whole-text", "\\n", ""}, "a\nb\n").Out, "ab");
}

TEST(LineMerge, SpanningMatchDeepInTheInputFallsBackToLines) {
  std::string input;
  for (int i = 0; i < 5000; ++i) input += "plain line\n";
  const std::string tail = "x\ny\nxzy\n";
  const ToolTest::ToolResult result = RunTool({"merge", "x[^a]y", "<$&>"}, input + tail);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, input + "x\ny\n<xzy>\n");
  // Nothing replaced is still the input read and written, as sed's status says.
  const ToolTest::ToolResult unchanged = RunTool({"merge", "x[^a]y", "<$&>"}, input + "x\ny\n");
  EXPECT_EQ(unchanged.Status, 0);
  EXPECT_EQ(unchanged.Out, input + "x\ny\n");
}

// $` and $' are the line's text before and after the match, however many lines a read brings.
TEST(LineMerge, PrefixAndSuffixInTheFormatStayWithinTheLine) {
  const ToolTest::ToolResult result = RunTool({"merge", "a", "[$`|$']"}, "ab\ncad\n");
  ASSERT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "[|b]b\nc[c|d]d\n");
  EXPECT_EQ(RunTool({"merge", "a", "[$$'$&${1}]"}, "ab\na\n").Out, "[$'a]b\n[$'a]\n");
}

TEST(LineMerge, LinesCutAcrossWritesAreWholeAgain) {
  ToolTest::ToolRun run;
  run.Arguments = {"merge", "^key([0-9]+)$", "<$1>"};
  run.In = ToolTest::InputKind::Pipe;
  run.Feed = [](int descriptor) {
    for (const char* piece : {"ke", "y1\nke", "y", "2\n", "\nkey3"})
      ASSERT_GT(::write(descriptor, piece, std::strlen(piece)), 0);
  };
  const ToolTest::ToolResult result = ToolTest::RunTool(run);
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, "<1>\n<2>\n\n<3>");
}

// Blocks of lines and single lines must give the same output for every pattern. A match
// option that changes nothing here (the input holds no NUL) makes the tool go line by line;
// for grep, so does --context-records, whose extra records are cut off before comparing.
TEST(LineBlocks, AgreeWithLineByLineOnGeneratedInput) {
  std::string input;
  unsigned state = 12345;
  const std::string alphabet = "abx7 \t";
  for (int line = 0; line < 5000; ++line) {  // more than one block
    state = state * 1103515245u + 12345u;
    const std::size_t length = (state >> 16) % 9 == 0 ? 0 : (state >> 16) % 40;
    for (std::size_t i = 0; i < length; ++i) {
      state = state * 1103515245u + 12345u;
      input += alphabet[(state >> 16) % alphabet.size()];
    }
    input += '\n';
  }
  input += "ab";  // a last line without its line feed
  const auto cutContext = [](std::string text) {
    std::string cut;
    std::size_t from = 0;
    for (std::size_t at = text.find(",\"prefix\""); at != std::string::npos;
         at = text.find(",\"prefix\"", from)) {
      cut.append(text, from, at - from);
      from = text.find('\n', at);
      cut += '}';
    }
    return cut + text.substr(from);
  };
  for (const char* pattern : {"x*", "^$", "(a)(x)?", "\\bab", "\\B", "[^a]", "\\s*$", "^|b"}) {
    const std::string merged = RunTool({"merge", pattern, "<$&>"}, input).Out;
    const std::string mergedByLine =
        RunTool({"merge", "--match-option", "MatchNotDotNullCharacter", pattern, "<$&>"}, input)
            .Out;
    EXPECT_EQ(merged, mergedByLine) << pattern;
    const std::string grepped = RunTool({"grep-text", "--json", pattern}, input).Out;
    const std::string greppedByLine =
        cutContext(RunTool({"grep-text", "--json", "--context-records", pattern}, input).Out);
    EXPECT_EQ(grepped, greppedByLine) << pattern;
  }
}

// ---- memory ----

// `lines` bytes of short records (a key, a tab, a value with one match in a hundred lines),
// written through a pipe as a job scheduler's streaming mapper would receive them.
ToolTest::ToolRun Records(std::vector<std::string> arguments, std::size_t bytes) {
  ToolTest::ToolRun run;
  run.Arguments = std::move(arguments);
  run.In = ToolTest::InputKind::Pipe;
  run.Out = ToolTest::OutputKind::Discarded;
  run.Feed = [bytes](int descriptor) {
    std::string piece;
    for (int i = 0; piece.size() < (1u << 20); ++i)
      piece +=
          "key" + std::to_string(i) + "\tsome value " + (i % 100 == 0 ? "ERROR" : "fine") + '\n';
    for (std::size_t sent = 0; sent < bytes;) {
      const ssize_t written = ::write(descriptor, piece.data(), piece.size());
      ASSERT_GT(written, 0);
      sent += static_cast<std::size_t>(written);
    }
  };
  return run;
}

constexpr std::size_t StreamBytes = 256u << 20;
constexpr long BoundKilobytes = 64 * 1024;

TEST(StreamingMemory, MergeAsAMapperStaysBelowItsBound) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  const ToolTest::ToolResult result =
      ToolTest::RunTool(Records({"merge", "ERROR", "error"}, StreamBytes));
  EXPECT_EQ(result.Status, 0);
  EXPECT_LT(result.PeakKilobytes, BoundKilobytes);
}

TEST(StreamingMemory, GrepStaysBelowItsBound) {
  if (!TestSupport::PeaksAreMeaningful) GTEST_SKIP() << "peak memory under the address sanitizer";
  const ToolTest::ToolResult result =
      ToolTest::RunTool(Records({"grep-text", "--json", "ERROR"}, StreamBytes));
  EXPECT_EQ(result.Status, 0);
  EXPECT_LT(result.PeakKilobytes, BoundKilobytes);
}

}  // namespace
