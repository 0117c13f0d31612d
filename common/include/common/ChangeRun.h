#pragma once
// The file change run of both pattern objects: the gathered file and its abandoned flag, the
// per-match step, the run of the file search with the run's state kept on the object's stacks,
// and the rewrite of the gathered file. The records are each library's own types of one shape:
//   FileInformation: FileName, GrepInfo (a vector of {Position, MatchString, ReplaceString});
//   a saved state: CompiledExpression, MatchFlags.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "common/CompileOnDemand.h"
#include "common/FileRewrite.h"
#include "common/ReplacementText.h"
#include "common/SavedCopies.h"
#include "engine/FileSearch.h"

namespace Common {

// The file whose matches are being gathered, whether it is not to be changed (the engine gave
// up on it) and how many of the search's abandoned files the run has taken in.
template <class FileInformation>
struct GatheredFile {
  FileInformation& Record;
  bool& Abandoned;
  std::size_t& AbandonedSeen;
};

template <class FileInformation>
GatheredFile<FileInformation> Gathered(FileInformation& record, bool& abandoned,
                                       std::size_t& seen) {
  return GatheredFile<FileInformation>{record, abandoned, seen};
}

// The gathered file is not to be changed: its matches are dropped.
template <class FileInformation>
void AbandonGatheredFile(GatheredFile<FileInformation> file) {
  file.Record.GrepInfo.clear();
  file.Abandoned = true;
}

// Files the engine gave up on since the last look: the gathered file is then not changed, and
// one without gathered matches is reported at once through `report(ProblemReport&&)`.
template <class FileInformation, class Report>
void TakeAbandonedFiles(GatheredFile<FileInformation> file, const GrepEngine::FileSearch& search,
                        Report report) {
  const std::vector<std::string>& abandoned = search.AbandonedFiles();
  for (; file.AbandonedSeen < abandoned.size(); ++file.AbandonedSeen) {
    const std::string& name = abandoned[file.AbandonedSeen];
    if (name == file.Record.FileName) {
      AbandonGatheredFile(file);
    } else {
      ProblemReport problem;
      problem.FileName = name;
      problem.Problem = RewriteProblem::SearchAbandoned;
      report(std::move(problem));
    }
  }
}

// Rewrites the gathered file (with a saved copy when `saveExtension` is set) and empties the
// record; the file's matches are added to `changeCount` when the new content reached it. Each
// failure goes to `report(ProblemReport&&)`.
template <class FileInformation, class Report>
void RewriteGatheredFile(GatheredFile<FileInformation> file, const std::string& saveExtension,
                         unsigned& changeCount, Report report) {
  if (file.Record.FileName.empty()) {
    file.Record.GrepInfo.clear();
    file.Abandoned = false;
    return;
  }
  const std::string saveName =
      saveExtension.empty() ? std::string() : SavedCopyName(file.Record.FileName, saveExtension);
  // The record is empty on every way out.
  FileInformation taken;
  std::swap(taken, file.Record);
  const bool abandoned = file.Abandoned;
  file.Abandoned = false;

  std::vector<ProblemReport> reports;
  if (abandoned) {
    // Matches the engine did not finish looking for would change the file only in part.
    ProblemReport problem;
    problem.Problem = RewriteProblem::SearchAbandoned;
    problem.FileName = taken.FileName;
    reports.push_back(std::move(problem));
  } else {
    std::vector<Replacement> replacements;
    replacements.reserve(taken.GrepInfo.size());
    for (const auto& match : taken.GrepInfo)
      replacements.push_back({match.Position, &match.MatchString, &match.ReplaceString});
    if (RewriteFile(taken.FileName, replacements, saveName, reports))
      changeCount += static_cast<unsigned int>(taken.GrepInfo.size());
  }
  for (ProblemReport& problem : reports) report(std::move(problem));
}

// The per-match step of a change run for a match of `name`. `object` is the object's side:
//   TakeAbandonedFiles(search), MergeUpdateFile(), BackupFile(name), ReadOnlyFile(name),
//   HasChangingFilesHandler() and FireChangingFiles(name, search) (true to go on; true
//   without a handler).
// Returns false to end the run.
template <class FileInformation, class SavedState, class Object>
bool ChangeRunMatchStep(GatheredFile<FileInformation> file, const SavedState& save,
                        const std::string& format, Object& object, const std::string& name,
                        const GrepEngine::FileSearch& search) {
  object.TakeAbandonedFiles(search);
  const bool firstOfFile = name != file.Record.FileName;
  if (firstOfFile) object.MergeUpdateFile();
  // A saved copy or a read-only file ends the run; the files before it stay changed. Without
  // a handler nothing in the run can change a file's attributes between its matches, so they
  // are read once per file.
  const bool attributesMayChange = firstOfFile || object.HasChangingFilesHandler();
  if (object.BackupFile(name) || (attributesMayChange && object.ReadOnlyFile(name))) return false;
  if (file.Abandoned) return true;  // the file stays as it is: nothing more to gather
  if (!object.FireChangingFiles(name, search)) return false;
  if (file.Record.FileName.empty()) file.Record.FileName = name;
  typename decltype(file.Record.GrepInfo)::value_type match;
  match.Position = search.Position(0);
  match.MatchString = search.What(0);
  if (!ReplacementText(save.CompiledExpression, save.MatchFlags, match.MatchString, format,
                       match.ReplaceString)) {
    AbandonGatheredFile(file);
    return true;
  }
  file.Record.GrepInfo.push_back(std::move(match));
  return true;
}

// Keeps a run's saved state on the object's stack for the run's lifetime.
template <class SaveStack>
class SavedStateEntry {
 public:
  SavedStateEntry(SaveStack& stack, const typename SaveStack::value_type& save) : Stack(stack) {
    Stack.push(save);
  }
  ~SavedStateEntry() { Stack.pop(); }
  SavedStateEntry(const SavedStateEntry&) = delete;
  SavedStateEntry& operator=(const SavedStateEntry&) = delete;

