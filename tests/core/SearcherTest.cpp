// The line searcher: what it reports and in what order, the same whatever the blocks an input
// is read in, context, invert, max count and binary rules, its errors, and the ordered run
// over many items on real threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TemporaryDirectory.h"
#include "grepcore/Search.h"
#include "platform/FaultSeam.h"

namespace {

using grepcore::ContextKind;
using grepcore::LinePatternOptions;
using grepcore::LinePatterns;
using grepcore::SearchLine;
using grepcore::SearchOptions;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using TestSupport::TemporaryDirectory;

// Every event as one word: "3@10:text[1-4]" for a selected line (number, offset, spans),
// "-5:text" and "+6:text" for before and after context, "--" for a break, "binary@4".
class Recorder : public grepcore::SearchSink {
 public:
  bool Matched(const SearchLine& line) override {
    std::string word = std::to_string(line.Number) + "@" + std::to_string(line.Offset) + ":" +
                       std::string(line.Text);
    for (std::size_t i = 0; i < line.SpanCount; ++i)
      word +=
          "[" + std::to_string(line.Spans[i].Start) + "-" + std::to_string(line.Spans[i].End) + "]";
    Events.push_back(word);
    return Events.size() < StopAfter;
  }
  bool Context(const SearchLine& line, ContextKind kind) override {
    Events.push_back((kind == ContextKind::Before ? "-" : "+") + std::to_string(line.Number) + ":" +
                     std::string(line.Text));
    return true;
  }
  bool ContextBreak() override {
    Events.push_back("--");
    return true;
  }
  bool Binary(std::uint64_t offset) override {
    Events.push_back("binary@" + std::to_string(offset));
    return true;
  }
  bool BinaryMatched(std::uint64_t number) override {
    Events.push_back("withheld:" + std::to_string(number));
    return CountWithheld;
  }
  std::vector<std::string> Events;
  bool CountWithheld = false;
  std::size_t StopAfter = static_cast<std::size_t>(-1);
};

LinePatterns Compiled(std::vector<std::string> texts, LinePatternOptions options = {}) {
  grepcore::Result<LinePatterns> patterns = LinePatterns::Compile(texts, options);
  EXPECT_TRUE(patterns) << patterns.Error().Message;
  return *patterns;
}

std::vector<std::string> InBuffer(const std::string& text, const LinePatterns& patterns,
                                  SearchOptions options = {}) {
  grepcore::Searcher searcher(patterns, options);
  Recorder sink;
  EXPECT_TRUE(searcher.SearchBuffer(text, sink));
  return sink.Events;
}

TEST(Searcher, SelectedLinesComeWithNumberOffsetAndSpans) {
  SearchOptions options;
  options.Spans = true;
  EXPECT_THAT(InBuffer("a foo\nbar\nfoo foo\nlast foo", Compiled({"foo"}), options),
              ElementsAre("1@0:a foo[2-5]", "3@10:foo foo[0-3][4-7]", "4@18:last foo[5-8]"));
  EXPECT_THAT(InBuffer("a foo\nbar\n", Compiled({"foo"})), ElementsAre("1@0:a foo"))
      << "no spans unless asked for";
}

TEST(Searcher, PatternSetsWordsLinesAndTheEmptyPattern) {
  const std::string text = "cat\ncatalog\ndog cat\n\nbird\n";
  EXPECT_THAT(InBuffer(text, Compiled({"dog\nbird"})), ElementsAre("3@12:dog cat", "5@21:bird"))
      << "a pattern holding a line feed is two patterns";
  LinePatternOptions word;
  word.WholeWord = true;
  EXPECT_THAT(InBuffer(text, Compiled({"cat"}, word)), ElementsAre("1@0:cat", "3@12:dog cat"));
  LinePatternOptions line;
  line.WholeLine = true;
  EXPECT_THAT(InBuffer(text, Compiled({"cat", "bird"}, line)), ElementsAre("1@0:cat", "5@21:bird"));
  EXPECT_EQ(InBuffer(text, Compiled({""})).size(), 5u) << "the empty pattern matches every line";
  LinePatternOptions fixed;
  fixed.Compile.Syntax = grepcore::SyntaxKind::Literal;
  EXPECT_THAT(InBuffer("a.c\nabc\n", Compiled({"a.c", "x|y"}, fixed)), ElementsAre("1@0:a.c"));
  fixed.Compile.IgnoreCase = true;
  EXPECT_THAT(InBuffer("CAT\n", Compiled({"cat"}, fixed)), ElementsAre("1@0:CAT"));
}

TEST(Searcher, ALineEndsAtALineFeedOnly) {
  // A CR or a FF inside a line is an ordinary byte; a CR LF line ends with its CR. Expected
  // values as GNU grep gives them.
  const std::string text = "50%\r100%\nx\fy\nabc\r\nabc\n";
  for (const char* quiet : {"^100", "^y", "x$", "50%$"})
    EXPECT_THAT(InBuffer(text, Compiled({quiet})), ElementsAre()) << quiet;
  EXPECT_THAT(InBuffer(text, Compiled({"\r$"})), ElementsAre("3@13:abc\r"));
  EXPECT_THAT(InBuffer(text, Compiled({"c$"})), ElementsAre("4@18:abc"));
  EXPECT_THAT(InBuffer(text, Compiled({"^[0-9]", "^[a-y]"})),
              ElementsAre("1@0:50%\r100%", "2@9:x\fy", "3@13:abc\r", "4@18:abc"));
  LinePatternOptions line;
  line.WholeLine = true;
  EXPECT_THAT(InBuffer(text, Compiled({"abc"}, line)), ElementsAre("4@18:abc"));
  EXPECT_THAT(InBuffer(text, Compiled({"abc\r"}, line)), ElementsAre("3@13:abc\r"));
  EXPECT_THAT(InBuffer(text, Compiled({"x.y"}, line)), ElementsAre("2@9:x\fy"));
  SearchOptions spans;
  spans.Spans = true;
  EXPECT_THAT(InBuffer(text, Compiled({"%.1"}), spans), ElementsAre("1@0:50%\r100%[2-5]"))
      << "'.' takes a CR";
  // Word edges take the pattern to the reference engine, which keeps the same rule.
  EXPECT_THAT(InBuffer(text, Compiled({"\\<x$", "^100\\>"})), ElementsAre());
}

TEST(Searcher, ABadPatternIsAnErrorNamingItAmongSeveral) {
  const auto one = LinePatterns::Compile({"a(b"}, {});
  ASSERT_FALSE(one);
  EXPECT_EQ(one.Error().Kind, grepcore::ErrorKind::BadPattern);
  const auto several = LinePatterns::Compile({"ok", "a(b"}, {});
  ASSERT_FALSE(several);
  EXPECT_THAT(several.Error().Message, HasSubstr("'a(b': "));
  EXPECT_EQ(several.Error().PatternText, "a(b") << "what the error's offset counts in";
  EXPECT_GE(several.Error().Offset, 1);
}

TEST(Searcher, ContextGroupsAndBreaks) {
  std::string text;
  for (int i = 1; i <= 12; ++i)
    text += (i == 3 || i == 5 || i == 11 ? "hit " : "line ") + std::to_string(i) + "\n";
  SearchOptions options;
  options.Before = 1;
  options.After = 1;
  EXPECT_THAT(InBuffer(text, Compiled({"hit"}), options),
              ElementsAre("-2:line 2", "3@14:hit 3", "+4:line 4", "5@27:hit 5", "+6:line 6", "--",
                          "-10:line 10", "11@69:hit 11", "+12:line 12"));
  options.Invert = true;
  options.Before = options.After = 0;
  EXPECT_EQ(InBuffer(text, Compiled({"hit"}), options).size(), 9u);
  options.MaxCount = 2;
  options.After = 2;
  options.Invert = false;
  EXPECT_THAT(InBuffer(text, Compiled({"hit"}), options),
              ElementsAre("3@14:hit 3", "+4:line 4", "5@27:hit 5", "+6:line 6", "+7:line 7"))
      << "the last selected line keeps its after-context";
  options.MaxCount = 1;
  options.After = 3;
  EXPECT_THAT(InBuffer(text, Compiled({"hit"}), options),
              ElementsAre("3@14:hit 3", "+4:line 4", "+5:hit 5", "+6:line 6"))
      << "past the last one, selected lines are its context";
  SearchOptions breaks;
  breaks.Breaks = true;
  EXPECT_THAT(InBuffer("hit\nhit\nno\nhit\n", Compiled({"hit"}), breaks),
              ElementsAre("1@0:hit", "2@4:hit", "--", "4@11:hit"))
      << "with no context lines, groups are still told apart";
}

TEST(Searcher, TheSinkEndsTheSearch) {
  grepcore::Searcher searcher(Compiled({"x"}), {});
  Recorder sink;
  sink.StopAfter = 1;
  const auto summary = searcher.SearchBuffer("x\nx\nx\n", sink);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->Selected, 1u);
  EXPECT_EQ(sink.Events.size(), 1u);
}

