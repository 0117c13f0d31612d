// grep-files in line mode, flag by flag, with expectations taken from grep's documented
// behaviour: whole lines by default, -o, -c, -l, -L, -v, -w, -x, -i, -F, -e, -f, -q,
// -A/-B/-C with "--" between groups, --json; and matches never running past a line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "JsonCheck.h"
#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using TestSupport::TemporaryDirectory;
using ToolTest::RunIn;
using ToolTest::ToolResult;

class LineMode : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.Write("poem.txt",
               "the cat sat\n"      // 1
               "on the mat\n"       // 2
               "concatenate\n"      // 3
               "a dog\n"            // 4
               "\n"                 // 5
               "The Cat again\n"    // 6
               "cat\n"              // 7
               "last line\n");      // 8
    Tree.Write("other.txt", "no felines\ncat.\n");
  }
  ToolResult Run(std::vector<std::string> arguments) { return RunIn(Tree.Path(), std::move(arguments)); }
  std::string Out(std::vector<std::string> arguments) { return Run(std::move(arguments)).Out; }
  TemporaryDirectory Tree;
};

TEST_F(LineMode, WholeLinesWithNumbersWhenAsked) {
  EXPECT_EQ(Out({"grep-files", "cat", "poem.txt"}), "the cat sat\nconcatenate\ncat\n");
  EXPECT_EQ(Out({"grep-files", "-n", "cat", "poem.txt"}), "1:the cat sat\n3:concatenate\n7:cat\n");
  EXPECT_EQ(Out({"grep-files", "-n", "--no-line-number", "cat", "poem.txt"}), "the cat sat\nconcatenate\ncat\n");
}

TEST_F(LineMode, OnlyMatchingPrintsEachMatch) {
  EXPECT_EQ(Out({"grep-files", "-o", "[a-z]at", "poem.txt"}), "cat\nsat\nmat\ncat\nnat\ncat\n");
  EXPECT_EQ(Out({"grep-files", "-o", "-n", "-H", "t[a-z]*", "other.txt"}), "other.txt:2:t\n");
  EXPECT_EQ(Out({"grep-files", "-o", "x*", "poem.txt"}), "") << "empty matches are not printed";
}

TEST_F(LineMode, CountCountsLinesNotMatches) {
  Tree.Write("many.txt", "a a a\nb\na\n");
  EXPECT_EQ(Out({"grep-files", "-c", "a", "many.txt"}), "2\n");
  EXPECT_EQ(Out({"grep-files", "-c", "cat", "poem.txt", "other.txt"}), "poem.txt:3\nother.txt:1\n");
  EXPECT_EQ(Out({"grep-files", "-c", "-v", "a", "many.txt"}), "1\n");
  const ToolResult none = Run({"grep-files", "-c", "zebra", "poem.txt"});
  EXPECT_EQ(none.Out, "0\n");
  EXPECT_EQ(none.Status, 1);
}

TEST_F(LineMode, FilesWithAndWithoutMatches) {
  EXPECT_EQ(Out({"grep-files", "-l", "cat"}), "other.txt\npoem.txt\n");
  EXPECT_EQ(Out({"grep-files", "-l", "dog"}), "poem.txt\n");
  const ToolResult without = Run({"grep-files", "-L", "dog"});
  EXPECT_EQ(without.Out, "other.txt\n");
  EXPECT_EQ(without.Status, 0) << "a file was listed";
  EXPECT_EQ(Run({"grep-files", "-L", "e"}).Status, 1);
  EXPECT_EQ(Out({"find-files", "dog"}), "poem.txt\n");
}

TEST_F(LineMode, InvertSelectsLinesWithoutAMatch) {
  EXPECT_EQ(Out({"grep-files", "-v", "-n", "[a-z]", "poem.txt"}), "5:\n");
  EXPECT_EQ(Out({"grep-files", "-v", "cat", "other.txt"}), "no felines\n");
  EXPECT_EQ(Run({"grep-files", "-v", "", "poem.txt"}).Status, 1) << "the empty pattern matches every line";
}

