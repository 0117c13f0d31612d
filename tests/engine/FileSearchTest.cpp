// The file search over real files: what a callback sees, the walk's order, files passed over,
// and the fast paths against the engine alone.
#include "engine/FileSearch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "BufferSearch.h"
#include "GeneratedCases.h"
#include "TemporaryDirectory.h"
#include "engine/OptionWords.h"
#include "platform/FaultSeam.h"

namespace {

using GrepEngine::FileSearch;
using TestSupport::TemporaryDirectory;
namespace MB = GrepEngine::MatchBits;
namespace SB = GrepEngine::SyntaxBits;

// Everything a callback can see of one match.
struct Seen {
  std::string File;
  std::vector<std::string> What;
  std::vector<std::int64_t> Position;
  unsigned Line = 0;

  bool operator==(const Seen& other) const {
    return File == other.File && What == other.What && Position == other.Position &&
           Line == other.Line;
  }
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  out << seen.File << " line " << seen.Line;
  for (std::size_t i = 0; i < seen.What.size(); ++i)
    out << " [" << seen.Position[i] << " '" << seen.What[i] << "']";
  return out;
}

// Callbacks are plain functions: they record into this thread's list.
thread_local std::vector<Seen> Recorded;
thread_local std::size_t StopAfter = 0;  // 0: never stop

bool Record(const char* file, const FileSearch& search) {
  Seen seen;
  seen.File = file;
  for (unsigned i = 0; i < search.Marks(); ++i) {
    seen.What.push_back(search.What(i));
    seen.Position.push_back(search.Position(i));
  }
  seen.What.push_back(search.What(search.Marks()));  // one beyond: no part
  seen.Position.push_back(search.Position(search.Marks()));
  seen.Line = search.Line();
  Recorded.push_back(seen);
  return StopAfter == 0 || Recorded.size() < StopAfter;
}

thread_local std::vector<std::string> Found;
bool RecordFile(const char* file) {
  Found.push_back(file);
  return StopAfter == 0 || Found.size() < StopAfter;
}

class FileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorded.clear();
    Found.clear();
    StopAfter = 0;
  }
  void TearDown() override { Platform::ClearFaults(); }

  unsigned Grep(const char* expression, const std::string& mask, bool recurse = false,
                bool caseInsensitive = false, unsigned word = 0) {
    FileSearch search;
    EXPECT_EQ(search.SetExpression(expression, caseInsensitive), 0u) << expression;
    return search.GrepFiles(&Record, (dir / mask).c_str(), recurse, word);
  }

  TemporaryDirectory dir;
};

TEST_F(FileSearchTest, CallbackSeesMarksTextPositionsAndLine) {
  const std::string file = dir.Write("f.txt", "xx\nyy\nzz ac abc\n");
  EXPECT_EQ(Grep("a(b)?c", "f.txt"), 2u);
  ASSERT_EQ(Recorded.size(), 2u);
  EXPECT_EQ(Recorded[0], (Seen{file, {"ac", "", ""}, {9, -1, -1}, 3}));
  EXPECT_EQ(Recorded[1], (Seen{file, {"abc", "b", ""}, {12, 13, -1}, 3}));
}

TEST_F(FileSearchTest, MatchesSpanLinesAndLinesCountFromTheFileStart) {
  const std::string file = dir.Write("f", "two\ntwo\nthree\n\nfour");
  ASSERT_EQ(Grep("o\nt", "f"), 2u) << "a literal across a line end";
  EXPECT_EQ(Recorded[0], (Seen{file, {"o\nt", ""}, {2, -1}, 1}));
  EXPECT_EQ(Recorded[1], (Seen{file, {"o\nt", ""}, {6, -1}, 2}));
  Recorded.clear();
  ASSERT_EQ(Grep("e[^a-z]+f", "f"), 1u) << "a class across two line ends";
  EXPECT_EQ(Recorded[0], (Seen{file, {"e\n\nf", ""}, {12, -1}, 3}));
  Recorded.clear();
  ASSERT_EQ(Grep("four", "f"), 1u);
  EXPECT_EQ(Recorded[0].Line, 5u);
}

TEST_F(FileSearchTest, AnyBytesAndEmptyFiles) {
  const std::string binary = dir.Write("bin", std::string("\xff\xfe\0needle\0\x80needle", 17));
  dir.Write("empty", "");
  ASSERT_EQ(Grep("needle", "*"), 2u);
  EXPECT_EQ(Recorded[0], (Seen{binary, {"needle", ""}, {3, -1}, 1}));
  EXPECT_EQ(Recorded[1], (Seen{binary, {"needle", ""}, {11, -1}, 1}));
  Recorded.clear();
  ASSERT_EQ(Grep("\\xff\\xfe.n", "*"), 1u) << "NUL is an ordinary byte";
  EXPECT_EQ(Recorded[0].What[0], std::string("\xff\xfe\0n", 4));
}