TEST(Searcher, BinaryRules) {
  const std::string text = std::string("match\n\0match\n", 13);
  SearchOptions options;
  grepcore::Searcher quit(Compiled({"match"}), options);
  Recorder quitting;
  const auto found = quit.SearchBuffer(text, quitting);
  ASSERT_TRUE(found);
  EXPECT_TRUE(found->Binary);
  EXPECT_THAT(quitting.Events, ElementsAre("binary@6"));
  options.Binary = grepcore::BinaryRule::ReportAndGoOn;
  EXPECT_THAT(InBuffer(text, Compiled({"match"}), options),
              ElementsAre("binary@6", "1@0:match", std::string("2@6:\0match", 10)));
  options.Binary = grepcore::BinaryRule::AsText;
  EXPECT_EQ(InBuffer(text, Compiled({"match"}), options).size(), 2u);
  std::string late(20000, 'x');
  late += '\0';
  EXPECT_TRUE(InBuffer(late, Compiled({"y"})).empty());
  grepcore::Searcher searcher(Compiled({"y"}), {});
  Recorder sink;
  EXPECT_FALSE(searcher.SearchBuffer(late, sink)->Binary) << "only the first 8 KiB are looked at";
}

// grep's rule: a NUL byte makes the input binary from its line on (from the start when it is
// in the first 8 KiB); selected lines from there are counted and not shown, whatever the
// blocks the input is read in.
TEST(Searcher, WithholdMakesTheInputBinaryFromTheNulsLineOn) {
  SearchOptions options;
  options.Binary = grepcore::BinaryRule::Withhold;
  const LinePatterns match = Compiled({"match"});
  EXPECT_THAT(InBuffer(std::string("match\n\0match\n", 13), match, options),
              ElementsAre("binary@6", "withheld:1"))
      << "a NUL in the first block makes all of it binary";

  std::string text;
  for (int i = 1; i <= 2000; ++i) text += "match " + std::to_string(i) + "\n";
  const std::uint64_t nulLine = text.size();
  text += std::string("nul\0 match\nmatch after\nnone\n", 28);
  TemporaryDirectory dir;
  const std::string path = dir.Write("late.bin", text);
  for (const std::size_t block : {std::size_t(8192), std::size_t(256 * 1024)}) {
    options.BlockSize = block;
    grepcore::Searcher searcher(match, options);
    Recorder sink;
    const auto found = searcher.SearchPath(path, sink);
    ASSERT_TRUE(found);
    ASSERT_EQ(sink.Events.size(), 2002u) << "block " << block;
    EXPECT_EQ(sink.Events[1999], "2000@" + std::to_string(nulLine - 11) + ":match 2000");
    EXPECT_EQ(sink.Events[2000], "binary@" + std::to_string(nulLine + 3));
    EXPECT_EQ(sink.Events[2001], "withheld:2001");
    EXPECT_TRUE(found->Binary);
    EXPECT_EQ(found->Selected, 2001u);
    EXPECT_EQ(found->BinarySelected, 1u);
    Recorder counting;
    counting.CountWithheld = true;
    const auto counted = searcher.SearchPath(path, counting);
    EXPECT_EQ(counted->Selected, 2002u) << "a count goes on through the binary part";
    EXPECT_EQ(counted->BinarySelected, 2u);
  }
  options.BlockSize = 256 * 1024;
  EXPECT_EQ(InBuffer(text, match, options).size(), 2002u) << "a buffer as a file";

  // Context ends where the binary part starts; no selected line there: no withheld one.
  const std::string quiet = std::string(9000, 'x') + "\nhit\n" + std::string("\0after\nhit\n", 11);
  options.After = 1;
  options.Before = 1;
  EXPECT_THAT(
      InBuffer(quiet, Compiled({"hit"}), options),
      ElementsAre("-1:" + std::string(9000, 'x'), "2@9001:hit", "binary@9005", "withheld:4"));
  options.After = options.Before = 0;
  EXPECT_THAT(InBuffer(quiet, Compiled({"nothing"}), options), ElementsAre("binary@9005"));
  options.MaxCount = 1;
  EXPECT_THAT(InBuffer(quiet, Compiled({"hit"}), options), ElementsAre("2@9001:hit"))
      << "a count reached before the binary part ends the search";
}