 private:
  SaveStack& Stack;
};

// A handler's exception leaves the gathered file untouched: its record is dropped.
template <class FileInformation>
class DropRecordOnException {
 public:
  explicit DropRecordOnException(FileInformation& record)
      : Record(record), Exceptions(std::uncaught_exceptions()) {}
  ~DropRecordOnException() {
    if (std::uncaught_exceptions() > Exceptions) Record = FileInformation();
  }
  DropRecordOnException(const DropRecordOnException&) = delete;
  DropRecordOnException& operator=(const DropRecordOnException&) = delete;

 private:
  FileInformation& Record;
  int Exceptions;
};

// What a change run searches with.
struct ChangeRunSearch {
  GrepEngine::FileSearch& Search;
  GrepEngine::FileSearch::GrepCallback Callback;
  const std::string& Mask;
  bool Recurse;
};

// Runs the change run's file search: the saved state on `saves` and `self` on the thread's
// stack `threads` while it runs; a handler's exception drops the gathered record. Then takes in
// the files the engine gave up on and rewrites the last gathered file (`object` as for
// ChangeRunMatchStep).
template <class FileInformation, class SaveStack, class ThreadStack, class Instance, class Object>
void RunChangeSearch(ChangeRunSearch run, GatheredFile<FileInformation> file, SaveStack& saves,
                     const typename SaveStack::value_type& save, const ThreadStack& threads,
                     Instance* self, Object& object) {
  {
    const DropRecordOnException<FileInformation> drop(file.Record);
    const SavedStateEntry<SaveStack> saved(saves, save);
    const typename ThreadStack::Entry running(threads, self);
    file.AbandonedSeen = 0;
    if (running.Pushed())
      run.Search.GrepFiles(run.Callback, run.Mask.c_str(), run.Recurse, save.MatchFlags);
  }
  object.TakeAbandonedFiles(run.Search);
  object.MergeUpdateFile();
}

// Closes both open files (Platform::File objects, either may be null) and deletes the
// temporary file.
void CloseAndDeleteTemporary(void* input, void* output, const std::string& temporaryName);
// The position of an open Platform::File, 0 when it cannot be read.
std::uint64_t OpenFilePosition(void* handle);

// Compiles the search of a file operation; false when there is nothing to search with.
bool PrepareFileSearch(GrepEngine::FileSearch& search, const std::string& expression,
                       const std::string& mask, bool caseInsensitive);

// A file grep or file find: compiles the search (nothing to do without an expression, a mask
// or a compiling expression), lets `prepare()` bring the object's own pattern in step and give
// the match flags, and keeps `self` on the thread's stack while `run(search, flags)` runs.
// Returns run's count, 0 when nothing ran.
template <class ThreadStack, class Instance, class Prepare, class Run>
unsigned FileOperation(const ThreadStack& threads, Instance* self, const std::string& expression,
                       const std::string& mask, bool caseInsensitive, Prepare prepare, Run run) {
  GrepEngine::FileSearch search;
  if (!PrepareFileSearch(search, expression, mask, caseInsensitive)) return 0;
  const unsigned flags = prepare();
  const typename ThreadStack::Entry entry(threads, self);
  if (!entry.Pushed()) return 0;
  return run(search, flags);
}

}  // namespace Common