TEST_F(LineMode, WordAndLineRegexp) {
  EXPECT_EQ(Out({"grep-files", "-w", "cat", "poem.txt"}), "the cat sat\ncat\n");
  EXPECT_EQ(Out({"grep-files", "-w", "cat", "other.txt"}), "cat.\n");
  EXPECT_EQ(Out({"grep-files", "-w", "-o", "[a-z]*at", "poem.txt"}), "cat\nsat\nmat\ncat\n");
  // A longer match that is no word gives way to a shorter one that is.
  Tree.Write("words.txt", "catalogue cat\nxcat\n");
  EXPECT_EQ(Out({"grep-files", "-w", "-n", "cat[a-z]*", "words.txt"}), "1:catalogue cat\n");
  EXPECT_EQ(Out({"grep-files", "-w", "-o", "cat|catalog", "words.txt"}), "cat\n");
  // An empty match is a word where no word character touches it (grep's answers).
  Tree.Write("gaps.txt", " \nabc\nab c\n\n");
  EXPECT_EQ(Out({"grep-files", "-w", "-n", "x*", "gaps.txt"}), "1: \n4:\n");
  EXPECT_EQ(Out({"grep-files", "-w", "-n", "^.*$", "gaps.txt"}), "1: \n2:abc\n3:ab c\n4:\n");
  EXPECT_EQ(Out({"grep-files", "-x", "cat", "poem.txt"}), "cat\n");
  EXPECT_EQ(Out({"grep-files", "-x", "-n", "[a-z ]*", "poem.txt"}), "1:the cat sat\n2:on the mat\n3:concatenate\n"
                                                                    "4:a dog\n5:\n7:cat\n8:last line\n");
  EXPECT_EQ(Out({"grep-files", "-x", "-v", "-n", "[a-z ]*", "poem.txt"}), "6:The Cat again\n");
}

TEST_F(LineMode, IgnoreCaseAndFixedStrings) {
  EXPECT_EQ(Out({"grep-files", "-i", "-n", "the cat", "poem.txt"}), "1:the cat sat\n6:The Cat again\n");
  EXPECT_EQ(Out({"grep-files", "-F", "cat.", "poem.txt", "other.txt"}), "other.txt:cat.\n");
  EXPECT_EQ(Out({"grep-files", "cat.", "other.txt"}), "cat.\n");
  EXPECT_EQ(Out({"grep-files", "-F", "-x", "-i", "CAT", "poem.txt"}), "cat\n");
  Tree.Write("symbols.txt", "a+b (c) [d] ^e$ f|g \\h\n");
  for (const char* literal : {"a+b", "(c)", "[d]", "^e$", "f|g", "\\h"})
    EXPECT_EQ(Out({"grep-files", "-F", "-o", literal, "symbols.txt"}), std::string(literal) + "\n") << literal;
}

TEST_F(LineMode, SeveralPatternsFromOptionsAndFiles) {
  EXPECT_EQ(Out({"grep-files", "-n", "-e", "dog", "-e", "mat", "poem.txt"}), "2:on the mat\n4:a dog\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-e", "dog\nmat", "poem.txt"}), "2:on the mat\n4:a dog\n");
  Tree.Write("patterns", "dog\n^last\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-f", "patterns", "poem.txt"}), "4:a dog\n8:last line\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-f", "patterns", "-e", "^on", "poem.txt"}), "2:on the mat\n4:a dog\n8:last line\n");
  Tree.Write("empty", "");
  EXPECT_EQ(Run({"grep-files", "-f", "empty", "poem.txt"}).Status, 1) << "no pattern matches nothing";
  EXPECT_EQ(Out({"grep-files", "-o", "-e", "ca", "-e", "cat", "poem.txt"}), "cat\ncat\ncat\n")
      << "the longest of matches starting together";
  // Back-references keep their own pattern's groups.
  Tree.Write("twice.txt", "abab\nabba\n");
  EXPECT_EQ(Out({"grep-files", "-e", "(x)y", "-e", "(ab)\\1", "twice.txt"}), "abab\n");
  EXPECT_EQ(Run({"grep-files", "-e", "ok", "-e", "(", "poem.txt"}).Status, 2);
}