TEST_F(FileSearchTest, CaseSwitchAndDefaultSyntax) {
  dir.Write("f", "Needle NEEDLE needle a+ aa");
  EXPECT_EQ(Grep("needle", "f"), 1u);
  EXPECT_EQ(Grep("needle", "f", false, true), 3u);
  EXPECT_EQ(Grep("a+", "f"), 2u) << "+ is an operator in the default syntax";
  EXPECT_EQ(Grep("a\\+", "f"), 1u);
  FileSearch search;
  EXPECT_NE(search.SetExpression("a(", false), 0u);
  EXPECT_EQ(search.GrepFiles(&Record, (dir / "f").c_str(), false, 0), 0u) << "no expression";
  EXPECT_EQ(search.SetExpression("a\0(", false), 0u) << "the expression ends at its NUL";
}

TEST_F(FileSearchTest, MatchWordApplies) {
  dir.Write("f", "ab\nab");
  EXPECT_EQ(Grep("^ab", "f"), 2u);
  EXPECT_EQ(Grep("^ab", "f", false, false, MB::NotBeginningOfLine), 1u);
  EXPECT_EQ(Grep("ab", "f", false, false, MB::Continuous), 1u) << "not where the last one ended";
}

TEST_F(FileSearchTest, StoppingEndsTheWholeRun) {
  dir.Write("a", "x x x");
  dir.Write("b", "x x");
  StopAfter = 2;
  EXPECT_EQ(Grep("x", "*"), 2u) << "the stopping match is counted";
  EXPECT_EQ(Recorded.size(), 2u);
  Recorded.clear();
  StopAfter = 4;
  EXPECT_EQ(Grep("x", "*"), 4u);
  EXPECT_EQ(Recorded.back().File, dir / "b");
}

TEST_F(FileSearchTest, FindFilesNamesEachFileWithAMatchOnce) {
  dir.Write("a", "x x x");
  dir.Write("b", "none");
  dir.Write("c", "x");
  dir.Write("sub/d", "xx");
  FileSearch search;
  ASSERT_EQ(search.SetExpression("x", false), 0u);
  EXPECT_EQ(search.FindFiles(&RecordFile, (dir / "*").c_str(), true, 0), 3u);
  EXPECT_EQ(Found, (std::vector<std::string>{dir / "a", dir / "c", dir / "sub/d"}));
  Found.clear();
  StopAfter = 1;
  EXPECT_EQ(search.FindFiles(&RecordFile, (dir / "*").c_str(), true, 0), 1u);
  EXPECT_EQ(Found.size(), 1u);
}

TEST_F(FileSearchTest, UnreadableFilesArePassedOver) {
  dir.Write("a", "x");
  dir.Write("b", "x");
  dir.Write("c", "x");
  struct Case {
    Platform::Call call;
    const char* skipped;
  } const cases[] = {{Platform::Call::OpenForReading, "b"}, {Platform::Call::Read, "a"}};
  for (const Case& c : cases) {
    Recorded.clear();
    Platform::FailCall(c.call, c.call == Platform::Call::Read ? 1 : 2, EACCES);
    EXPECT_EQ(Grep("x", "*"), 2u);
    for (const Seen& seen : Recorded) EXPECT_NE(seen.File, dir / c.skipped);
  }
  Recorded.clear();
  Platform::FailCall(Platform::Call::OpenDirectory, 1, EACCES);
  EXPECT_EQ(Grep("x", "*"), 0u);
  EXPECT_EQ(Grep("x", "missing/*", true), 0u);
  EXPECT_TRUE(Recorded.empty());
}

TEST_F(FileSearchTest, AbandonedFileIsListedAndTheRunGoesOn) {
  // The b after the run keeps the required-literal paths from passing the run over.
  dir.Write("a-hard", "b" + std::string(100000, 'a') + "cb");
  dir.Write("b-easy", "ab aab");
  FileSearch search;
  ASSERT_EQ(search.SetExpression("(a*)*b", false), 0u);
  const unsigned count = search.GrepFiles(&Record, (dir / "*").c_str(), false, 0);
  ASSERT_EQ(search.AbandonedFiles(), std::vector<std::string>{dir / "a-hard"});
  ASSERT_FALSE(Recorded.empty());
  EXPECT_EQ(Recorded.back().File, dir / "b-easy");
  EXPECT_EQ(count, Recorded.size());
  search.GrepFiles(&Record, (dir / "b*").c_str(), false, 0);
  EXPECT_TRUE(search.AbandonedFiles().empty()) << "the list is the last run's";
}

TEST_F(FileSearchTest, OutsideACallbackThereIsNoMatch) {
  FileSearch search;
  EXPECT_EQ(search.Marks(), 0u);
  EXPECT_EQ(search.What(0), "");
  EXPECT_EQ(search.Position(0), -1);
  EXPECT_EQ(search.Line(), 0u);
  dir.Write("f", "x");
  ASSERT_EQ(search.SetExpression("x", false), 0u);
  EXPECT_EQ(search.GrepFiles(nullptr, (dir / "f").c_str(), false, 0), 1u) << "a null callback counts";
  EXPECT_EQ(search.Marks(), 0u);
}

