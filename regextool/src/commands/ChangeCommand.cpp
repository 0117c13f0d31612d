#include "ChangeCommand.h"

#include <grepcore/Change.h>
#include <grepcore/Streams.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "ChangeReport.h"
#include "ChangeSyntax.h"
#include "Colour.h"
#include "ExitStatus.h"
#include "LineDiff.h"
#include "PatternError.h"
#include "StringOutput.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

// Directory handles the walk holds on to; the others are let go and their directories'
// identities kept.
constexpr std::size_t HeldDirectories = 256;

std::string DiffLabel(const std::string& file, const char* side) {
  if (!file.empty() && file[0] == '/') return file;
  return side + (file.compare(0, 2, "./") == 0 ? file.substr(2) : file);
}

// The core's pattern for the change run's settings: the text up to its first NUL, as the
// toolkit's file search has always read it.
grepcore::Result<grepcore::Pattern> ChangePattern(const PatternSettings& normal) {
  return grepcore::Pattern::Compile(std::string_view(normal.Pattern.c_str()),
                                    CompileOptionsOf(normal));
}

// The walked files in the core's terms, and the walk's word on those it could not locate,
// each before the file that followed it.
struct WalkedForChange {
  std::vector<grepcore::WalkedFile> Files;
  std::vector<std::string> Targets;  // each file's directory path and own name
  std::vector<std::pair<std::size_t, ProblemRow>> Unlocated;  // (files before it, row)
};

WalkedForChange Walk(const ChangeCommand& command, std::vector<WalkProblem>& problems) {
  PathSelection selection = command.Paths;
  // An apply goes to the kept plan's files alone, each named as it was walked.
  if (command.Applying) {
    selection.Paths.clear();
    for (const KeptFile& file : command.Applied) selection.Paths.push_back(file.Path);
  }
  selection.Identities = true;
  selection.ChangeNothing = command.DryRun;
  WalkedForChange walked;
  // Past the first directories the files keep their directory's path and identity, not its
  // descriptor; the files of one directory still share one handle.
  const grepcore::DirectoryHandle* lastDirectory = nullptr;
  std::shared_ptr<const grepcore::DirectoryHandle> lastReleased;
  std::size_t directories = 0;
  std::vector<WalkProblem> met =
      grepcore::Walk(WalkOptionsOf(selection), [&](grepcore::WalkedFile&& file) {
        if (!file.Problem.empty()) {
          walked.Unlocated.emplace_back(walked.Files.size(),
                                        Row(file.Shown, "OpenFileFailed", file.Problem));
          return;
        }
        if (file.Directory && file.Directory.get() != lastDirectory) {
          lastDirectory = file.Directory.get();
          lastReleased.reset();
          ++directories;
        }
        if (directories > HeldDirectories && file.Directory) {
          if (!lastReleased) {
            grepcore::ReleaseDirectory(file);
            lastReleased = file.Directory;
          } else {
            file.Directory = lastReleased;
          }
        }
        walked.Targets.push_back(grepcore::TargetPath(file));
        walked.Files.push_back(std::move(file));
      });
  for (WalkProblem& problem : met) problems.push_back(std::move(problem));
  return walked;
}

// The run in order: warnings, problems, the diffs, the totals.
class ChangeLedger {
 public:
  ChangeLedger(const ChangeCommand& command, std::ostream& out, std::ostream& err)
      : Command(command), Out(out), Err(err) {}

  void Planned(const grepcore::PlannedFile& file, std::string_view content,
               const std::string& target) {
    using Action = grepcore::PlannedAction;
    const std::string& shown = file.File.Shown;
    switch (file.Action) {
      case Action::SameFile:
        Err << "regextool: " << ShownName(file.File.Path) << ": skipped: the same file as "
            << ShownName(file.SameAs) << '\n';
        return;
      case Action::SavedCopy:
        Skip(shown,
             Command.BackupSuffix.empty()
                 ? "its name carries the save extension ." + Command.SaveExtension +
                       " (an earlier run's saved copy)"
                 : "its name ends with the backup suffix " + Command.BackupSuffix +
                       " (an earlier run's backup)",
             false);
        return;
      case Action::ReadOnly:
        Skip(shown, "it is read-only", true);
        return;
      case Action::Gone:
        Skip(shown, "it is gone (deleted since the walk)", true);
        return;
      case Action::Problem:
        for (const grepcore::ChangeProblem& problem : file.Problems)
          Problems.push_back(RowOf(problem, shown));
        return;
      case Action::NothingToDo:
        return;
      case Action::Write:
        break;
    }
    ++ToWrite;
    if (!Command.PlanFile.empty()) {
      Summary.Replacements += file.Changing;
      ++Summary.FilesChanged;
      return;
    }
    if (!Command.DryRun) return;
    // A positional diff from the plan: nothing in it grows with the file's lines.
    const std::string label = file.File.Shown == file.File.Path ? file.File.Path : target;
    TextBytes bytes(content);
    std::string diff;
    StringOutput text(diff);
    std::ostream stream(&text);
    if (PrintReplacementDiff(stream, ShownName(DiffLabel(label, "a/")),
                             ShownName(DiffLabel(label, "b/")), bytes, file.Replacements,
                             Palette(Command.Colour)) == ReplacementDiffResult::MatchChanged) {
      Problems.push_back(Row(shown, "MatchChanged", "the file changed while it was read"));
      return;
    }
    Out << diff;
    Summary.Replacements += file.Changing;
    ++Summary.FilesChanged;
    NoteLink(file.File);
  }

