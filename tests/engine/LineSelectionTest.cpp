// The line DFA against the engine itself: on generated patterns, option words and texts, the
// lines it selects are exactly the lines the engine finds a match in, each line searched as a
// text of its own, and where it gives the lines' matches they are the reference engine's own;
// with a prefilter's candidates, with a sink that stops, and with more DFA states than it keeps.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DifferentialCases.h"
#include "ReferenceRoute.h"
#include "engine/LineSelection.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

using namespace GrepEngine;

constexpr unsigned LineWord = MatchBits::LineFeedLines | MatchBits::NotDotNewline;

std::shared_ptr<const Pattern> Compiled(const std::string& text, unsigned optionWord) {
  return Pattern::Compile(text.data(), text.data() + text.size(), optionWord,
                          std::locale::classic());
}

// "start-end" of each line with a match, by the engine over each line alone.
std::vector<std::string> ByEngine(const Pattern& pattern, const std::string& text, unsigned word) {
  std::vector<std::string> lines;
  MatchResults results;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (SearchIn(pattern, text.data() + start, text.data() + end, word, results))
      lines.push_back(std::to_string(start) + "-" + std::to_string(end));
    start = end + 1;
  }
  return lines;
}

class Recorder final : public LineSelection::Sink {
 public:
  bool Line(std::size_t start, std::size_t end) override {
    Lines.push_back(std::to_string(start) + "-" + std::to_string(end));
    return Lines.size() != StopAfter;
  }
  std::vector<std::string> Lines;
  std::size_t StopAfter = 0;
};

std::vector<std::string> BySelection(LineSelection& selection, const std::string& text,
                                     std::size_t stopAfter = 0) {
  Recorder sink;
  sink.StopAfter = stopAfter;
  selection.Scan(text.data(), text.data() + text.size(), sink);
  return sink.Lines;
}

// A case of the differential tests: a generated pattern that has a line selector under a line
// search's match word, and four generated texts (the states built for one serve the next).
// Returns how many patterns had one.
template <class Check>
unsigned EachGeneratedSelector(unsigned seed, int rounds, Check&& check) {
  TestCases::DifferentialGenerator generate(seed);
  unsigned selected = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::string text = generate.Pattern();
    const unsigned optionWord = generate.OptionWord();
    const unsigned word = LineWord | (generate.Below(4) == 0 ? MatchBits::NotDotNullCharacter : 0u);
    const std::shared_ptr<const Pattern> pattern = Compiled(text, optionWord);
    if (pattern->Failed()) continue;
    const std::shared_ptr<const LineSelector> selector = LineSelector::For(*pattern, word);
    if (!selector) continue;
    std::vector<std::string> subjects;
    for (int each = 0; each < 4; ++each) subjects.push_back(generate.Text());
    const std::string shown = "pattern \"" + text + "\" option word " + std::to_string(optionWord) +
                              " match word " + std::to_string(word);
    if (check(*pattern, selector, word, subjects, shown)) ++selected;
    if (::testing::Test::HasFatalFailure()) break;
  }
  return selected;
}

TEST(LineSelection, SelectsTheLinesTheEngineFindsAMatchIn) {
  const unsigned selected = EachGeneratedSelector(
      20261210, 3000,
      [](const Pattern& pattern, const std::shared_ptr<const LineSelector>& selector, unsigned word,
         const std::vector<std::string>& subjects, const std::string& shown) {
        LineSelection selection(selector);
        for (const std::string& subject : subjects)
          EXPECT_EQ(BySelection(selection, subject), ByEngine(pattern, subject, word))
              << shown << " text \"" << subject << "\"";
        return true;
      });
  EXPECT_GT(selected, 1500u) << "most generated patterns have a line DFA";
}

// "start-end:a-b,c-d" for each line with a match and its matches, by the reference engine over
// each line alone.
std::vector<std::string> MatchesByEngine(const Pattern& pattern, const std::string& text,
                                         unsigned word) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const char* first = text.data() + start;
    std::string matches;
    ReferenceGrepIn(pattern, first, text.data() + end, word, [&](const MatchResults& match) {
      const SubMatch whole = match.Sub(0);
      if (!matches.empty()) matches += ',';
      matches += std::to_string(whole.First - first) + "-" + std::to_string(whole.Last - first);
      return true;
    });
    if (!matches.empty())
      lines.push_back(std::to_string(start) + "-" + std::to_string(end) + ":" + matches);
    start = end + 1;
  }
  return lines;
}

class MatchRecorder final : public LineSelection::MatchSink {
 public:
  bool Line(std::size_t start, std::size_t end, const std::vector<LineMatch>& matches) override {
    std::string line = std::to_string(start) + "-" + std::to_string(end) + ":";
    for (std::size_t i = 0; i < matches.size(); ++i)
      line += (i > 0 ? "," : "") + std::to_string(matches[i].Start) + "-" +
              std::to_string(matches[i].End);
    Lines.push_back(std::move(line));
    return Lines.size() != StopAfter;
  }
  std::vector<std::string> Lines;
  std::size_t StopAfter = 0;
};

std::vector<std::string> MatchesBySelection(LineSelection& selection, const std::string& text,
                                            std::size_t stopAfter = 0) {
  MatchRecorder sink;
  sink.StopAfter = stopAfter;
  selection.ScanMatches(text.data(), text.data() + text.size(), sink);
  return sink.Lines;
}

