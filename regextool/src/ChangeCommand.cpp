#include "ChangeCommand.h"

#include <platform/FileContent.h>
#include <platform/Files.h>
#include <platform/ThreadSlot.h>

#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "ChangePreview.h"
#include "ChangeReport.h"
#include "ChangeSyntax.h"
#include "Colour.h"
#include "ExitStatus.h"
#include "LineDiff.h"
#include "OrderedWork.h"
#include "StringCommands.h"
#include "StringOutput.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchViewInfo;

// What became of one file, in the run's two steps: planned, then written.
struct FileOutcome {
  FilePlan Plan;
  std::string Skipped;  // why the file is left alone, empty when it is not
  bool SkipIsTrouble = false;
  std::string Diff;  // the dry run's difference
  std::vector<ProblemRow> Problems;
  unsigned int Written = 0;  // replacements that changed the text, once the file was rewritten
  bool Changed = false;
};

ProblemRow Row(const std::string& file, const std::string& problem, const std::string& error) {
  ProblemRow row;
  row.File = file;
  row.Problem = problem;
  row.Error = error;
  return row;
}

// The file search reads * and ? in a mask as wild cards, however the name was given.
bool NameReadsAsMask(const std::string& file) {
  return file.find_first_of("*?") != std::string::npos;
}

std::string DiffLabel(const std::string& file, const char* side) {
  if (!file.empty() && file[0] == '/') return file;
  return side + (file.compare(0, 2, "./") == 0 ? file.substr(2) : file);
}

// One thread's toolkit objects: the search that plans, the maker of replacements and the
// object whose change run rewrites.
class ChangeWorker {
 public:
  ChangeWorker(const PatternSettings& normal, const ChangeCommand& command)
      : Maker(normal, LibraryFormat(command.Format)), Planner(Search, Maker), Command(command) {
    Configure(Search, normal);
    Search.SetSaveExtension(command.SaveExtension);
    Configure(Changer, normal);
    Changer.SetFormatString(LibraryFormat(command.Format));
    Changer.SetSaveExtension(command.SaveExtension);
    Changer.SetOnChangingFilesViewClosure(
        RegularExpression::FileMatchViewEventClosure(this, &ChangeWorker::OnChange));
  }
  ChangeWorker(const ChangeWorker&) = delete;
  ChangeWorker& operator=(const ChangeWorker&) = delete;

  FileOutcome Plan(const std::string& file) {
    FileOutcome outcome;
    if (!Command.Binary && LooksBinary(file)) return outcome;
    if (NameReadsAsMask(file)) {
      outcome.Problems.push_back(Row(file, "NameIsAMask",
                                     "the name holds * or ?, which the file search reads as "
                                     "wild cards; the file was not searched"));
      return outcome;
    }
    // The file search passes over a file it cannot read without a word.
    if (!Readable(file, outcome)) return outcome;
    outcome.Plan = Planner.Plan(file, Command.DryRun);
    if (outcome.Plan.Changing == 0) return outcome;
    if (Search.BackupFile(file)) {
      outcome.Skipped = "its name carries the save extension ." + Command.SaveExtension +
                        " (an earlier run's saved copy)";
    } else if (Search.ReadOnlyFile(file)) {
      outcome.Skipped = "it is read-only";
      outcome.SkipIsTrouble = true;
    } else if (outcome.Plan.SpansLines && !Command.WholeText) {
      outcome.Problems.push_back(Row(file, "MatchSpansLines",
                                     "a match takes a line feed; --whole-text allows that"));
    } else if (Command.DryRun) {
      Preview(file, outcome);
    }
    return outcome;
  }

