// The file search over real files: what a callback sees, the walk's order, files passed over,
// and the fast paths against the engine alone.
#include "core/MaskSearch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "BlockSearch.h"
#include "BufferSearch.h"
#include "DeepTree.h"
#include "FifoWriter.h"
#include "GeneratedCases.h"
#include "TemporaryDirectory.h"
#include "engine/OptionWords.h"
#include "platform/FaultSeam.h"

namespace {

using FileSearch = grepcore::MaskSearch;
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

TEST_F(FileSearchTest, MarksOfRepeatedGroupsAreTheLastIterations) {
  const std::string file = dir.Write("g.txt", "--\nxzabcde\nxaaa\n");
  EXPECT_EQ(Grep("x((z)+|a)*", "g.txt"), 2u);
  ASSERT_EQ(Recorded.size(), 2u);
  // The last iteration took the "a" branch: the "z" group inside took no part in it.
  EXPECT_EQ(Recorded[0], (Seen{file, {"xza", "a", "", ""}, {3, 5, -1, -1}, 2}));
  EXPECT_EQ(Recorded[1], (Seen{file, {"xaaa", "a", "", ""}, {11, 14, -1, -1}, 3}));
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
  // The b after the run keeps the required-literal paths from passing the run over; the
  // back-reference keeps the pattern with the backtracking engine, which gives up on it.
  dir.Write("a-hard", "b" + std::string(100000, 'a') + "cb");
  dir.Write("b-easy", "ab aab");
  FileSearch search;
  ASSERT_EQ(search.SetExpression("(a*)*b\\1", false), 0u);
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

// The block search against the whole-buffer search: the same matches, sub-matches, positions
// and lines, however small the blocks, for every plan that may be searched by lines.
std::vector<Seen> SearchInBlocksOf(const GrepEngine::SearchPlan& plan, const std::string& text,
                                   std::size_t blockSize, unsigned word, std::vector<char>& buffer) {
  std::vector<Seen> all;
  std::size_t at = 0;
  const GrepEngine::TextReader read = [&](char* into, std::size_t capacity, std::size_t& got) {
    got = std::min(capacity, text.size() - at);
    std::copy(text.data() + at, text.data() + at + got, into);
    at += got;
    return true;
  };
  const auto outcome = GrepEngine::SearchInBlocks(plan, read, blockSize, buffer, word,
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
  EXPECT_FALSE(outcome.ReadFailed);
  return all;
}

TEST(BlockSearch, SameMatchesAsTheWholeBufferOnGeneratedTexts) {
  TestCases::Generator generate(19);
  const unsigned words[] = {0, MB::NotBeginningOfLine, MB::NotEndOfLine, MB::NotEndOfWord,
                           MB::NotBeginningOfWord, MB::NotEndOfBuffer, MB::NotBeginningOfBuffer,
                           MB::Shortest, MB::NotNullString,
                           MB::NotBeginningOfLine | MB::NotEndOfLine | MB::NotBeginningOfWord};
  unsigned searchable = 0, matched = 0;
  std::vector<char> buffer;
  for (int round = 0; round < 3000; ++round) {
    const std::string pattern = round % 3 == 0   ? generate.Literal()
                                : round % 3 == 1 ? generate.Alternation()
                                                 : generate.Classes() + "$";
    const auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                       GrepEngine::SyntaxBits::Normal, std::locale());
    if (compiled->Failed()) continue;
    const auto plan = GrepEngine::PlanSearch(compiled, pattern.data(), pattern.data() + pattern.size(), true);
    const unsigned word = words[generate.Below(sizeof words / sizeof *words)];
    if (!GrepEngine::SearchableByLines(plan, word)) continue;
    ++searchable;
    std::string text = generate.Text() + generate.Text();
    if (round % 5 == 0) text = "\n" + text;
    if (round % 7 == 0) text += "\n";
    const std::vector<Seen> whole = SearchAll(plan, text, word);
    matched += !whole.empty();
    for (std::size_t block = 1; block <= 64; block += 1 + block / 8)
      ASSERT_EQ(SearchInBlocksOf(plan, text, block, word, buffer), whole)
          << "pattern '" << pattern << "' text '" << text << "' word " << word << " block " << block;
  }
  EXPECT_GT(searchable, 1500u);
  EXPECT_GT(matched, 1000u);
}

TEST(BlockSearch, PositionsAndLinesCarryAcrossBlocks) {
  const std::string pattern = "^ab|cd$|\\<ef\\>";
  const auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                     GrepEngine::SyntaxBits::Normal, std::locale());
  const auto plan = GrepEngine::PlanSearch(compiled, pattern.data(), pattern.data() + pattern.size(), true);
  ASSERT_TRUE(GrepEngine::SearchableByLines(plan, 0));
  const std::string text = "ab\nxab cd\n" + std::string(300, 'z') + " ef\nab";
  std::vector<char> buffer;
  const std::vector<Seen> found = SearchInBlocksOf(plan, text, 4, 0, buffer);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].Position[0], 0);
  EXPECT_EQ(found[1].Position[0], 7);
  EXPECT_EQ(found[1].Line, 2u);
  EXPECT_EQ(found[2].Position[0], 311);
  EXPECT_EQ(found[2].Line, 3u);
  EXPECT_EQ(found[3].Position[0], 314);
  EXPECT_EQ(found[3].Line, 4u);
  EXPECT_LT(buffer.size(), 2 * 310u) << "memory follows the longest line";
}

