// The value interface's file search (the walk over a mask and a FileMatcher) against the
// pattern class's GrepFiles and FindFiles on generated patterns, match words and trees: every
// match of every file, in the same order, with the same groups and lines. The class's file
// search compiles in the default syntax with only the case option.
#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <string>
#include <vector>

#include "ClassWords.h"
#include "DifferentialCases.h"
#include "TemporaryDirectory.h"
#include "grepcore/FileMatcher.h"
#include "grepcore/Regularexpressionclass.h"
#include "grepcore/Walk.h"

namespace {

using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

const char* const Names[] = {"a.txt", "b.log", "sub/c.txt", "sub/deeper/d.txt", "z.txt"};

// What the class's events saw: each match as "file groups line".
struct Events {
  std::vector<std::string> Seen;
  std::vector<std::string> Found;
  void OnMatch(RE*, std::string file, const RegexClass::REMatchInfo& info, unsigned line, bool&) {
    std::string shown = file;
    for (const auto& group : info)
      shown += group.Position < 0
                   ? std::string(" (-)")
                   : " (" + std::to_string(group.Position) + ":" + group.MatchString + ")";
    Seen.push_back(shown + " line " + std::to_string(line));
  }
  void OnFound(RE*, std::string file, bool&) { Found.push_back(file); }
};

TEST(FileGrepDifferentialTest, TheValueInterfaceSearchesFilesAsThePatternClassDoes) {
  TestCases::DifferentialGenerator generate(2741);
  unsigned compared = 0, matched = 0;
  for (unsigned n = 0; n < 300; ++n) {
    const std::string patternText = generate.Pattern();
    const unsigned optionWord = 0x4107u | (generate.OptionWord() & 0x2000u);  // Normal, -i
    const unsigned matchWord = generate.MatchWord();
    TemporaryDirectory dir;
    for (const char* name : Names) dir.Write(name, generate.Text() + "\n" + generate.Text());
    const std::string mask = dir / "*.txt";
    const std::string where = "pattern " + patternText + " option word " +
                              std::to_string(optionWord) + " match word " +
                              std::to_string(matchWord);
    const auto pattern = grepcore::Pattern::Compile(
        patternText, grepcore::CompileOptions::FromWord(optionWord, std::locale::classic()));
    if (!pattern) continue;

    RE re;
    ClassWords::SetOptionWord(re, optionWord);
    ClassWords::SetMatchWord(re, matchWord);
    re.SetExpression(patternText);
    re.SetFilesToMatch(mask);
    re.SetDirectoryRecursion(true);
    Events events;
    re.SetOnGreppingFilesClosure(RE::FileMatchEventClosure(&events, &Events::OnMatch));
    re.SetOnFindFilesClosure(RE::FileFoundEventClosure(&events, &Events::OnFound));
    const unsigned count = re.GrepFiles();
    const bool classGaveUp = re.LastOperationAbandoned();
    re.FindFiles();

    grepcore::WalkOptions walk;
    walk.Roots = {mask};
    walk.RootsAreMasks = true;
    walk.MaskRecursion = true;
    grepcore::FileMatchOptions options;
    options.Match = grepcore::MatchOptions::FromWord(matchWord);
    options.BlocksFrom = 0;  // the blocks' route wherever the pattern allows it
    options.BlockSize = 5;
    grepcore::FileMatcher matcher(*pattern, options);
    std::vector<std::string> seen, found;
    bool coreGaveUp = false;
    grepcore::Walk(walk, [&](grepcore::WalkedFile&& file) {
      const std::size_t before = seen.size();
      const auto outcome = matcher.SearchFile(file, [&](const grepcore::FileMatch& match) {
        std::string shown = file.Path;
        for (std::size_t i = 0; i < match.Size(); ++i) {
          const grepcore::FileGroup group = match.Group(i);
          shown += group.Matched
                       ? " (" + std::to_string(group.Position) + ":" + std::string(group.Text) + ")"
                       : std::string(" (-)");
        }
        seen.push_back(shown + " line " + std::to_string(match.Line()));
        return true;
      });
      coreGaveUp |= !outcome;
      if (seen.size() > before) found.push_back(file.Path);
    });
    ASSERT_EQ(coreGaveUp, classGaveUp) << where;
    if (coreGaveUp) continue;
    ++compared;
    matched += seen.empty() ? 0 : 1;
    EXPECT_EQ(seen, events.Seen) << where;
    EXPECT_EQ(seen.size(), count) << where;
    EXPECT_EQ(found, events.Found) << where;
  }
  EXPECT_GT(compared, 250u);
  EXPECT_GT(matched, 150u) << "most cases find something";
}

}  // namespace