// The fast paths against the engine alone, in one buffer, on generated patterns and texts.
std::vector<Seen> SearchAll(const GrepEngine::SearchPlan& plan, const std::string& text, unsigned word) {
  std::vector<Seen> all;
  GrepEngine::SearchBuffer(plan, text.data(), text.data() + text.size(), word,
                           [&](const GrepEngine::FoundMatch& match) {
                             Seen seen;
                             for (unsigned i = 0; i <= match.Marks(); ++i) {
                               seen.What.push_back(match.Sub(i).Text());
                               seen.Position.push_back(match.Sub(i).Position);
                             }
                             seen.Line = match.Line();
                             all.push_back(seen);
                             return true;
                           });
  return all;
}

TEST(FastPaths, SameMatchesAsTheEngineOnGeneratedBuffers) {
  TestCases::Generator generate(7);
  const unsigned words[] = {0, MB::NotBeginningOfLine, MB::NotEndOfLine, MB::NotEndOfWord,
                           MB::NotBeginningOfWord, MB::NotEndOfBuffer, MB::Shortest,
                           MB::Continuous, MB::NotNullString};
  // The fast paths read every syntax through the pattern's own tree. Five words against four
  // kinds of pattern, so that each kind meets each word.
  const unsigned syntaxes[] = {SB::Normal, SB::Extended, SB::Basic,
                               SB::Normal | SB::CaseInsensitive, SB::Normal};
  unsigned literal = 0, prefiltered = 0, windowed = 0, byteRuns = 0;
  for (int round = 0; round < 8000; ++round) {
    const std::string pattern = round % 4 == 0   ? generate.Literal()
                                : round % 4 == 1 ? generate.Pattern()
                                : round % 4 == 2 ? generate.Alternation()
                                                 : generate.Classes();
    const auto compiled = GrepEngine::Pattern::Compile(
        pattern.data(), pattern.data() + pattern.size(), syntaxes[round % 5], std::locale());
    if (compiled->Failed()) continue;
    const char* first = pattern.data();
    const auto fast = GrepEngine::PlanSearch(compiled, first, first + pattern.size(), true);
    const auto slow = GrepEngine::PlanSearch(compiled, first, first + pattern.size(), false);
    ASSERT_TRUE(slow.Literal.empty() && slow.Required.Empty());
    literal += !fast.Literal.empty();
    prefiltered += !fast.Required.Empty();
    windowed += fast.OneLine;
    byteRuns += !fast.RequiredRun.empty();
    for (int t = 0; t < 4; ++t) {
      const std::string text = generate.Text();
      const unsigned word = words[generate.Below(sizeof words / sizeof *words)];
      ASSERT_EQ(SearchAll(fast, text, word), SearchAll(slow, text, word))
          << "pattern '" << pattern << "' text '" << text << "' word " << word;
    }
  }
  EXPECT_GT(literal, 1000u);
  EXPECT_GT(prefiltered, 1000u);
  EXPECT_GT(windowed, 1000u);
  EXPECT_GT(byteRuns, 1000u);
}

// The same through whole runs over files, FindFiles included.
TEST(FastPaths, SameResultsOverFiles) {
  TestCases::Generator generate(11);
  for (int round = 0; round < 150; ++round) {
    TemporaryDirectory dir;
    for (int f = 0; f < 4; ++f) dir.Write(std::string(1, static_cast<char>('a' + f)), generate.Text());
    const std::string pattern = round % 4 == 0   ? generate.Literal()
                                : round % 4 == 1 ? generate.Pattern()
                                : round % 4 == 2 ? generate.Alternation()
                                                 : generate.Classes();
    const bool caseInsensitive = round % 5 == 0;
    std::vector<Seen> grepped[2];
    std::vector<std::string> found[2];
    unsigned counts[2][2] = {};
    for (int fastPaths = 0; fastPaths < 2; ++fastPaths) {
      FileSearch search;
      search.UseFastPaths(fastPaths == 1);
      if (search.SetExpression(pattern.c_str(), caseInsensitive) != 0) break;
      Recorded.clear();
      Found.clear();
      StopAfter = 0;
      counts[fastPaths][0] = search.GrepFiles(&Record, (dir / "*").c_str(), false, 0);
      counts[fastPaths][1] = search.FindFiles(&RecordFile, (dir / "*").c_str(), false, 0);
      grepped[fastPaths] = Recorded;
      found[fastPaths] = Found;
    }
    EXPECT_EQ(grepped[0], grepped[1]) << pattern;
    EXPECT_EQ(found[0], found[1]) << pattern;
    EXPECT_EQ(counts[0][0], counts[1][0]) << pattern;
    EXPECT_EQ(counts[0][1], counts[1][1]) << pattern;
  }
}

}  // namespace
