// Every match of a pattern in a file, read whole or in blocks, against the same pattern's
// matches in the text held in memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "grepcore/FileMatcher.h"
#include "grepcore/Regex.h"

namespace {

using grepcore::FileMatch;
using grepcore::FileMatcher;
using grepcore::FileMatchOptions;
using grepcore::Pattern;
using TestSupport::TemporaryDirectory;

// Each match as "position:line:text|group 1|group 2...", a group that took no part as "?".
std::vector<std::string> Described(FileMatcher& matcher, const std::string& path) {
  std::vector<std::string> found;
  const auto outcome = matcher.SearchPath(path, [&](const FileMatch& match) {
    std::string one = std::to_string(match.Position()) + ":" + std::to_string(match.Line()) + ":" +
                      std::string(match.Text());
    for (std::size_t i = 1; i < match.Size(); ++i) {
      const grepcore::FileGroup group = match.Group(i);
      one += "|" + (group.Matched ? std::to_string(group.Position) + "=" + std::string(group.Text)
                                  : std::string("?"));
    }
    found.push_back(one);
    return true;
  });
  EXPECT_TRUE(outcome) << path;
  if (outcome) {
    EXPECT_EQ(outcome->Matches, found.size());
  }
  return found;
}

// What the value interface finds in the text itself.
std::vector<std::string> InMemory(const Pattern& pattern, const std::string& text) {
  std::vector<std::string> found;
  for (const grepcore::Match& match : pattern.Matches(text)) {
    std::string one = std::to_string(match.Position()) + ":" + std::to_string(match.Line()) + ":" +
                      std::string(match.Text());
    for (std::size_t i = 1; i < match.Size(); ++i) {
      const grepcore::Group group = match.Group(i);
      one += "|" + (group.Matched()
                        ? std::to_string(group.Position()) + "=" + std::string(group.Text())
                        : std::string("?"));
    }
    found.push_back(one);
  }
  return found;
}

TEST(FileMatcher, FindsWhatTheTextHoldsWholeOrInBlocks) {
  TemporaryDirectory dir;
  std::string text;
  for (int line = 0; line < 400; ++line)
    text += (line % 7 == 0 ? "key=value" + std::to_string(line) : std::string("filler")) +
            (line % 5 == 0 ? " needle\n" : "\n");
  text += "end without a line feed needle";
  dir.Write("t.txt", text);
  const std::string path = dir.Path() + "/t.txt";
  // A literal and a one-line pattern go by blocks; the others span lines or may be empty.
  for (const char* expression :
       {"needle", "(key)=(value)([0-9]+)", "e\nf", "value[0-9]*\n(filler\n)?", "x*", "(a)|(e)"}) {
    const Pattern pattern = *Pattern::Compile(expression);
    const std::vector<std::string> expected = InMemory(pattern, text);
    ASSERT_FALSE(expected.empty()) << expression;
    for (const std::size_t block : {std::size_t{1} << 20, std::size_t{7}, std::size_t{64}}) {
      FileMatchOptions options;
      options.BlocksFrom = 0;
      options.BlockSize = block;
      FileMatcher matcher(pattern, options);
      EXPECT_EQ(Described(matcher, path), expected) << expression << " in blocks of " << block;
      EXPECT_EQ(Described(matcher, path), expected) << "the matcher's buffer is reused";
    }
    FileMatcher matcher(pattern);
    std::vector<std::string> buffered;
    ASSERT_TRUE(matcher.SearchBuffer(text, [&](const FileMatch& match) {
      buffered.push_back(std::to_string(match.Position()));
      return true;
    }));
    EXPECT_EQ(buffered.size(), expected.size()) << expression;
  }
}

TEST(FileMatcher, TellsNoMatchFromAFileItCannotReadOrAnEngineThatGaveUp) {
  TemporaryDirectory dir;
  dir.Write("plain.txt", "nothing here\n");
  FileMatcher matcher(*Pattern::Compile("needle"));
  const auto none =
      matcher.SearchPath(dir.Path() + "/plain.txt", [](const FileMatch&) { return true; });
  ASSERT_TRUE(none);
  EXPECT_EQ(none->Matches, 0u);

  const auto missing =
      matcher.SearchPath(dir.Path() + "/missing.txt", [](const FileMatch&) { return true; });
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Error().Kind, grepcore::ErrorKind::Io);
  EXPECT_EQ(missing.Error().Code, static_cast<unsigned>(ENOENT));
  EXPECT_EQ(missing.Error().Path, dir.Path() + "/missing.txt");

  // The walked entry was replaced by another file: it is not read.
  dir.Write("swapped.txt", "needle\n");
  grepcore::WalkOptions identities;
  identities.Roots = {dir.Path() + "/swapped.txt"};
  identities.Identities = true;
  std::vector<grepcore::WalkedFile> walked;
  grepcore::Walk(identities,
                 [&](grepcore::WalkedFile&& file) { walked.push_back(std::move(file)); });
  ASSERT_EQ(walked.size(), 1u);
  dir.Write("other.txt", "needle needle\n");
  std::filesystem::rename(dir.Path() + "/other.txt", dir.Path() + "/swapped.txt");
  std::vector<std::uint64_t> seen;
  const auto swapped = matcher.SearchFile(walked[0], [&](const FileMatch& match) {
    seen.push_back(match.Position());
    return true;
  });
  ASSERT_FALSE(swapped);
  EXPECT_EQ(swapped.Error().Code, static_cast<unsigned>(ESTALE));
  EXPECT_TRUE(seen.empty());

  // The back-reference keeps the pattern with the backtracking engine, which gives up on the
  // run of a's; the match before it was handed on.
  dir.Write("hard.txt", "ab\n" + std::string(20000, 'a') + "db\n");
  FileMatcher hard(*Pattern::Compile("(a*)*\\1b"));
  const auto gaveUp = hard.SearchPath(dir.Path() + "/hard.txt", [&](const FileMatch& match) {
    seen.push_back(match.Position());
    return true;
  });
  ASSERT_FALSE(gaveUp);
  EXPECT_EQ(gaveUp.Error().Kind, grepcore::ErrorKind::EngineGaveUp);
  EXPECT_FALSE(gaveUp.Error().Message.empty());
  EXPECT_EQ(gaveUp.Error().Path, dir.Path() + "/hard.txt");
  EXPECT_EQ(seen, std::vector<std::uint64_t>{0});
}

TEST(FileMatcher, ASinkThatStopsEndsTheFileAndIsCounted) {
  TemporaryDirectory dir;
  dir.Write("t.txt", "a1 a2 a3 a4\n");
  FileMatcher matcher(*Pattern::Compile("a[0-9]"));
  std::vector<std::string> seen;
  const auto outcome = matcher.SearchPath(dir.Path() + "/t.txt", [&](const FileMatch& match) {
    seen.emplace_back(match.Text());
    return seen.size() < 2;
  });
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->Matches, 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"a1", "a2"}));
}

}  // namespace
