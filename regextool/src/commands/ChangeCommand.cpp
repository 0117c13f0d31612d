#include "ChangeCommand.h"

#include <grepcore/Change.h>

#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "ChangeReport.h"
#include "ChangeSyntax.h"
#include "Colour.h"
#include "ExitStatus.h"
#include "PatternError.h"
#include "LineDiff.h"
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
  int Finish() {
    Summary.DryRun = Command.DryRun;
    PrintSummary(Out, Summary);
    if (!Links.empty()) {
      Out << (Command.DryRun
                  ? "through links named on the command line, the targets would change:\n"
                  : "through links named on the command line, the targets changed:\n");
      for (const std::string& link : Links) Out << "  " << ShownName(link) << '\n';
    }
    PrintProblemRows(Out, Problems);
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
  options.Threads = command.Threads == 0 ? 1 : command.Threads;

  std::vector<WalkProblem> walkProblems;
  WalkedForChange walked = Walk(command, walkProblems);
  ChangeLedger ledger(command, out, err);
  for (const WalkProblem& problem : walkProblems) {
    err << "regextool: " << ShownName(problem.Path) << ": " << problem.Message << '\n';
    ledger.Trouble = true;
  }

  std::size_t planned = 0, unlocated = 0;
  auto unlocatedBefore = [&](std::size_t files) {
    for (; unlocated < walked.Unlocated.size() && walked.Unlocated[unlocated].first <= files;
         ++unlocated)
      ledger.Unlocated(std::move(walked.Unlocated[unlocated].second));
  };
  grepcore::ChangePlan plan =
      grepcore::PlanChange(std::move(walked.Files), *pattern, options,
                           [&](const grepcore::PlannedFile& file, std::string_view content) {
                             unlocatedBefore(planned);
                             ledger.Planned(file, content, walked.Targets[planned]);
                             ++planned;
                           });
  unlocatedBefore(planned);

  if (plan.Refused()) ledger.Refused(plan.Collisions);
  if (plan.Refused() || command.DryRun) return ledger.Finish();
  std::size_t written = 0;
  const std::size_t toWrite = ledger.ToWrite;
  grepcore::CommitChange(plan, [&](const grepcore::CommittedFile& outcome) {
    ledger.Written(plan.Files[outcome.Planned], outcome);
    if (command.Progress)
      err << "\rchanging: " << ++written << " of " << toWrite << " files" << std::flush;
  });
  if (command.Progress && toWrite != 0) err << "\r\033[K" << std::flush;
  return ledger.Finish();
}

}  // namespace RegexTool