  FileOutcome Write(const std::string& file) {
    FileOutcome outcome;
    Counted = 0;
    Writing = &file;
    Changer.SetFilesToMatch(file);
    const unsigned int written = Changer.ChangeFiles();
    Writing = nullptr;
    const std::vector<RegularExpression::FileChangeProblem>* problems =
        Changer.GetChangeFilesErrors();
    if (problems != nullptr)
      for (const RegularExpression::FileChangeProblem& problem : *problems)
        outcome.Problems.push_back(RowOf(problem, file));
    if (!outcome.Problems.empty()) return outcome;
    if (written == 0) {
      // The file became read-only, or lost its matches, since it was searched.
      outcome.Problems.push_back(
          Row(file, "NotChanged", "the file changed or became read-only while the run went on"));
      return outcome;
    }
    outcome.Changed = true;
    outcome.Written = Counted;
    return outcome;
  }

 private:
  static bool Readable(const std::string& file, FileOutcome& outcome) {
    Platform::FileContent reader;
    if (reader.Open(file.c_str())) return true;
    outcome.Problems.push_back(Row(file, "OpenFileFailed", std::strerror(Platform::LastError())));
    return false;
  }

  void Preview(const std::string& file, FileOutcome& outcome) {
    // The diff is built from the plan, the file read in blocks: memory does not follow the file.
    FileBytes bytes;
    if (!bytes.Open(file)) {
      outcome.Problems.push_back(Row(file, "ReadFailed", std::strerror(bytes.Error())));
      return;
    }
    StringOutput text(outcome.Diff);
    std::ostream diff(&text);
    switch (PrintReplacementDiff(diff, ShownName(DiffLabel(file, "a/")), ShownName(DiffLabel(file, "b/")), bytes,
                                 outcome.Plan.Replacements, Palette(Command.Colour))) {
      case ReplacementDiffResult::Printed:
      case ReplacementDiffResult::NothingChanged:
        return;
      case ReplacementDiffResult::MatchChanged:
        outcome.Problems.push_back(Row(file, "MatchChanged", "the file changed while it was read"));
        break;
      case ReplacementDiffResult::ReadFailed:
        outcome.Problems.push_back(Row(file, "ReadFailed", std::strerror(bytes.Error())));
        break;
    }
    outcome.Diff.clear();  // a part of a diff of a file that changed meanwhile
  }

  void OnChange(RegularExpression*, std::string_view file, const REMatchViewInfo& matches,
                unsigned int, bool& bcontinue) {
    if (Writing == nullptr || file != *Writing) {
      bcontinue = false;
      return;
    }
    if (!matches.empty() && Maker.Replace(matches[0].MatchString) != matches[0].MatchString)
      ++Counted;
  }

  RegularExpression Search;
  ReplacementMaker Maker;
  FilePlanner Planner;
  RegularExpression Changer;
  const ChangeCommand& Command;
  const std::string* Writing = nullptr;
  unsigned int Counted = 0;
};

// The run in order: warnings, problems, the saved copies' names each file claims, the files
// to write, the totals.
class ChangeLedger {
 public:
  ChangeLedger(const ChangeCommand& command, std::ostream& out, std::ostream& err)
      : Command(command), Out(out), Err(err) {}

  // After a file's plan: true when it is to be written.
  bool Planned(const std::string& file, FileOutcome&& outcome) {
    const bool failed = !outcome.Problems.empty();
    Take(outcome.Problems);
    if (!outcome.Skipped.empty()) {
      Err << "regextool: " << file << ": skipped: " << outcome.Skipped << '\n';
      Trouble = Trouble || outcome.SkipIsTrouble;
      return false;
    }
    if (outcome.Plan.Changing == 0 || failed || !ClaimSavedCopy(file))
      return false;
    if (!Command.DryRun) return true;
    Out << outcome.Diff;
    Summary.Replacements += outcome.Plan.Changing;
    ++Summary.FilesChanged;
    return false;
  }

  void Written(FileOutcome&& outcome) {
    Take(outcome.Problems);
    if (!outcome.Changed) return;
    Summary.Replacements += outcome.Written;
    ++Summary.FilesChanged;
  }

  // Prints the summary and the problem table; returns the exit status.
  int Finish() {
    Summary.DryRun = Command.DryRun;
    PrintSummary(Out, Summary);
    PrintProblemRows(Out, Problems);
    if (Trouble || !Problems.empty()) return RegexTool::Trouble;
    return Summary.Replacements != 0 ? Found : NothingFound;
  }