// The same report whatever the blocks: lines across block ends, a line longer than the block.
TEST(Searcher, AFileReadInBlocksReportsWhatTheWholeBufferDoes) {
  TemporaryDirectory dir;
  std::string text;
  for (int i = 0; i < 40000; ++i)
    text += (i % 997 == 0 ? "needle " : "hay ") + std::to_string(i) + "\n";
  text += std::string(100000, 'l') + "needle" + std::string(50000, 'l') + "\n";
  text += "needle without a line feed";
  const std::string path = dir.Write("big.txt", text);
  SearchOptions options;
  options.Spans = true;
  options.Before = 2;
  options.After = 1;
  options.BlockSize = 8 * 1024;
  const LinePatterns patterns = Compiled({"needle"});
  grepcore::Searcher searcher(patterns, options);
  Recorder fromFile;
  const auto summary = searcher.SearchPath(path, fromFile);
  ASSERT_TRUE(summary) << summary.Error().Message;
  EXPECT_EQ(summary->Selected, 43u);
  EXPECT_EQ(fromFile.Events, InBuffer(text, patterns, options));
  EXPECT_EQ(fromFile.Events.back(),
            "40002@" + std::to_string(text.size() - 26) + ":needle without a line feed[0-6]");
  // The walked file reads the same, by its directory's handle.
  grepcore::Result<grepcore::WalkedFile> walked = grepcore::LocateFile(path);
  ASSERT_TRUE(walked);
  Recorder fromWalk;
  ASSERT_TRUE(searcher.SearchFile(*walked, fromWalk));
  EXPECT_EQ(fromWalk.Events, fromFile.Events);
}

