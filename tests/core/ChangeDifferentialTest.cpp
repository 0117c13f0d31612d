// The value interface's change run against the pattern class's ChangeFiles on generated
// patterns, match words, formats and files: both must leave every file with the same bytes.
// The class's file search compiles the expression on its own, in the default syntax with only
// the case option and in the classic locale, and formats with the object's own compiled
// expression; the cases keep to what both read alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <locale>
#include <string>
#include <vector>

#include "ClassWords.h"
#include "DifferentialCases.h"
#include "TemporaryDirectory.h"
#include "grepcore/Change.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;
using TestSupport::TemporaryDirectory;

// The class's formats and the value interface's share these forms (an empty one is the class's
// refusal, not compared).
const char* const Formats[] = {"<$&>", "$1", "[$2|$1]", "x", "$`|$'", "$$", "$0$0"};
constexpr unsigned FilesPerCase = 3;

std::string Name(unsigned i) { return "f" + std::to_string(i) + ".txt"; }

std::vector<grepcore::WalkedFile> Located(const TemporaryDirectory& dir) {
  std::vector<grepcore::WalkedFile> files;
  for (unsigned i = 0; i < FilesPerCase; ++i) {
    auto file = grepcore::LocateFile(dir / Name(i));
    EXPECT_TRUE(file);
    if (file) files.push_back(std::move(*file));
  }
  return files;
}

void CompareChangeRuns(std::uint32_t seed) {
  const std::locale locale = std::locale::classic();
  TestCases::DifferentialGenerator generate(seed);
  unsigned compared = 0, changed = 0;
  for (unsigned n = 0; n < 400; ++n) {
    const std::string patternText = generate.Pattern();
    const unsigned optionWord = 0x4107u | (generate.OptionWord() & 0x2000u);  // Normal, -i
    const unsigned matchWord = generate.MatchWord();
    const std::string format = Formats[generate.Below(sizeof Formats / sizeof *Formats)];
    std::vector<std::string> texts;
    for (unsigned i = 0; i < FilesPerCase; ++i) texts.push_back(generate.Text());
    const std::string where = "pattern " + patternText + " option word " +
                              std::to_string(optionWord) + " match word " +
                              std::to_string(matchWord) + " format " + format;

    const auto pattern = grepcore::Pattern::Compile(
        patternText, grepcore::CompileOptions::FromWord(optionWord, locale));
    if (!pattern) continue;

    TemporaryDirectory byClass, byCore;
    for (unsigned i = 0; i < FilesPerCase; ++i) {
      byClass.Write(Name(i), texts[i]);
      byCore.Write(Name(i), texts[i]);
    }
    RE re;
    re.SetLocale(locale);
    ClassWords::SetOptionWord(re, optionWord);
    ClassWords::SetMatchWord(re, matchWord);
    re.SetExpression(patternText);
    re.SetFormatString(format);
    re.SetFilesToMatch(byClass / "*.txt");
    re.ChangeFiles();
    const bool classGaveUp = re.GetChangeFilesErrors() != nullptr;

    grepcore::ChangeOptions options;
    options.Format = format;
    options.Match = grepcore::MatchOptions::FromWord(matchWord);
    options.WholeText = true;
    options.Binary = true;
    grepcore::ChangePlan plan = grepcore::PlanChange(Located(byCore), *pattern, options);
    bool coreGaveUp = false;
    for (const grepcore::PlannedFile& file : plan.Files) coreGaveUp |= !file.Problems.empty();
    ASSERT_EQ(coreGaveUp, classGaveUp) << where;
    if (coreGaveUp) continue;  // the engine gave up on a file: both leave it as it is
    ASSERT_TRUE(grepcore::CommitChange(plan)) << where;
    ++compared;

    for (unsigned i = 0; i < FilesPerCase; ++i) {
      const std::string expected = TemporaryDirectory::Read(byClass / Name(i));
      EXPECT_EQ(TemporaryDirectory::Read(byCore / Name(i)), expected)
          << Name(i) << " from \"" << texts[i] << "\", " << where;
      changed += expected != texts[i] ? 1 : 0;
    }
  }
  EXPECT_GT(compared, 300u);
  EXPECT_GT(changed, 200u) << "most cases change some file";
}

TEST(ChangeDifferentialTest, TheValueInterfaceChangesFilesAsThePatternClassDoes) {
  CompareChangeRuns(20261210);
}

}  // namespace