  bool Trouble = false;

 private:
  void Take(std::vector<ProblemRow>& rows) {
    for (ProblemRow& row : rows) Problems.push_back(std::move(row));
  }

  // A saved copy replaces neither another file's saved copy of this run nor an existing file.
  bool ClaimSavedCopy(const std::string& file) {
    if (Command.SaveExtension.empty()) return true;
    const std::string name = SavedCopyName(file, Command.SaveExtension);
    const auto claimed = SavedCopies.find(name);
    if (claimed != SavedCopies.end()) {
      Problems.push_back(Row(file + " (" + name + ")", "SaveCopyCollision",
                             "its saved copy would replace the saved copy of " + claimed->second));
      return false;
    }
    if (Platform::GetAttributes(name).Mode != Platform::AttributesFailed) {
      Problems.push_back(Row(file + " (" + name + ")", "SaveCopyExists",
                             "a file of its saved copy's name exists; remove it or choose "
                             "another --save-ext"));
      return false;
    }
    SavedCopies.emplace(name, file);
    return true;
  }

  const ChangeCommand& Command;
  std::ostream& Out;
  std::ostream& Err;
  ChangeSummary Summary;
  std::vector<ProblemRow> Problems;
  std::map<std::string, std::string> SavedCopies;  // name -> the file it saves
};

}  // namespace

std::string SavedCopyName(const std::string& file, const std::string& extension) {
  const std::size_t slash = file.rfind('/');
  const std::size_t own = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = file.rfind('.');
  const std::string stem = dot == std::string::npos || dot < own ? file : file.substr(0, dot);
  return stem + "." + extension;
}

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err) {
  PatternSettings normal;
  std::string reason;
  if (!NormalSyntaxSettings(settings, normal, reason)) {
    err << "regextool: " << reason << '\n';
    return Trouble;
  }
  // As in sed, . stops at a line feed unless the whole text is asked for.
  if (!command.WholeText) normal.MatchOptions.push_back("MatchNotDotNewline");
  {
    RegularExpression probe;
    Configure(probe, normal);
    std::string error;
    if (!CompilePattern(probe, error)) {
      err << "regextool: bad pattern: " << error << '\n';
      return Trouble;
    }
  }

  std::vector<std::string> files;
  std::vector<WalkProblem> walkProblems;
  WalkPaths(command.Paths, [&files](const std::string& file) { files.push_back(file); },
            walkProblems);
  ChangeLedger ledger(command, out, err);
  for (const WalkProblem& problem : walkProblems) {
    err << "regextool: " << problem.Path << ": " << problem.Message << '\n';
    ledger.Trouble = true;
  }

  const unsigned threads = command.Threads == 0 ? 1 : command.Threads;
  std::vector<std::unique_ptr<ChangeWorker>> workers;
  for (unsigned i = 0; i < threads; ++i)
    workers.push_back(std::make_unique<ChangeWorker>(normal, command));

  std::vector<std::size_t> toWrite;
  RunInOrder<FileOutcome>(
      files.size(), threads,
      [&](unsigned thread, std::size_t item) { return workers[thread]->Plan(files[item]); },
      [&](std::size_t item, FileOutcome&& outcome) {
        if (ledger.Planned(files[item], std::move(outcome))) toWrite.push_back(item);
      });
  RunInOrder<FileOutcome>(
      toWrite.size(), threads,
      [&](unsigned thread, std::size_t item) { return workers[thread]->Write(files[toWrite[item]]); },
      [&](std::size_t item, FileOutcome&& outcome) {
        ledger.Written(std::move(outcome));
        if (command.Progress)
          err << "\rchanging: " << item + 1 << " of " << toWrite.size() << " files" << std::flush;
      });
  if (command.Progress && !toWrite.empty()) err << "\r\033[K" << std::flush;
  return ledger.Finish();
}

}  // namespace RegexTool