TEST(Searcher, NulLinesReadInBlocksAsTheyAreAndShowTheirLineFeeds) {
  TemporaryDirectory dir;
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 20000; ++i) {
    const std::string record =
        (i % 997 == 0 ? "needle\nsplit " : "hay\nstack ") + std::to_string(i);
    if (i % 997 == 0)
      expected.push_back(std::to_string(i + 1) + "@" + std::to_string(text.size()) + ":" + record +
                         "[0-12]");
    text += record;
    text += '\0';
  }
  const std::string longRecord =
      std::string(30000, '\n') + "needle\nsplit" + std::string(9000, 'x');
  expected.push_back("20001@" + std::to_string(text.size()) + ":" + longRecord + "[30000-30012]");
  text += longRecord;  // the last line, without its NUL
  const std::string path = dir.Write("records", text);

  LinePatternOptions nul;
  nul.NulLines = true;
  const LinePatterns patterns = Compiled({"needle[[:space:]]split"}, nul);
  SearchOptions options;
  options.Spans = true;
  options.BlockSize = 8 * 1024;
  options.Binary = grepcore::BinaryRule::Quit;  // no NUL makes such an input binary
  grepcore::Searcher searcher(patterns, options);
  Recorder fromFile;
  const auto summary = searcher.SearchPath(path, fromFile);
  ASSERT_TRUE(summary) << summary.Error().Message;
  EXPECT_FALSE(summary->Binary);
  EXPECT_EQ(fromFile.Events, expected);
  EXPECT_EQ(InBuffer(text, patterns, options), expected) << "the text in memory is not changed";

  // Each route of the engine swaps alike: literals, brackets, dots, anchors, several patterns.
  const std::string small = std::string("a\nb\0\0b\0a\0", 9) + "a b";
  for (const auto& [pattern, lines] :
       std::vector<std::pair<std::string, std::string>>{{"a.b", "1 5"},
                                                        {"[^x]b", "1 5"},
                                                        {"^b", "3"},
                                                        {"b$", "1 3 5"},
                                                        {"^$", "2"},
                                                        {"\\s", "1 5"},
                                                        {"[a-z]+", "1 3 4 5"},
                                                        {"a$", "4"},
                                                        {"^a$", "4"}}) {
    Recorder sink;
    grepcore::Searcher each(Compiled({pattern}, nul), {});
    ASSERT_TRUE(each.SearchBuffer(small, sink));
    std::string numbers;
    for (const std::string& event : sink.Events)
      numbers += (numbers.empty() ? "" : " ") + event.substr(0, event.find('@'));
    EXPECT_EQ(numbers, lines) << pattern;
  }
}