  // The walk's row for a file it could not locate.
  void Unlocated(ProblemRow&& row) { Problems.push_back(std::move(row)); }

  // Says why the run is refused when a saved copy would replace another file.
  void Refused(const std::vector<grepcore::ChangeProblem>& collisions) {
    for (const grepcore::ChangeProblem& problem : collisions)
      Problems.push_back(Row(problem.Name + " (" + problem.Other + ")",
                             problem.Kind == grepcore::ChangeProblemKind::SaveCopyCollision
                                 ? "SaveCopyCollision"
                                 : "SaveCopyExists",
                             problem.Message));
    const std::size_t count = collisions.size();
    Err << "regextool: " << (Command.DryRun ? "the run would be refused" : "nothing was changed")
        << ": " << count << (count == 1 ? " saved copy" : " saved copies")
        << " would replace another file (see the table)\n";
    Trouble = true;
  }

  void Written(const grepcore::PlannedFile& file, const grepcore::CommittedFile& outcome) {
    for (const grepcore::ChangeProblem& problem : outcome.Problems)
      Problems.push_back(RowOf(problem, file.File.Shown));
    if (outcome.Gone) Skip(file.File.Shown, "it is gone (deleted since it was searched)", true);
    if (!outcome.Changed) return;
    Summary.Replacements += file.Changing;
    ++Summary.FilesChanged;
    NoteLink(file.File);
  }

  void Skip(const std::string& shown, const std::string& why, bool trouble) {
    Err << "regextool: " << ShownName(shown) << ": skipped: " << why << '\n';
    Trouble = Trouble || trouble;
  }

  // Prints the summary and the problem table; returns the exit status.
  int Finish() { return FinishTo(Out); }

  int FinishTo(std::ostream& to) {
    Summary.DryRun = Command.DryRun;
    Summary.KeptIn = Command.PlanFile;
    PrintSummary(to, Summary);
    if (!Links.empty()) {
      to << (Command.DryRun ? "through links named on the command line, the targets would change:\n"
                            : "through links named on the command line, the targets changed:\n");
      for (const std::string& link : Links) to << "  " << ShownName(link) << '\n';
    }
    PrintProblemRows(to, Problems);
    if (Trouble || !Problems.empty()) return RegexTool::Trouble;
    return Summary.Replacements != 0 ? Found : NothingFound;
  }

  std::size_t ToWrite = 0;
  bool Trouble = false;

 private:
  void NoteLink(const grepcore::WalkedFile& file) {
    if (file.Shown != file.Path) Links.push_back(file.Shown);
  }

  const ChangeCommand& Command;
  std::ostream& Out;
  std::ostream& Err;
  ChangeSummary Summary;
  std::vector<ProblemRow> Problems;
  std::vector<std::string> Links;
};

// What a kept plan records of a planned file.
KeptFile KeptFileOf(const grepcore::PlannedFile& file) {
  KeptFile kept;
  kept.Path = file.File.Path;
  kept.Record = {file.Device,      file.Inode,     file.Size,
                 file.Fingerprint, file.NewSize(), file.NewFingerprint};
  kept.Replacements = file.Changing;
  return kept;
}

using CommittedSink =
    std::function<void(const grepcore::PlannedFile& file, const grepcore::CommittedFile& outcome)>;

