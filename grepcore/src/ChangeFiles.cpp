// The file change run: gather each file's matches with their replacements, rewrite each file
// once its matches are complete.
#include "ChangeRunSide.h"
#include "EventSlots.h"
#include "MatchInfo.h"
#include "Regularexpressiontlsstack.h"
#include "common/Abandonment.h"
#include "common/ChangeRun.h"
#include "common/ObjectSettings.h"
#include "core/MaskSearch.h"

namespace RegexClass {

unsigned int RegularExpression::ChangeFiles() {
  // Started from a handler of this object's own running change run, a run would share that
  // run's gathered file and problem list: it is refused and changes nothing.
  if (!MergeSaveStack.empty()) return 0;
  ChangeFilesErrors.clear();
  AbandonReason.clear();
  if (Settings->FormatString.empty()) return 0;
  grepcore::MaskSearch search;
  if (!Common::PrepareFileSearch(search, Settings->Expression, Settings->FilesToMatch,
                                 IsExpressionOption(CaseInsensitive)))
    return 0;
  ParseExpression();  // the replacements are formatted with the full options
  ChangeCount = 0;
  MergeSave save;
  save.CompiledExpression = Common::EnginePatternOf(Settings->CompiledExpression);
  save.MatchFlags = GetMatchFlags();
  ChangeRunSide side{*this};
  Common::RunChangeSearch(Common::ChangeRunSearch{search, &MergeFilesCallback,
                                                  Settings->FilesToMatch, DirectoryRecursion},
                          Common::Gathered(CurrentFile, RunWork), MergeSaveStack, save, TLSStack,
                          this, side);
  AbandonReason = search.AbandonedFilesReason();
  return ChangeCount;
}

bool RegularExpression::MergeFilesCallback(const char* file,
                                           const grepcore::MaskSearch& expression) {
  RegularExpression* top = TLSStack.Top();
  return top != nullptr && top->ThisMergeFilesCallback(file, expression);
}

bool RegularExpression::ThisMergeFilesCallback(const char* file,
                                               const grepcore::MaskSearch& expression) {
  ChangeRunSide side{*this};
  return Common::ChangeRunMatchStep(Common::Gathered(CurrentFile, RunWork), MergeSaveStack.top(),
                                    Settings->FormatString, side, std::string(file), expression);
}

bool RegularExpression::FireChangingFiles(const std::string& name,
                                          const grepcore::MaskSearch& expression) {
  bool bcontinue = true;
  if (HasHandler(OnChangingFiles, OnChangingFilesClosure))
    Fire(OnChangingFiles, OnChangingFilesClosure, this, name, FileGrepMatchInfo(expression),
         expression.Line(), bcontinue);
  if (HasHandler(OnChangingFilesView, OnChangingFilesViewClosure)) {
    REMatchViewInfo views;
    FillFileMatchViewInfo(expression, views);
    Fire(OnChangingFilesView, OnChangingFilesViewClosure, this, std::string_view(name),
         static_cast<const REMatchViewInfo&>(views), expression.Line(), bcontinue);
  }
  return bcontinue;
}

void RegularExpression::TakeAbandonedFiles(const grepcore::MaskSearch& search) {
  Common::TakeAbandonedFiles(
      Common::Gathered(CurrentFile, RunWork), search,
      [this](Common::ProblemReport&& report) { AddProblem(std::move(report)); });
}

void RegularExpression::AddProblem(Common::ProblemReport&& report) {
  FileChangeProblem problem;
  problem.FileName = std::move(report.FileName);
  problem.Problem = static_cast<ProblemType>(report.Problem);
  problem.FilePointer = report.FilePointer;
  problem.MatchString = std::move(report.MatchString);
  problem.LastError = report.LastError;
  ChangeFilesErrors.push_back(std::move(problem));
}

}  // namespace RegexClass