TEST(Searcher, ADescriptorIsReadToItsEndAsItComes) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) {
      const std::string line = (i % 100 == 0 ? "pick " : "skip ") + std::to_string(i) + "\n";
      ASSERT_EQ(::write(ends[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    ::close(ends[1]);
  });
  grepcore::Searcher searcher(Compiled({"pick"}), {});
  Recorder sink;
  const auto summary = searcher.SearchDescriptor(ends[0], sink);
  writer.join();
  ::close(ends[0]);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->Selected, 20u);
  EXPECT_EQ(sink.Events[1].substr(0, 4), "101@");
}

TEST(Searcher, ErrorsAreValues) {
  TemporaryDirectory dir;
  grepcore::Searcher searcher(Compiled({"(a*)*\\1b"}), {});
  Recorder sink;
  const auto missing = searcher.SearchPath(dir / "nothere", sink);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Error().Kind, grepcore::ErrorKind::Io);
  EXPECT_EQ(missing.Error().Code, static_cast<unsigned>(ENOENT));
  EXPECT_EQ(missing.Error().Path, dir / "nothere");

  const std::string hard = dir.Write("hard.txt", std::string(2000, 'a') + "db\n");
  const auto gaveUp = searcher.SearchPath(hard, sink);
  ASSERT_FALSE(gaveUp);
  EXPECT_EQ(gaveUp.Error().Kind, grepcore::ErrorKind::EngineGaveUp);
  EXPECT_THAT(gaveUp.Error().Message, HasSubstr("complexity"));

  const std::string plain = dir.Write("plain.txt", "a line\n");
  {
    Platform::ScopedFault fault(Platform::Call::Read, 1, EIO);
    const auto failed = searcher.SearchPath(plain, sink);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.Error().Code, static_cast<unsigned>(EIO));
  }
  // The output's own file is not read back.
  grepcore::Result<grepcore::WalkedFile> walked = grepcore::LocateFile(plain);
  ASSERT_TRUE(walked);
  SearchOptions options;
  struct stat status;
  ASSERT_EQ(::stat(plain.c_str(), &status), 0);
  options.SkipDevice = static_cast<std::uint64_t>(status.st_dev);
  options.SkipInode = static_cast<std::uint64_t>(status.st_ino);
  grepcore::Searcher skipping(Compiled({"line"}), options);
  const auto output = skipping.SearchFile(*walked, sink);
  ASSERT_FALSE(output);
  EXPECT_EQ(output.Error().Message, "input file is also the output");
}

TEST(Searcher, AWalkedFileSwappedSinceTheWalkIsRefused) {
  TemporaryDirectory dir;
  dir.Write("a.txt", "needle\n");
  grepcore::WalkOptions walk;
  walk.Roots = {dir.Path()};
  walk.Identities = true;
  std::vector<grepcore::WalkedFile> files;
  grepcore::Walk(walk, [&](grepcore::WalkedFile&& file) { files.push_back(std::move(file)); });
  ASSERT_EQ(files.size(), 1u);
  dir.Write("b.txt", "needle too\n");
  ASSERT_EQ(std::rename((dir / "b.txt").c_str(), (dir / "a.txt").c_str()), 0);
  grepcore::Searcher searcher(Compiled({"needle"}), {});
  Recorder sink;
  const auto result = searcher.SearchFile(files[0], sink);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.Error().Code, static_cast<unsigned>(ESTALE));
  EXPECT_TRUE(sink.Events.empty());
}

TEST(SearchInOrder, ResultsArriveInItemOrderWhateverTheThreads) {
  std::vector<std::size_t> delivered;
  std::atomic<unsigned> onCaller{0};
  grepcore::SearchInOrder(
      300, 4,
      [](unsigned, std::size_t item, std::string& out) {
        std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 300));
        out = std::to_string(item);
      },
      [&](std::size_t item, std::string& out) {
        if (item % 50 == 0) {
          EXPECT_TRUE(out.empty()) << "the caller's own items are not worked by the threads";
          ++onCaller;
        } else {
          EXPECT_EQ(out, std::to_string(item));
        }
        delivered.push_back(item);
        return true;
      },
      [](std::size_t item) { return item % 50 == 0; });
  ASSERT_EQ(delivered.size(), 300u);
  for (std::size_t i = 0; i < delivered.size(); ++i) EXPECT_EQ(delivered[i], i);
  EXPECT_EQ(onCaller.load(), 6u);
}