// Whole runs over files read in small blocks give what runs reading each file whole give.
TEST(BlockSearch, SameResultsOverFiles) {
  TestCases::Generator generate(23);
  for (int round = 0; round < 100; ++round) {
    TemporaryDirectory dir;
    for (int f = 0; f < 3; ++f)
      dir.Write(std::string(1, static_cast<char>('a' + f)), generate.Text() + generate.Text() + generate.Text());
    const std::string pattern = round % 2 == 0 ? generate.Literal() : generate.Alternation();
    std::vector<Seen> grepped[2];
    std::vector<std::string> found[2];
    for (int blocks = 0; blocks < 2; ++blocks) {
      FileSearch search;
      if (blocks == 1) search.ReadInBlocks(0, 1 + static_cast<std::size_t>(round % 17));
      if (search.SetExpression(pattern.c_str(), false) != 0) break;
      Recorded.clear();
      Found.clear();
      search.GrepFiles(&Record, (dir / "*").c_str(), false, 0);
      search.FindFiles(&RecordFile, (dir / "*").c_str(), false, 0);
      grepped[blocks] = Recorded;
      found[blocks] = Found;
    }
    EXPECT_EQ(grepped[0], grepped[1]) << pattern;
    EXPECT_EQ(found[0], found[1]) << pattern;
  }
}

TEST_F(FileSearchTest, AFileTooDeepForAPathIsFoundAndRead) {
  const std::string name(60, 'q');
  constexpr int Depth = 100;
  TestSupport::DeepTree tree(dir.Path(), Depth, name);
  std::vector<std::string> expected;
  for (int level = 0; level <= Depth; level += 5) {
    tree.Write(level, "f", "x needle");
    expected.push_back(tree.PathOf(level) + "/f");
  }
  ASSERT_GT(expected.back().size(), static_cast<std::size_t>(PATH_MAX));
  FileSearch search;
  ASSERT_EQ(search.SetExpression("needle", false), 0u);
  EXPECT_EQ(search.GrepFiles(&Record, (dir / "*").c_str(), true, 0), expected.size());
  EXPECT_EQ(search.FindFiles(&RecordFile, (dir / "*").c_str(), true, 0), expected.size());
  EXPECT_EQ(Found, expected);
  ASSERT_EQ(Recorded.size(), expected.size());
  EXPECT_EQ(Recorded.back(), (Seen{expected.back(), {"needle", ""}, {2, -1}, 1}));
}

// Between the listing of a directory and the open of its file "b", "b" becomes a FIFO: the
// callback of "a" makes the swap.
thread_local std::unique_ptr<TestSupport::FifoWriter> Writer;
bool SwapAfterA(const char* file, const FileSearch& search) {
  Record(file, search);
  const std::string path = file;
  if (path.size() >= 2 && path.compare(path.size() - 2, 2, "/a") == 0 && !Writer) {
    const std::string b = path.substr(0, path.size() - 1) + "b";
    ::unlink(b.c_str());
    if (::mkfifo(b.c_str(), 0600) == 0) Writer = std::make_unique<TestSupport::FifoWriter>(b);
  }
  return true;
}

TEST_F(FileSearchTest, AFileSwappedForAFifoIsPassedOver) {
  for (const char* name : {"a", "b", "c"}) dir.Write(name, "needle");
  FileSearch search;
  ASSERT_EQ(search.SetExpression("needle", false), 0u);
  EXPECT_EQ(search.GrepFiles(&SwapAfterA, (dir / "*").c_str(), false, 0), 2u);
  ASSERT_TRUE(Writer);
  Writer.reset();
  EXPECT_EQ(Recorded.size(), 2u);
  EXPECT_EQ(Recorded.back().File, dir / "c");
}

}  // namespace