// The plan written, each outcome told to the ledger (and to `also`), with a progress line.
void Commit(const ChangeCommand& command, grepcore::ChangePlan& plan, ChangeLedger& ledger,
            std::ostream& err, const CommittedSink& also) {
  std::size_t written = 0;
  const std::size_t toWrite = ledger.ToWrite;
  grepcore::CommitChange(plan, [&](const grepcore::CommittedFile& outcome) {
    ledger.Written(plan.Files[outcome.Planned], outcome);
    if (also) also(plan.Files[outcome.Planned], outcome);
    if (command.Progress)
      err << "\rchanging: " << ++written << " of " << toWrite << " files" << std::flush;
  });
  if (command.Progress && toWrite != 0) err << "\r\033[K" << std::flush;
}

// The kept plan's files in an apply: each walked file held to its record, and what became of
// each, in the plan's order.
class AppliedFiles {
 public:
  explicit AppliedFiles(const std::vector<KeptFile>& files) : Files(files), Outcomes(files.size()) {
    for (std::size_t i = 0; i < files.size(); ++i) Index.emplace(files[i].Path, i);
  }

  // What the kept plan recorded of a walked file; null for a file that is no kept file's (a
  // kept name that became a directory, say), which is then left alone as changed.
  const grepcore::RecordedFile* Record(const grepcore::PlannedFile& file) const {
    const auto found = Index.find(file.File.Path);
    return found == Index.end() ? nullptr : &Files[found->second].Record;
  }

  void Held(const grepcore::PlannedFile& file, grepcore::RecordedState state) {
    const auto found = Index.find(file.File.Path);
    if (found == Index.end()) return;
    Outcome& outcome = Outcomes[found->second];
    outcome.Walked = true;
    if (file.Action == grepcore::PlannedAction::Gone)
      outcome.Word = "gone";
    else if (state == grepcore::RecordedState::AlreadyWritten)
      outcome.Word = "already-written";
    else if (state == grepcore::RecordedState::Changed)
      outcome.Word = "changed-since-plan";
    else if (file.Action != grepcore::PlannedAction::Write)
      outcome.Word = "problem";
    if (!file.Problems.empty()) outcome.Problem = file.Problems.front();
  }

  void Committed(const grepcore::PlannedFile& file, const grepcore::CommittedFile& committed) {
    const auto found = Index.find(file.File.Path);
    if (found == Index.end()) return;
    Outcome& outcome = Outcomes[found->second];
    outcome.Word = committed.Changed ? "changed" : committed.Gone ? "gone" : "problem";
    if (!committed.Problems.empty()) outcome.Problem = committed.Problems.front();
  }

  void PrintJson(std::ostream& out) const {
    for (std::size_t i = 0; i < Files.size(); ++i) {
      const Outcome& outcome = Outcomes[i];
      const std::string word = outcome.Walked ? outcome.Word : "gone";
      const bool counted = word == "changed" || word == "already-written";
      out << "{\"file\":" << JsonString(Files[i].Path) << ",\"outcome\":\"" << word
          << "\",\"replacements\":" << (counted ? Files[i].Replacements : 0u);
      if (word == "problem" || word == "changed-since-plan")
        out << ",\"problem\":" << JsonString(ProblemName(outcome.Problem.Kind)) << ",\"message\":"
            << JsonString(outcome.Problem.Message.empty() ? ProblemText(outcome.Problem)
                                                          : outcome.Problem.Message);
      out << "}\n";
    }
  }

 private:
  struct Outcome {
    bool Walked = false;
    std::string Word = "problem";
    grepcore::ChangeProblem Problem;
  };
  const std::vector<KeptFile>& Files;
  std::vector<Outcome> Outcomes;
  std::map<std::string, std::size_t> Index;
};

// Hands the ledger the walk's rows for the files it could not locate, each before the file
// that followed it in the walk.
class UnlocatedRows {
 public:
  UnlocatedRows(std::vector<std::pair<std::size_t, ProblemRow>>& rows, ChangeLedger& ledger)
      : Rows(rows), Ledger(ledger) {}

  void Before(std::size_t files) {
    for (; Next < Rows.size() && Rows[Next].first <= files; ++Next)
      Ledger.Unlocated(std::move(Rows[Next].second));
  }

 private:
  std::vector<std::pair<std::size_t, ProblemRow>>& Rows;
  ChangeLedger& Ledger;
  std::size_t Next = 0;
};

