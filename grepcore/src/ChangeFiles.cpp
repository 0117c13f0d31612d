// The file change run: gather each file's matches with their replacements, rewrite each file
// once its matches are complete.
#include <exception>

#include "EventSlots.h"
#include "MatchInfo.h"
#include "Regularexpressiontlsstack.h"
#include "common/ReplacementText.h"
#include "engine/FileSearch.h"

namespace RegexClass {
namespace {

// Keeps a run's saved compile state on the object's stack for the run's lifetime.
class SavedStateEntry {
 public:
  SavedStateEntry(std::stack<RegularExpression::MergeSave, std::deque<RegularExpression::MergeSave>>& stack,
                  const RegularExpression::MergeSave& save)
      : Stack(stack) {
    Stack.push(save);
  }
  ~SavedStateEntry() { Stack.pop(); }
  SavedStateEntry(const SavedStateEntry&) = delete;
  SavedStateEntry& operator=(const SavedStateEntry&) = delete;

 private:
  std::stack<RegularExpression::MergeSave, std::deque<RegularExpression::MergeSave>>& Stack;
};

// A handler's exception leaves the gathered file untouched: its record is dropped.
class DropRecordOnException {
 public:
  explicit DropRecordOnException(RegularExpression::MergeFileInformation& record)
      : Record(record), Exceptions(std::uncaught_exceptions()) {}
  ~DropRecordOnException() {
    if (std::uncaught_exceptions() > Exceptions) Record = RegularExpression::MergeFileInformation();
  }
  DropRecordOnException(const DropRecordOnException&) = delete;
  DropRecordOnException& operator=(const DropRecordOnException&) = delete;

 private:
  RegularExpression::MergeFileInformation& Record;
  int Exceptions;
};

}  // namespace

unsigned int RegularExpression::ChangeFiles() {
  // Started from a handler of this object's own running change run, a run would share that
  // run's gathered file and problem list: it is refused and changes nothing.
  if (!MergeSaveStack.empty()) return 0;
  ChangeFilesErrors.clear();
  if (Expression.empty() || FilesToMatch.empty() || FormatString.empty()) return 0;
  GrepEngine::FileSearch search;
  if (search.SetExpression(Expression.c_str(), IsExpressionOption(CaseInsensitive)) != 0) return 0;
  ParseExpression();  // the replacements are formatted with the full options
  ChangeCount = 0;
  MergeSave save;
  save.CompiledExpression = CompiledExpression;
  save.MatchFlags = GetMatchFlags();
  {
    const DropRecordOnException drop(CurrentFile);
    const SavedStateEntry saved(MergeSaveStack, save);
    const RegularExpressionTLSStack::Entry running(TLSStack, this);
    AbandonedFilesSeen = 0;
    if (running.Pushed())
      search.GrepFiles(&MergeFilesCallback, FilesToMatch.c_str(), DirectoryRecursion, save.MatchFlags);
  }
  TakeAbandonedFiles(search);
  MergeUpdateFile();
  return ChangeCount;
}

bool RegularExpression::MergeFilesCallback(const char* file, const GrepEngine::FileSearch& expression) {
  RegularExpression* top = TLSStack.Top();
  return top != nullptr && top->ThisMergeFilesCallback(file, expression);
}

bool RegularExpression::ThisMergeFilesCallback(const char* file,
                                               const GrepEngine::FileSearch& expression) {
  const std::string name(file);
  TakeAbandonedFiles(expression);
  if (name != CurrentFile.FileName) MergeUpdateFile();
  // A saved copy or a read-only file ends the run; the files before it stay changed.
  if (BackupFile(name) || ReadOnlyFile(name)) return false;
  if (CurrentFileAbandoned) return true;  // the file stays as it is: nothing more to gather
  if (HasHandler(OnChangingFiles, OnChangingFilesClosure)) {
    bool bcontinue = true;
    Fire(OnChangingFiles, OnChangingFilesClosure, this, name, FileGrepMatchInfo(expression),
         expression.Line(), bcontinue);
    if (!bcontinue) return false;
  }
  if (CurrentFile.FileName.empty()) CurrentFile.FileName = name;
  MergeFileInformation::GrepInformation match;
  match.Position = expression.Position(0);
  match.MatchString = expression.What(0);
  const MergeSave& save = MergeSaveStack.top();
  if (!Common::ReplacementText(save.CompiledExpression, save.MatchFlags, match.MatchString,
                               FormatString, match.ReplaceString)) {
    AbandonCurrentFile();
    return true;
  }
  CurrentFile.GrepInfo.push_back(std::move(match));
  return true;
}

// Files the engine gave up on since the last look: the gathered file is then not changed, and
// one without gathered matches is reported at once.
void RegularExpression::TakeAbandonedFiles(const GrepEngine::FileSearch& search) {
  const std::vector<std::string>& abandoned = search.AbandonedFiles();
  for (; AbandonedFilesSeen < abandoned.size(); ++AbandonedFilesSeen) {
    const std::string& name = abandoned[AbandonedFilesSeen];
    if (name == CurrentFile.FileName) {
      AbandonCurrentFile();
    } else {
      FileChangeProblem problem;
      problem.FileName = name;
      problem.Problem = SearchAbandoned;
      ChangeFilesErrors.push_back(std::move(problem));
    }
  }
}

}  // namespace RegexClass
