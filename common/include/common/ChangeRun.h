#pragma once
// The file change run of both pattern objects: the gathered file and its abandoned flag, the
// per-match step, the run of the file search with the run's state kept on the object's stacks,
// and the rewrite of the gathered file. The records are each library's own types of one shape:
//   FileInformation: FileName, GrepInfo (a vector of {Position, MatchString, ReplaceString});
//   a saved state: CompiledExpression, MatchFlags.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/CompileOnDemand.h"
#include "common/FileRewrite.h"
#include "common/ReplacementText.h"
#include "common/SavedCopies.h"
#include "core/MaskSearch.h"
#include "engine/DirectReplacement.h"

namespace Common {

// A rewritten file waiting in a batch for its new content to be put in place, with the problems
// to report then (in the run's order). Without a rewrite it only carries problems.
struct PendingFile {
  std::unique_ptr<FileRewriter> Rewrite;
  std::string FileName;
  std::string SaveName;
  unsigned Count = 0;  // the file's replacements
  std::vector<ProblemReport> Problems;
};

// The run's working state beside the gathered file's record.
struct ChangeRunWork {
  bool Abandoned = false;          // the gathered file is not to be changed (the engine gave up)
  std::size_t AbandonedSeen = 0;   // how many of the search's abandoned files the run took in
  std::size_t PassedOverSeen = 0;  // likewise of the files passed over for an unfinished copy
  // The gathered file's rewrite, started once its gathered matches outgrew their bound: they
  // are then streamed into it and the record holds only the ones gathered since.
  std::unique_ptr<FileRewriter> Rewrite;
  unsigned Streamed = 0;            // matches already handed to Rewrite
  std::uint64_t GatheredBytes = 0;  // memory the record's matches take, roughly
  // The saved copies this run wrote, each with the file it saves.
  std::map<std::string, std::string> SavedCopies;
  // Without a handler nothing in the run sees a file between its rewrite and the run's end,
  // so rewritten files are put in place in batches, made durable with one flush per batch.
  bool Batching = false;
  std::vector<PendingFile> Batch;
  std::uint64_t BatchedBytes = 0;
  // How replacements are made: planned at the run's first match and again whenever the format
  // changes; without a direct plan every replacement is the engine's merge.
  bool ReplacementPlanned = false;
  std::string PlannedFormat;
  std::optional<GrepEngine::DirectReplacement> Direct;
  // Where the gathered file is, as the walk reached it: its rewrite acts relative to the
  // walk's directory handle and checks it still is the file that was searched.
  FileLocation Location;
  // Whether a file whose owner cannot be kept may change owner (FileRewriter).
  bool AllowOwnerChange = false;