TEST_F(LineMode, QuietPrintsNothing) {
  const ToolResult found = Run({"grep-files", "-q", "dog"});
  EXPECT_EQ(found.Status, 0);
  EXPECT_EQ(found.Out, "");
  EXPECT_EQ(Run({"grep-files", "-q", "zebra"}).Status, 1);
}

TEST_F(LineMode, ContextLinesAndGroupSeparators) {
  EXPECT_EQ(Out({"grep-files", "-n", "-A", "1", "dog", "poem.txt"}), "4:a dog\n5-\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-B", "2", "dog", "poem.txt"}), "2-on the mat\n3-concatenate\n4:a dog\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-C", "1", "mat|last", "poem.txt"}),
            "1-the cat sat\n2:on the mat\n3-concatenate\n--\n7-cat\n8:last line\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-C", "2", "sat|dog", "poem.txt"}),
            "1:the cat sat\n2-on the mat\n3-concatenate\n4:a dog\n5-\n6-The Cat again\n")
      << "overlapping groups join";
  EXPECT_EQ(Out({"grep-files", "-C", "1", "felines|again"}),
            "other.txt:no felines\nother.txt-cat.\n--\npoem.txt-\npoem.txt:The Cat again\npoem.txt-cat\n")
      << "groups of different files are separated too";
  EXPECT_EQ(Out({"grep-files", "-n", "-v", "-A", "1", "[a-z]", "poem.txt"}), "5:\n6-The Cat again\n");
}

TEST_F(LineMode, DotAndNegatedBracketsStayOnTheirLine) {
  Tree.Write("log.txt", "log start\nmiddle\nend log\n");
  EXPECT_EQ(Out({"grep-files", "-o", "log.*", "log.txt"}), "log start\nlog\n");
  EXPECT_EQ(Out({"grep-files", "-n", "start[^x]*end", "log.txt"}), "");
  EXPECT_EQ(Out({"grep-files", "-n", "-o", "[^a]+a", "log.txt"}), "1:log sta\n");
  EXPECT_EQ(Out({"grep-files", "-c", "\\s+m", "log.txt"}), "0\n") << "\\s cannot take the newline";
  EXPECT_EQ(Out({"grep-files", "-n", "^m|g$", "log.txt"}), "2:middle\n3:end log\n");
}

TEST_F(LineMode, ALineEndsAtALineFeedOnly) {
  // GNU grep's answers: a CR or a FF is an ordinary byte of its line.
  Tree.Write("dos.txt", "50%\r100%\nabc\r\nabc\nx\fy\n");
  EXPECT_EQ(Out({"grep-files", "-c", "^100", "dos.txt"}), "0\n");
  EXPECT_EQ(Out({"grep-files", "-c", "^y", "dos.txt"}), "0\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-x", "abc", "dos.txt"}), "3:abc\n");
  EXPECT_EQ(Out({"grep-files", "-n", "-x", "abc\\r", "dos.txt"}), "2:abc\r\n");
  EXPECT_EQ(Out({"grep-files", "-n", "c$", "dos.txt"}), "3:abc\n");
  EXPECT_EQ(Out({"grep-files", "-o", "%.1", "dos.txt"}), "%\r1\n");
  EXPECT_EQ(Out({"find-files", "^y", "dos.txt"}), "");
}