TEST(LineSelection, GivesTheMatchesTheReferenceEngineFindsOnEachLine) {
  const unsigned finding = EachGeneratedSelector(
      20261211, 4000,
      [](const Pattern& pattern, const std::shared_ptr<const LineSelector>& selector, unsigned word,
         const std::vector<std::string>& subjects, const std::string& shown) {
        if (!selector->FindsMatches()) return false;
        LineSelection selection(selector);
        for (const std::string& subject : subjects)
          EXPECT_EQ(MatchesBySelection(selection, subject), MatchesByEngine(pattern, subject, word))
              << shown << " text \"" << subject << "\"";
        return true;
      });
  EXPECT_GT(finding, 800u) << "many generated patterns have their matches found so";
}

TEST(LineSelection, MatchesThroughWordEdgesAnchorsAndLeftmostStarts) {
  // The leftmost match need not end first (a.*b|c), a start may be far back from the first
  // end, and edges look at the bytes beside the line's matches.
  const std::string text = "acb xcb\nab12 cd345 e6\n\nsinging rings ring\nzzzz\n aab aab\nxx9";
  for (const char* source : {"a.*b|c", "[a-z]+[0-9]{2,}", "\\b[a-z]+ing\\b", "\\<a+b\\>", "^a|b$",
                             "(ab|a)(c|bcd)?", "x*9", "[[:alpha:]]+[[:digit:]]{2,}"}) {
    const auto pattern = Compiled(source, SyntaxBits::Normal);
    const auto selector = LineSelector::For(*pattern, LineWord);
    ASSERT_TRUE(selector && selector->FindsMatches()) << source;
    LineSelection selection(selector);
    const std::vector<std::string> all = MatchesByEngine(*pattern, text, LineWord);
    EXPECT_EQ(MatchesBySelection(selection, text), all) << source;
    for (std::size_t stop = 1; stop <= all.size(); ++stop)
      EXPECT_EQ(MatchesBySelection(selection, text, stop),
                std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(stop)))
          << source;
  }
  // No rule for empty matches, and no leftmost-longest promise from the reference engine.
  EXPECT_FALSE(LineSelector::For(*Compiled("a*", SyntaxBits::Normal), LineWord)->FindsMatches());
  // A DFA of about 2^13 states in each direction: far more than it keeps.
  const auto wide = Compiled("[ab]*a[ab]{12}c", SyntaxBits::Normal);
  LineSelection selection(LineSelector::For(*wide, LineWord));
  TestCases::Generator random(11);
  std::string long_text;
  for (int line = 0; line < 100; ++line) {
    for (int i = 0; i < 300; ++i) long_text += "abc"[random.Below(random.Below(8) == 0 ? 3 : 2)];
    long_text += '\n';
  }
  EXPECT_EQ(MatchesBySelection(selection, long_text), MatchesByEngine(*wide, long_text, LineWord));
}

TEST(LineSelection, WhatItLeavesToTheEngine) {
  for (const char* text : {"(a)\\1", "a\\Bb", "\\`a", "a\\'"})
    EXPECT_EQ(LineSelector::For(*Compiled(text, SyntaxBits::Normal), LineWord), nullptr) << text;
  const auto plain = Compiled("a+b", SyntaxBits::Normal);
  EXPECT_NE(LineSelector::For(*plain, LineWord), nullptr);
  EXPECT_EQ(LineSelector::For(*plain, LineWord | MatchBits::NotBeginningOfLine), nullptr)
      << "a match word the DFA does not read";
  EXPECT_EQ(LineSelector::For(*plain, MatchBits::NotDotNewline), nullptr) << "not lines";
}

TEST(LineSelection, CandidatesStopsAndDroppedStatesKeepTheAnswer) {
  // Required literals and a required byte run pick the lines; the sink may stop at any line.
  const std::string text = "x1 no\nab12 yes\n\nfoo bar22\nbar\nzz99";
  for (const char* source : {"[a-z]+[0-9]{2}", "bar[0-9]*", "(foo|ab)[^ ]*"}) {
    const auto pattern = Compiled(source, SyntaxBits::Normal);
    LineSelection selection(LineSelector::For(*pattern, LineWord));
    const std::vector<std::string> all = ByEngine(*pattern, text, LineWord);
    EXPECT_EQ(BySelection(selection, text), all) << source;
    for (std::size_t stop = 1; stop <= all.size(); ++stop)
      EXPECT_EQ(BySelection(selection, text, stop),
                std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(stop)))
          << source;
  }
  // A DFA of about 2^13 states: far more than it keeps, so they are dropped and built again.
  const auto wide = Compiled("[ab]*a[ab]{12}c", SyntaxBits::Normal);
  LineSelection selection(LineSelector::For(*wide, LineWord));
  TestCases::Generator random(7);
  std::string long_text;
  for (int line = 0; line < 200; ++line) {
    for (int i = 0; i < 400; ++i) long_text += random.Below(2) == 0 ? 'a' : 'b';
    if (random.Below(2) == 0) long_text += 'c';
    long_text += '\n';
  }
  EXPECT_EQ(BySelection(selection, long_text), ByEngine(*wide, long_text, LineWord));
}

}  // namespace
