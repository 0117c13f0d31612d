// GrepFiles, FindFiles and the file change run, their events fired through the thread's
// instance stack; file events carry the engine's own positions.
#include "Regularexpressiontlsstack.h"
#include "Texts.h"
#include "common/Abandonment.h"
#include "common/ChangeRun.h"
#include "common/MatchRecords.h"
#include "common/ObjectSettings.h"
#include "core/MaskSearch.h"
#include "vcl35/SysUtils.h"

namespace RegexComponent {

using RE = RegularExpressionCustom;

struct RE::ChangeRunSide {
  RegularExpressionCustom& Object;
  void TakeAbandonedFiles(const grepcore::MaskSearch& search) {
    Object.TakeAbandonedFiles(search);
  }
  void MergeUpdateFile() { Object.MergeUpdateFile(); }
  bool BackupFile(const std::string& name) { return Object.BackupFile(name); }
  bool ReadOnlyFile(const std::string& name) { return Object.ReadOnlyFile(name); }
  bool HasChangingFilesHandler() const { return static_cast<bool>(Object.OnChangingFiles); }
  bool FireChangingFiles(const std::string& name, const grepcore::MaskSearch& search) {
    return Object.FireChangingFiles(name, search);
  }
  const std::string& SaveExtension() const { return Object.Settings->SaveExtension; }
  bool AllowOwnerChange() const { return Object.Settings->AllowOwnerChange; }
  void CommitRewrites() {
    Common::CommitBatch(
        Common::WorkOf(Object.RunWork), Object.ChangeCount,
        [this](Common::ProblemReport&& report) { Object.AddProblem(std::move(report)); });
  }
};

namespace {

REMatchInfo FileRecords(const grepcore::MaskSearch& search) {
  return Common::FileMatchRecords<REMatchInfo>(search, &AssignAnsi);
}

RegularExpressionCustom* TopOfThreadStack() {
  RegularExpressionTLSStack* stacks = ThreadStacks();
  return stacks == nullptr ? nullptr : stacks->Top();
}

}  // namespace

unsigned int RE::GrepFiles() {
  AbandonReason.clear();
  RegularExpressionTLSStack* stacks = ThreadStacks();
  if (stacks == nullptr) return 0;  // the package is not started
  return Common::FileOperation(
      *stacks, this, Settings->Expression, Settings->FilesToMatch,
      Settings->HasExpressionOption(CaseInsensitive),
      [this] {
        ParseExpression();  // the component's own pattern stays in step with its options
        return GetMatchFlags();
      },
      [this](grepcore::MaskSearch& search, unsigned flags) {
        const unsigned count = search.GrepFiles(&GrepFilesCallback, Settings->FilesToMatch.c_str(),
                                                DirectoryRecursion, flags);
        AbandonReason = search.AbandonedFilesReason();
        return count;
      });
}

unsigned int RE::FindFiles() {
  AbandonReason.clear();
  RegularExpressionTLSStack* stacks = ThreadStacks();
  if (stacks == nullptr) return 0;
  return Common::FileOperation(
      *stacks, this, Settings->Expression, Settings->FilesToMatch,
      Settings->HasExpressionOption(CaseInsensitive),
      [this] {
        ParseExpression();
        return GetMatchFlags();
      },
      [this](grepcore::MaskSearch& search, unsigned flags) {
        const unsigned count = search.FindFiles(&FindFilesCallback, Settings->FilesToMatch.c_str(),
                                                DirectoryRecursion, flags);
        AbandonReason = search.AbandonedFilesReason();
        return count;
      });
}

bool RE::FindFilesCallback(const char* file) {
  RegularExpressionCustom* top = TopOfThreadStack();
  return top != nullptr && top->ThisFindFilesCallback(file);
}

bool RE::ThisFindFilesCallback(const char* file) {
  if (!OnFindFiles) return true;
  bool bcontinue = true;
  OnFindFiles(this, AnsiString(file), bcontinue);
  return bcontinue;
}

bool RE::GrepFilesCallback(const char* file, const grepcore::MaskSearch& e) {
  RegularExpressionCustom* top = TopOfThreadStack();
  return top != nullptr && top->ThisGrepFilesCallback(file, e);
}

bool RE::ThisGrepFilesCallback(const char* file, const grepcore::MaskSearch& e) {
  if (!OnGreppingFiles) return true;
  bool bcontinue = true;
  OnGreppingFiles(this, AnsiString(file), FileRecords(e), e.Line(), bcontinue);
  return bcontinue;
}

unsigned int RE::ChangeFiles() {
  // Started from a handler of this component's own running change run, a run would share
  // that run's gathered file and problem list: it is refused and changes nothing.
  if (!MergeSaveStack.empty()) return 0;
  ChangeFilesErrors.clear();
  AbandonReason.clear();
  RegularExpressionTLSStack* stacks = ThreadStacks();
  if (stacks == nullptr || Settings->FormatString.empty()) return 0;
  grepcore::MaskSearch search;
  if (!Common::PrepareFileSearch(search, Settings->Expression, Settings->FilesToMatch,
                                 Settings->HasExpressionOption(CaseInsensitive)))
    return 0;
  ParseExpression();  // the replacements are formatted with the full options
  ChangeCount = 0;
  MergeSave save;
  save.CompiledExpression = Common::EnginePatternOf(Settings->CompiledExpression);
  save.MatchFlags = GetMatchFlags();
  ChangeRunSide side{*this};
  Common::RunChangeSearch(Common::ChangeRunSearch{search, &MergeFilesCallback,
                                                  Settings->FilesToMatch, DirectoryRecursion},
                          Common::Gathered(CurrentFile, RunWork), MergeSaveStack, save, *stacks,
                          this, side);
  AbandonReason = search.AbandonedFilesReason();
  return ChangeCount;
}

bool RE::MergeFilesCallback(const char* file, const grepcore::MaskSearch& expression) {
  RegularExpressionCustom* top = TopOfThreadStack();
  return top != nullptr && top->ThisMergeFilesCallback(file, expression);
}

bool RE::ThisMergeFilesCallback(const char* file, const grepcore::MaskSearch& expression) {
  ChangeRunSide side{*this};
  return Common::ChangeRunMatchStep(Common::Gathered(CurrentFile, RunWork), MergeSaveStack.top(),
                                    Settings->FormatString, side, std::string(file), expression);
}

bool RE::FireChangingFiles(const std::string& name, const grepcore::MaskSearch& expression) {
  if (!OnChangingFiles) return true;
  bool bcontinue = true;
  OnChangingFiles(this, ToAnsi(name), FileRecords(expression), expression.Line(), bcontinue);
  return bcontinue;
}

void RE::TakeAbandonedFiles(const grepcore::MaskSearch& search) {
  Common::TakeAbandonedFiles(
      Common::Gathered(CurrentFile, RunWork), search,
      [this](Common::ProblemReport&& report) { AddProblem(std::move(report)); });
}

void RE::AddProblem(Common::ProblemReport&& report) {
  FileChangeProblem problem;
  problem.FileName = ToAnsi(report.FileName);
  problem.Problem = static_cast<ProblemType>(report.Problem);
  problem.FilePointer = report.FilePointer;
  problem.MatchString = ToAnsi(report.MatchString);
  problem.LastError = report.LastError;
  ChangeFilesErrors.push_back(std::move(problem));
}

void RE::MergeUpdateFile() {
  Common::RewriteGatheredFile(
      Common::Gathered(CurrentFile, RunWork), Settings->SaveExtension, ChangeCount,
      [this](Common::ProblemReport&& report) { AddProblem(std::move(report)); });
}

void RE::MergeFileCleanup(void* input, void* output, const std::string& temporaryName) {
  Common::CloseAndDeleteTemporary(input, output, temporaryName);
  CurrentFile = MergeFileInformation();
  if (RunWork) RunWork->DropStreamed();
}

std::uint64_t RE::GetFilePointer(void* handle) { return Common::OpenFilePosition(handle); }

bool RE::BackupFile(const std::string& name) {
  return Common::CarriesExtension(name, Settings->SaveExtension);
}

bool RE::ReadOnlyFile(const std::string& name) {
  const int attributes = vcl35::FileGetAttr(ToAnsi(name));
  return attributes == -1 || (attributes & vcl35::faReadOnly) != 0;
}

std::string RE::ReplaceExtension() {
  return Common::SavedCopyName(CurrentFile.FileName, Settings->SaveExtension);
}

}  // namespace RegexComponent
