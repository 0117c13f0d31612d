#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "engine/LineCounter.h"

namespace {

TEST(LineCounter, AgreesWithANaiveCountAtEveryStep) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string text(random() % 300, 'x');
    for (char& c : text) c = "ab\n\0"[random() % 4];
    GrepEngine::LineCounter lines(text.data());
    std::size_t at = 0;
    while (at < text.size()) {
      at += random() % 40;
      if (at > text.size()) at = text.size();
      lines.AdvanceTo(text.data() + at);
      unsigned line = 1;
      std::size_t start = 0;
      for (std::size_t i = 0; i < at; ++i)
        if (text[i] == '\n') ++line, start = i + 1;
      ASSERT_EQ(lines.Line(), line) << "round " << round << " at " << at;
      ASSERT_EQ(lines.LineStart(), start);
      ASSERT_EQ(GrepEngine::CountNewlines(text.data(), text.data() + at), line - 1);
    }
  }
}

// Steps of many blocks, on both sides of the length where one pass gives way to two.
TEST(LineCounter, AgreesWithANaiveCountOverLongSteps) {
  std::mt19937 random(11);
  std::string text(40000, 'x');
  for (char& c : text) c = random() % 50 == 0 ? '\n' : 'a';
  for (int round = 0; round < 20; ++round) {
    GrepEngine::LineCounter lines(text.data());
    std::size_t at = 0;
    unsigned line = 1;
    std::size_t start = 0;
    while (at < text.size()) {
      const std::size_t from = at;
      at = std::min(text.size(), at + random() % 9000);
      lines.AdvanceTo(text.data() + at);
      for (std::size_t i = from; i < at; ++i)
        if (text[i] == '\n') ++line, start = i + 1;
      ASSERT_EQ(lines.Line(), line) << "round " << round << " at " << at;
      ASSERT_EQ(lines.LineStart(), start);
    }
  }
}

TEST(LineCounter, LongRunsOfLineFeedsDoNotOverflowTheVectorSums) {
  // Past the 255 blocks a byte lane can sum, at every alignment and tail length.
  const std::string feeds(70000, '\n');
  for (std::size_t skip : {0u, 1u, 31u, 63u})
    for (std::size_t length : {16319u, 16320u, 16321u, 65536u, 69000u})
      EXPECT_EQ(GrepEngine::CountNewlines(feeds.data() + skip, feeds.data() + skip + length), length);
  std::string mixed(100000, 'a');
  for (std::size_t i = 0; i < mixed.size(); i += 3) mixed[i] = '\n';
  EXPECT_EQ(GrepEngine::CountNewlines(mixed.data(), mixed.data() + mixed.size()), 33334u);
}

TEST(LineCounter, NeverMovesBackwards) {
  const std::string text = "a\nb\nc";
  GrepEngine::LineCounter lines(text.data());
  lines.AdvanceTo(text.data() + 4);
  lines.AdvanceTo(text.data() + 1);
  EXPECT_EQ(lines.Line(), 3u);
  EXPECT_EQ(lines.LineStart(), 4u);
}

}  // namespace