TEST(SearchInOrder, StopsWhenToldAndPassesAFailureOnInOrder) {
  std::size_t last = 0;
  grepcore::SearchInOrder(
      1000, 3, [](unsigned, std::size_t, std::string&) {},
      [&](std::size_t item, std::string&) {
        last = item;
        return item < 10;
      });
  EXPECT_EQ(last, 10u);
  std::vector<std::size_t> before;
  EXPECT_THROW(grepcore::SearchInOrder(
                   100, 3,
                   [](unsigned, std::size_t item, std::string&) {
                     if (item == 40) throw std::runtime_error("failed");
                   },
                   [&](std::size_t item, std::string&) {
                     before.push_back(item);
                     return true;
                   }),
               std::runtime_error);
  EXPECT_EQ(before.size(), 40u);

  // Threads claim several items at a time: a failure inside a claim still lets every item
  // before it through with its output, and none after it.
  std::vector<std::string> outputs;
  EXPECT_THROW(grepcore::SearchInOrder(
                   200, 2,
                   [](unsigned, std::size_t item, std::string& out) {
                     if (item == 43) throw std::runtime_error("failed");
                     out = std::to_string(item);
                   },
                   [&](std::size_t, std::string& out) {
                     outputs.push_back(out);
                     return true;
                   }),
               std::runtime_error);
  ASSERT_EQ(outputs.size(), 43u);
  for (std::size_t i = 0; i < outputs.size(); ++i) EXPECT_EQ(outputs[i], std::to_string(i));
}

// Pieces added while the caller goes on (as a walk does): finishes run in the order added,
// some as soon as they are ready, the rest in Drain(); the caller's own pieces run on it, in
// their turn; every thread number stays within the threads, the caller's being the last.
TEST(OrderedWork, FinishesRunInTheOrderAddedWhileTheCallerGoesOn) {
  for (const unsigned threads : {1u, 2u, 4u}) {
    std::vector<std::size_t> finished;
    std::atomic<unsigned> highest{0};
    const std::thread::id caller = std::this_thread::get_id();
    std::size_t beforeDrain = 0;
    {
      grepcore::OrderedWork work(threads);
      for (std::size_t item = 0; item < 3000; ++item) {
        const bool own = item % 500 == 7;
        ASSERT_TRUE(work.Add(
            [&, item, own](unsigned thread) -> grepcore::OrderedWork::Finish {
              if (own) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(thread, threads - 1);
              }
              unsigned seen = highest.load();
              while (thread > seen && !highest.compare_exchange_weak(seen, thread)) {
              }
              if (item % 97 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
              return [&finished, item] {
                finished.push_back(item);
                return true;
              };
            },
            own));
        if (item % 1000 == 999) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      beforeDrain = finished.size();
      EXPECT_TRUE(work.Drain());
    }
    ASSERT_EQ(finished.size(), 3000u) << threads;
    for (std::size_t i = 0; i < finished.size(); ++i) ASSERT_EQ(finished[i], i) << threads;
    EXPECT_LT(highest.load(), threads);
    if (threads > 1) {
      EXPECT_GT(beforeDrain, 0u) << "ready finishes run while pieces are added";
    }
  }
}

TEST(OrderedWork, AFinishStopsTheRunAndAFailureComesInItsTurn) {
  std::vector<std::size_t> finished;
  {
    grepcore::OrderedWork work(3);
    bool going = true;
    for (std::size_t item = 0; item < 100000 && going; ++item)
      going = work.Add([&finished, item](unsigned) -> grepcore::OrderedWork::Finish {
        return [&finished, item] {
          finished.push_back(item);
          return item < 10;
        };
      });
    if (going) {
      EXPECT_FALSE(work.Drain());
    }
    EXPECT_FALSE(work.Add([](unsigned) { return grepcore::OrderedWork::Finish(); }))
        << "nothing is taken once stopped";
  }
  EXPECT_EQ(finished.size(), 11u);

  // The failure may come from an Add (which runs what is ready) or from the Drain.
  std::vector<std::size_t> before;
  grepcore::OrderedWork work(2);
  const auto run = [&] {
    for (std::size_t item = 0; item < 200; ++item)
      work.Add([&before, item](unsigned) -> grepcore::OrderedWork::Finish {
        if (item == 43) throw std::runtime_error("failed");
        return [&before, item] {
          before.push_back(item);
          return true;
        };
      });
    work.Drain();
  };
  EXPECT_THROW(run(), std::runtime_error);
  ASSERT_EQ(before.size(), 43u);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i], i);
}

}  // namespace