// The kept plan's files planned again, held to their records and written where still as
// planned; with --json each file's outcome is printed instead of the report.
int ApplyKeptPlan(const ChangeCommand& command, WalkedForChange& walked,
                  const grepcore::Pattern& pattern, const grepcore::ChangeOptions& options,
                  UnlocatedRows& unlocated, ChangeLedger& ledger, std::ostream& out,
                  std::ostream& err) {
  grepcore::ChangePlan plan = grepcore::PlanChange(std::move(walked.Files), pattern, options);
  AppliedFiles applied(command.Applied);
  const std::vector<grepcore::RecordedState> states = grepcore::HoldToRecords(
      plan, [&](const grepcore::PlannedFile& file) { return applied.Record(file); });
  for (std::size_t i = 0; i < plan.Files.size(); ++i) {
    unlocated.Before(i);
    const grepcore::PlannedFile& file = plan.Files[i];
    applied.Held(file, states[i]);
    if (states[i] == grepcore::RecordedState::AlreadyWritten)
      ledger.Skip(file.File.Shown, "it already holds the planned content (applied before)", false);
    ledger.Planned(file, std::string_view(), walked.Targets[i]);
  }
  unlocated.Before(plan.Files.size());
  if (plan.Refused())
    ledger.Refused(plan.Collisions);
  else
    Commit(command, plan, ledger, err,
           [&](const grepcore::PlannedFile& file, const grepcore::CommittedFile& outcome) {
             applied.Committed(file, outcome);
           });
  if (!command.Json) return ledger.Finish();
  std::ostringstream report;  // the objects tell it instead
  const int status = ledger.FinishTo(report);
  applied.PrintJson(out);
  return status;
}

// The walked files planned (a dry run's diff shown as they are), then the plan kept in a file
// or committed.
int PlanAndCommit(const ChangeCommand& command, WalkedForChange& walked,
                  const grepcore::Pattern& pattern, const grepcore::ChangeOptions& options,
                  UnlocatedRows& unlocated, ChangeLedger& ledger, std::ostream& err) {
  KeptPlan kept;
  std::size_t planned = 0;
  grepcore::ChangePlan plan =
      grepcore::PlanChange(std::move(walked.Files), pattern, options,
                           [&](const grepcore::PlannedFile& file, std::string_view content) {
                             unlocated.Before(planned);
                             ledger.Planned(file, content, walked.Targets[planned]);
                             ++planned;
                             if (file.Action == grepcore::PlannedAction::Write)
                               kept.Files.push_back(KeptFileOf(file));
                           });
  unlocated.Before(planned);
  if (plan.Refused()) ledger.Refused(plan.Collisions);
  if (plan.Refused() || command.DryRun) return ledger.Finish();
  if (!command.PlanFile.empty()) {
    kept.Arguments = command.Recorded;
    const grepcore::Result<bool> written =
        grepcore::WriteNewFile(command.PlanFile, KeptPlanText(kept));
    if (!written) {
      err << "regextool: " << ShownName(command.PlanFile)
          << ": the plan was not kept: " << written.Error().Message << '\n';
      return Trouble;
    }
    return ledger.Finish();
  }
  Commit(command, plan, ledger, err, {});
  return ledger.Finish();
}

}  // namespace

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err) {
  PatternSettings normal;
  std::string reason;
  if (!NormalSyntaxSettings(settings, normal, reason)) {
    err << "regextool: " << reason << '\n';
    return Trouble;
  }
  const grepcore::Result<grepcore::Pattern> pattern = ChangePattern(normal);
  if (!pattern) {
    PrintBadPattern(err, pattern.Error(), normal.Pattern);
    return Trouble;
  }
  grepcore::ChangeOptions options;
  options.Format = command.Format;
  options.Match = MatchOptionsOf(normal);
  options.WholeText = command.WholeText;
  options.SaveExtension = command.SaveExtension;
  options.BackupSuffix = command.BackupSuffix;
  options.FirstOnly = command.First;
  options.Binary = command.Binary;
  options.KeepAll = command.DryRun;
  // A plan kept records each new content; an apply checks it plans the same again.
  options.FingerprintNew = !command.PlanFile.empty() || command.Applying;
  options.Threads = command.Threads == 0 ? 1 : command.Threads;

  // A kept plan with no file to write has nothing to walk (no path is not the current
  // directory here).
  if (command.Applying && command.Applied.empty())
    return command.Json ? NothingFound : ChangeLedger(command, out, err).Finish();
  std::vector<WalkProblem> walkProblems;
  WalkedForChange walked = Walk(command, walkProblems);
  ChangeLedger ledger(command, out, err);
  for (const WalkProblem& problem : walkProblems) {
    err << "regextool: " << ShownName(problem.Path) << ": " << problem.Message << '\n';
    ledger.Trouble = true;
  }

  UnlocatedRows unlocated(walked.Unlocated, ledger);
  if (command.Applying)
    return ApplyKeptPlan(command, walked, *pattern, options, unlocated, ledger, out, err);
  return PlanAndCommit(command, walked, *pattern, options, unlocated, ledger, err);
}

}  // namespace RegexTool
