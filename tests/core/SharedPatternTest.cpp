// One compiled Pattern used by several threads at once: each thread's results are those of the
// same work done alone, on every route the planner takes (the DFA's lazily built state too).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "CoreTestSupport.h"
#include "grepcore/Regex.h"

namespace {

using CoreTest::Compile;

// Everything a thread does with the pattern, as one text to compare.
std::string Work(const grepcore::Pattern& pattern, const std::string& text) {
  std::string seen;
  for (const grepcore::Match& match : pattern.Matches(text))
    seen += CoreTest::Spans(match) + std::to_string(match.Line()) + ";";
  seen += "|" + pattern.Replace(text, "<$1>").ValueOr("gave up");
  seen += "|" + std::to_string(pattern.Count(text).ValueOr(0));
  seen += "|" + std::to_string(pattern.Split(text).ValueOr({}).size());
  const auto first = pattern.Search(text, text.size() / 2);
  seen += "|" + (first && *first ? CoreTest::Spans(**first) : std::string("none"));
  return seen;
}

std::string TextFor(int thread) {
  std::string text;
  for (int line = 0; line < 300; ++line)
    text += "id" + std::to_string(thread * 1000 + line) + " = value" + std::to_string(line % 7) +
            (line % 3 == 0 ? " ; ab\n" : "\n");
  return text;
}

TEST(SharedPatternTest, ThreadsShareOneCompiledPattern) {
  for (const char* source : {"([a-z]+)([0-9]+)", "value|ab", "(va)?lue[0-9]", "\\<id([0-9]+)"}) {
    constexpr int Threads = 6;
    std::vector<std::string> texts, alone(Threads), together(Threads);
    for (int t = 0; t < Threads; ++t) texts.push_back(TextFor(t));
    {
      const grepcore::Pattern fresh = Compile(source);
      for (int t = 0; t < Threads; ++t) alone[t] = Work(fresh, texts[t]);
    }
    const grepcore::Pattern shared = Compile(source);  // its lazily built parts start unbuilt
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
      threads.emplace_back([&, t] {
        const grepcore::Pattern copy = shared;  // copies share the compiled form too
        for (int round = 0; round < 5; ++round)
          together[t] = Work(round % 2 ? copy : shared, texts[t]);
      });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < Threads; ++t) EXPECT_EQ(together[t], alone[t]) << source << " thread " << t;
  }
}

}  // namespace