  // Back to the state of a run's start.
  void Reset() { *this = ChangeRunWork(); }
  // Drops the gathered file's streamed part (its temporary file goes with it).
  void DropStreamed() {
    Rewrite.reset();
    Streamed = 0;
    GatheredBytes = 0;
  }
};

// The object's working state, made on first use.
inline ChangeRunWork& WorkOf(std::unique_ptr<ChangeRunWork>& slot) {
  if (!slot) slot = std::make_unique<ChangeRunWork>();
  return *slot;
}

// The file whose matches are being gathered, with the run's working state.
template <class FileInformation>
struct GatheredFile {
  FileInformation& Record;
  ChangeRunWork& Work;
};

template <class FileInformation>
GatheredFile<FileInformation> Gathered(FileInformation& record,
                                       std::unique_ptr<ChangeRunWork>& work) {
  return GatheredFile<FileInformation>{record, WorkOf(work)};
}

// The gathered file is not to be changed: its matches are dropped.
template <class FileInformation>
void AbandonGatheredFile(GatheredFile<FileInformation> file) {
  file.Record.GrepInfo.clear();
  file.Work.DropStreamed();
  file.Work.Abandoned = true;
}

// Gathered matches beyond this much memory are streamed into the file's rewrite, so a file
// with millions of matches costs memory in proportion to the file, not to its matches.
constexpr std::uint64_t GatheredBytesBound = std::uint64_t{4} << 20;

template <class Match>
std::uint64_t BytesOf(const Match& match) {
  return sizeof(Match) + match.MatchString.capacity() + match.ReplaceString.capacity();
}

template <class FileInformation>
std::vector<Replacement> ReplacementsOf(const FileInformation& record) {
  std::vector<Replacement> replacements;
  replacements.reserve(record.GrepInfo.size());
  for (const auto& match : record.GrepInfo)
    replacements.push_back({match.Position, &match.MatchString, &match.ReplaceString});
  return replacements;
}

// The saved copy's name for the gathered file; empty without a save extension.
template <class FileInformation>
std::string SaveNameOf(const FileInformation& record, const std::string& saveExtension) {
  return saveExtension.empty() ? std::string() : SavedCopyName(record.FileName, saveExtension);
}

// The file the search is on, named `name`, as the walk reached it.
FileLocation LocationOfMatch(const grepcore::MaskSearch& search, const std::string& name);

// The rewrite of the file at `location` (named `fileName`) with its saved copy `saveName`
// (empty: none), which goes beside the file in the walk's directory.
std::unique_ptr<FileRewriter> MakeRewriter(const ChangeRunWork& work, FileLocation location,
                                           const std::string& saveName);

// Streams the gathered matches into the file's rewrite and empties the record's list.
template <class FileInformation>
void StreamGatheredMatches(GatheredFile<FileInformation> file, const std::string& saveExtension) {
  ChangeRunWork& work = file.Work;
  if (!work.Rewrite)
    work.Rewrite = MakeRewriter(work, work.Location, SaveNameOf(file.Record, saveExtension));
  work.Rewrite->Add(ReplacementsOf(file.Record));
  work.Streamed += static_cast<unsigned>(file.Record.GrepInfo.size());
  file.Record.GrepInfo.clear();
  file.Record.GrepInfo.shrink_to_fit();
  work.GatheredBytes = 0;
}

// Reports `problems` now, or, while a batch waits, after the batch's earlier files.
template <class Report>
void Emit(ChangeRunWork& work, std::vector<ProblemReport>&& problems, Report report) {
  if (problems.empty()) return;
  if (!work.Batch.empty()) {
    PendingFile carrier;
    carrier.Problems = std::move(problems);
    work.Batch.push_back(std::move(carrier));
    return;
  }
  for (ProblemReport& problem : problems) report(std::move(problem));
}

// Puts one rewritten file's new content in place; within one run, a saved copy this run wrote
// for one file is never overwritten for another: that file is left as it is and reported.
inline void CommitFile(ChangeRunWork& work, PendingFile& file, bool durable,
                       unsigned& changeCount) {
  const auto saved =
      file.SaveName.empty() ? work.SavedCopies.end() : work.SavedCopies.find(file.SaveName);
  if (saved != work.SavedCopies.end() && saved->second != file.FileName) {
    ProblemReport problem;
    problem.Problem = RewriteProblem::SaveCopyCollision;
    problem.FileName = file.FileName;
    file.Problems.push_back(std::move(problem));
  } else if (file.Rewrite->Commit(file.Problems, durable)) {
    changeCount += file.Count;
    if (!file.SaveName.empty()) work.SavedCopies[file.SaveName] = file.FileName;
  }
  file.Rewrite.reset();
}

// Puts the waiting batch in place: one flush per file system, then each file in the run's
// order, each with its problems.
template <class Report>
void CommitBatch(ChangeRunWork& work, unsigned& changeCount, Report report) {
  std::vector<PendingFile> batch;
  std::swap(batch, work.Batch);
  work.BatchedBytes = 0;
  BatchFlush flush;
  for (PendingFile& file : batch)
    if (file.Rewrite && file.Rewrite->Prepare()) flush.Add(*file.Rewrite);
  for (PendingFile& file : batch) {
    if (file.Rewrite) CommitFile(work, file, flush.Durable(*file.Rewrite), changeCount);
    for (ProblemReport& problem : file.Problems) report(std::move(problem));
  }
}

// Files the engine gave up on since the last look: the gathered file is then not changed, and
// one without gathered matches is reported at once through `report(ProblemReport&&)`.
template <class FileInformation, class Report>
void TakeAbandonedFiles(GatheredFile<FileInformation> file, const grepcore::MaskSearch& search,
                        Report report) {
  const std::vector<std::string>& abandoned = search.AbandonedFiles();
  for (; file.Work.AbandonedSeen < abandoned.size(); ++file.Work.AbandonedSeen) {
    const std::string& name = abandoned[file.Work.AbandonedSeen];
    if (name == file.Record.FileName) {
      AbandonGatheredFile(file);
    } else {
      ProblemReport problem;
      problem.FileName = name;
      problem.Problem = RewriteProblem::SearchAbandoned;
      std::vector<ProblemReport> problems;
      problems.push_back(std::move(problem));
      Emit(file.Work, std::move(problems), report);
    }
  }
  // A torn file is never searched, so never changed; the run says so.
  const std::vector<std::string>& passedOver = search.PassedOverFiles();
  for (; file.Work.PassedOverSeen < passedOver.size(); ++file.Work.PassedOverSeen) {
    ProblemReport problem;
    problem.FileName = passedOver[file.Work.PassedOverSeen];
    problem.Problem = RewriteProblem::CopyUnfinished;
    std::vector<ProblemReport> problems;
    problems.push_back(std::move(problem));
    Emit(file.Work, std::move(problems), report);
  }
}

// Rewrites the gathered file (with a saved copy when `saveExtension` is set) and empties the
// record; the file's matches are added to `changeCount` when the new content reached it. Each
// failure goes to `report(ProblemReport&&)`. While batching, the new content is prepared now
// and put in place with its batch.
template <class FileInformation, class Report>
void RewriteGatheredFile(GatheredFile<FileInformation> file, const std::string& saveExtension,
                         unsigned& changeCount, Report report) {
  ChangeRunWork& work = file.Work;
  if (file.Record.FileName.empty()) {
    file.Record.GrepInfo.clear();
    work.Abandoned = false;
    work.DropStreamed();
    return;
  }
  // The record is empty on every way out.
  FileInformation taken;
  std::swap(taken, file.Record);
  const bool abandoned = work.Abandoned;
  work.Abandoned = false;
  PendingFile pending;
  pending.Rewrite = std::move(work.Rewrite);
  pending.Count = work.Streamed + static_cast<unsigned>(taken.GrepInfo.size());
  pending.FileName = taken.FileName;
  pending.SaveName = SaveNameOf(taken, saveExtension);
  FileLocation location = std::move(work.Location);
  work.Location = FileLocation();
  work.DropStreamed();

  if (abandoned) {
    // Matches the engine did not finish looking for would change the file only in part.
    ProblemReport problem;
    problem.Problem = RewriteProblem::SearchAbandoned;
    problem.FileName = taken.FileName;
    pending.Problems.push_back(std::move(problem));
    Emit(work, std::move(pending.Problems), report);
    return;
  }
  if (!pending.Rewrite) pending.Rewrite = MakeRewriter(work, std::move(location), pending.SaveName);
  pending.Rewrite->Add(ReplacementsOf(taken));
  if (!work.Batching) {
    CommitFile(work, pending, false, changeCount);
    for (ProblemReport& problem : pending.Problems) report(std::move(problem));
    return;
  }
  pending.Rewrite->Prepare();
  work.BatchedBytes += pending.Rewrite->Written();
  work.Batch.push_back(std::move(pending));
  if (work.Batch.size() >= BatchFiles || work.BatchedBytes >= BatchBytes)
    CommitBatch(work, changeCount, report);
}

// The replacement of the search's current match (whose bytes are `matched`): the format
// expanded over the match where the run's plan allows it, else the merge over `matched`.
// False when the engine gave up.
template <class SavedState>
bool ReplacementOfMatch(ChangeRunWork& work, const SavedState& save, const std::string& format,
                        const grepcore::MaskSearch& search, const std::string& matched,
                        std::string& replacement) {
  if (!work.ReplacementPlanned || format != work.PlannedFormat) {
    const std::shared_ptr<const GrepEngine::Pattern> searching = search.CompiledPattern();
    work.Direct.reset();
    if (save.CompiledExpression && searching)
      work.Direct = GrepEngine::DirectReplacement::Plan(*save.CompiledExpression, *searching,
                                                        save.MatchFlags, format);
    work.PlannedFormat = format;
    work.ReplacementPlanned = true;
  }
  if (!work.Direct)
    return ReplacementText(save.CompiledExpression, save.MatchFlags, matched, format, replacement);
  replacement.clear();
  work.Direct->Expand([&search](unsigned i) { return search.Sub(i); }, replacement);
  return true;
}

// The per-match step of a change run for a match of `name`. `object` is the object's side:
//   TakeAbandonedFiles(search), MergeUpdateFile(), BackupFile(name), ReadOnlyFile(name),
//   HasChangingFilesHandler(), FireChangingFiles(name, search) (true to go on; true without a
//   handler), SaveExtension() and AllowOwnerChange().
// Returns false to end the run.
template <class FileInformation, class SavedState, class Object>
bool ChangeRunMatchStep(GatheredFile<FileInformation> file, const SavedState& save,
                        const std::string& format, Object& object, const std::string& name,
                        const grepcore::MaskSearch& search) {
  object.TakeAbandonedFiles(search);
  const bool firstOfFile = name != file.Record.FileName;
  if (firstOfFile) object.MergeUpdateFile();
  // A saved copy or a read-only file ends the run; the files before it stay changed. Without
  // a handler nothing in the run can change a file's attributes between its matches, so they
  // are read once per file.
  const bool attributesMayChange = firstOfFile || object.HasChangingFilesHandler();
  if (object.BackupFile(name) || (attributesMayChange && object.ReadOnlyFile(name))) return false;
  if (file.Work.Abandoned) return true;  // the file stays as it is: nothing more to gather
  if (!object.FireChangingFiles(name, search)) return false;
  if (file.Record.FileName.empty()) {
    file.Record.FileName = name;
    file.Work.Location = LocationOfMatch(search, name);
  }
  typename decltype(file.Record.GrepInfo)::value_type match;
  match.Position = search.Position(0);
  match.MatchString = search.What(0);
  if (!ReplacementOfMatch(file.Work, save, format, search, match.MatchString,
                          match.ReplaceString)) {
    AbandonGatheredFile(file);
    return true;
  }
  file.Work.GatheredBytes += BytesOf(match);
  file.Record.GrepInfo.push_back(std::move(match));
  if (file.Work.GatheredBytes >= GatheredBytesBound)
    StreamGatheredMatches(file, object.SaveExtension());
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

// A handler's exception leaves the gathered file untouched: its record and its streamed part
// are dropped.
template <class FileInformation>
class DropRecordOnException {
 public:
  explicit DropRecordOnException(GatheredFile<FileInformation> file)
      : Record(file.Record), Work(file.Work), Exceptions(std::uncaught_exceptions()) {}
  ~DropRecordOnException() {
    if (std::uncaught_exceptions() > Exceptions) {
      Record = FileInformation();
      Work.DropStreamed();
      Work.Batch.clear();
    }
  }
  DropRecordOnException(const DropRecordOnException&) = delete;
  DropRecordOnException& operator=(const DropRecordOnException&) = delete;

 private:
  FileInformation& Record;
  ChangeRunWork& Work;
  int Exceptions;
};

// What a change run searches with.
struct ChangeRunSearch {
  grepcore::MaskSearch& Search;
  grepcore::MaskSearch::GrepCallback Callback;
  const std::string& Mask;
  bool Recurse;
};

// Runs the change run's file search: the saved state on `saves` and `self` on the thread's
// stack `threads` while it runs; a handler's exception drops the gathered record. Then takes in
// the files the engine gave up on, rewrites the last gathered file and puts the last batch in
// place (`object` as for ChangeRunMatchStep, and CommitRewrites()).
template <class FileInformation, class SaveStack, class ThreadStack, class Instance, class Object>
void RunChangeSearch(ChangeRunSearch run, GatheredFile<FileInformation> file, SaveStack& saves,
                     const typename SaveStack::value_type& save, const ThreadStack& threads,
                     Instance* self, Object& object) {
  {
    const DropRecordOnException<FileInformation> drop(file);
    const SavedStateEntry<SaveStack> saved(saves, save);
    const typename ThreadStack::Entry running(threads, self);
    file.Work.Reset();
    file.Work.Batching = !object.HasChangingFilesHandler();
    file.Work.AllowOwnerChange = object.AllowOwnerChange();
    if (running.Pushed())
      run.Search.GrepFiles(run.Callback, run.Mask.c_str(), run.Recurse, save.MatchFlags);
  }
  object.TakeAbandonedFiles(run.Search);
  object.MergeUpdateFile();
  object.CommitRewrites();
}

// Closes both open files (Platform::File objects, either may be null) and deletes the
// temporary file.
void CloseAndDeleteTemporary(void* input, void* output, const std::string& temporaryName);
// The position of an open Platform::File, 0 when it cannot be read.
std::uint64_t OpenFilePosition(void* handle);

// Compiles the search of a file operation; false when there is nothing to search with.
bool PrepareFileSearch(grepcore::MaskSearch& search, const std::string& expression,
                       const std::string& mask, bool caseInsensitive);

// A file grep or file find: compiles the search (nothing to do without an expression, a mask
// or a compiling expression), lets `prepare()` bring the object's own pattern in step and give
// the match flags, and keeps `self` on the thread's stack while `run(search, flags)` runs.
// Returns run's count, 0 when nothing ran.
template <class ThreadStack, class Instance, class Prepare, class Run>
unsigned FileOperation(const ThreadStack& threads, Instance* self, const std::string& expression,
                       const std::string& mask, bool caseInsensitive, Prepare prepare, Run run) {
  grepcore::MaskSearch search;
  if (!PrepareFileSearch(search, expression, mask, caseInsensitive)) return 0;
  const unsigned flags = prepare();
  const typename ThreadStack::Entry entry(threads, self);
  if (!entry.Pushed()) return 0;
  return run(search, flags);
}

}  // namespace Common