TEST_F(LineMode, NullDataLinesEndAtANulByte) {
  // GNU grep -z's answers: a line feed is an ordinary byte, ^ and $ stand beside a NUL only.
  using namespace std::string_literals;
  Tree.Write("z.bin", "a\nb\0c\0"s);
  EXPECT_EQ(Out({"grep-files", "-z", "a", "z.bin"}), "a\nb\0"s);
  EXPECT_EQ(Out({"grep-files", "-z", "a.b", "z.bin"}), "a\nb\0"s) << ". takes a line feed";
  EXPECT_EQ(Out({"grep-files", "-z", "-c", "[^x]b", "z.bin"}), "1\n");
  EXPECT_EQ(Out({"grep-files", "-z", "-c", "a[[:space:]]b", "z.bin"}), "1\n");
  EXPECT_EQ(Out({"grep-files", "-z", "-c", "a\\nb", "z.bin"}), "1\n") << "the escape too";
  EXPECT_EQ(Run({"grep-files", "-z", "^b", "z.bin"}).Status, 1);
  EXPECT_EQ(Run({"grep-files", "-z", "a$", "z.bin"}).Status, 1);
  EXPECT_EQ(Out({"grep-files", "-z", "-x", "c", "z.bin"}), "c\0"s);

  Tree.Write("records", "a\0b\0a\0\0tick"s);
  const ToolResult numbered = Run({"grep-files", "-z", "-n", "-b", "a", "records"});
  EXPECT_EQ(numbered.Out, "1:0:a\0" "3:4:a\0"s) << "no binary-file message: NUL ends lines";
  EXPECT_EQ(numbered.Err, "");
  EXPECT_EQ(Out({"grep-files", "-z", "-A0", "a", "records"}), "a\0--\na\0"s);
  EXPECT_EQ(Out({"grep-files", "-z", "-o", "ti", "records"}), "ti\0"s) << "the last line too";
  EXPECT_EQ(Out({"grep-files", "-z", "-c", "^$", "records"}), "1\n");
  EXPECT_EQ(Out({"grep-files", "-z", "-l", "tick", "records"}), "records\n");
  EXPECT_EQ(Out({"grep-files", "-z", "-v", "-e", "a", "-e", "b", "records"}), "\0tick\0"s);
}

TEST_F(LineMode, JsonPerSelectedLineIsValid) {
  Tree.Write("bytes.txt", "k\xff" "1 k2\nnone\n");
  const ToolResult result = Run({"grep-files", "--json", "k[0-9]", "bytes.txt"});
  ASSERT_EQ(result.Status, 0);
  EXPECT_TRUE(ToolTest::JsonCheck::IsValid(result.Out)) << result.Out;
  EXPECT_EQ(result.Out,
            "{\"file\":\"bytes.txt\",\"line\":1,\"text\":\"k\\u00FF1 k2\",\"matches\":"
            "[{\"text\":\"k2\",\"start\":4,\"end\":6}]}\n");
  EXPECT_EQ(Out({"grep-files", "--json", "-c", "k", "bytes.txt"}), "{\"file\":\"bytes.txt\",\"count\":1}\n");
}

TEST_F(LineMode, ColourOnlyWhenAsked) {
  EXPECT_THAT(Out({"grep-files", "dog", "poem.txt"}), Not(HasSubstr("\033[")));
  EXPECT_THAT(Out({"grep-files", "--color=always", "dog", "poem.txt"}), HasSubstr("a \033[1;31mdog\033[m"));
}

// One grep over the whole file (or the toolkit's file search over a directory's files) finds
// candidate lines; lines tested one by one are the reference. Both must select the same lines: a second pattern that means the start of the
// whole text (and never matches here) sends every line through the second.
TEST_F(LineMode, WholeTextGrepAndLineByLineTestsAgree) {
  std::mt19937 random(7);
  const std::string letters = "ab \n";
  std::string text;
  for (int i = 0; i < 600; ++i) text += letters[random() % letters.size()];
  Tree.Write("random.txt", text);
  Tree.Write("r/1.txt", text.substr(0, 300));
  Tree.Write("r/2.txt", text.substr(300));
  Tree.Write("r/3.txt", "");
  // The named file takes the string grep, the directory's files the file search.
  for (const char* pattern : {"ab+", "b a", "[^a]+b", "a.*b", "^b", "a$", "(ab|ba)+", "\\<ab\\>", "b[^ ]a",
                              "a[[:space:]]+b", "x*", "a|^$"}) {
    for (const char* flag : {"-n", "-o", "-v", "-w", "-x"}) {
      const ToolResult fast = Run({"grep-files", flag, "-n", "-e", pattern, "random.txt", "r"});
      const ToolResult slow = Run({"grep-files", flag, "-n", "-e", pattern, "-e", "\\`x", "random.txt", "r"});
      EXPECT_EQ(fast.Status, slow.Status) << pattern << ' ' << flag;
      EXPECT_EQ(fast.Out, slow.Out) << pattern << ' ' << flag;
    }
  }
}

}  // namespace
