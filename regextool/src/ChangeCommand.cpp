#include "ChangeCommand.h"

#include <common/SavedCopies.h>
#include <platform/EntryPaths.h>
#include <platform/ThreadSlot.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "ChangeCommit.h"
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

// A file's changing replacements are kept from its plan to its rewrite while they take no
// more than this, and the whole plan's no more than that; the others are searched again at
// their turn, their replacements streamed into the rewrite in portions.
constexpr std::uint64_t KeptBytesPerFile = std::uint64_t{4} << 20;
constexpr std::uint64_t KeptBytesPerRun = std::uint64_t{64} << 20;
// Replacements found again reach the rewrite in portions of this size.
constexpr std::uint64_t SearchAgainPortion = std::uint64_t{1} << 20;
// Directory handles the plan holds on to; the others are let go and their directories'
// identities kept.
constexpr std::size_t HeldDirectories = 256;

std::uint64_t BytesOf(std::string_view matched, const std::string& replacement) {
  return sizeof(PlannedReplacement) + matched.size() + replacement.size();
}

std::string DiffLabel(const std::string& file, const char* side) {
  if (!file.empty() && file[0] == '/') return file;
  return side + (file.compare(0, 2, "./") == 0 ? file.substr(2) : file);
}

// What the plan made of one file.
struct FileOutcome {
  FileToWrite Write;
  std::string SameAs;   // another name of a file already in the plan
  std::string Skipped;  // why the file is left alone, empty when it is not
  bool SkipIsTrouble = false;
  bool SpansLines = false;
  std::string Diff;  // the dry run's difference
  std::vector<ProblemRow> Problems;
};

// The content of a walked file, read once through a check that it is the entry walked.
bool ReadWalkedFile(const WalkedFile& file, std::vector<char>& buffer, std::uint64_t& length,
                    Platform::FileAttributes& attributes, int& error) {
  Platform::EntryIdentity expected;
  expected.Device = file.Device;
  expected.Inode = file.Inode;
  const std::unique_ptr<Platform::File> input =
      Platform::OpenWalkedEntry(file.TargetPath(), expected);
  Platform::FileIdentity identity;
  if (!input || !input->Describe(identity, attributes)) {
    error = Platform::LastError();
    return false;
  }
  length = 0;
  if (buffer.size() < identity.Size + 1) buffer.resize(static_cast<std::size_t>(identity.Size) + 1);
  for (;;) {
    std::size_t got = 0;
    if (!input->ReadSome(buffer.data() + length, buffer.size() - length, got)) {
      error = Platform::LastError();
      return false;
    }
    length += got;
    if (length < buffer.size()) return true;
    buffer.resize(buffer.size() * 2);  // the file grew since it was described
  }
}

// One thread's toolkit objects: the planner and its read buffer.
class ChangeWorker {
 public:
  ChangeWorker(const PatternSettings& normal, const ChangeCommand& command,
               std::atomic<std::uint64_t>& kept)
      : Planner(normal, LibraryFormat(command.Format), command.WholeText),
        Command(command),
        KeptInRun(kept) {}
  ChangeWorker(const ChangeWorker&) = delete;
  ChangeWorker& operator=(const ChangeWorker&) = delete;

  FileOutcome Plan(WalkedFile&& file) {
    FileOutcome outcome;
    outcome.Write.File = std::move(file);
    const WalkedFile& walked = outcome.Write.File;
    if (!walked.Problem.empty()) {
      outcome.Problems.push_back(Row(walked.Shown, "OpenFileFailed", walked.Problem));
      return outcome;
    }
    std::uint64_t length = 0;
    Platform::FileAttributes attributes;
    int error = 0;
    if (!ReadWalkedFile(walked, Buffer, length, attributes, error)) {
      if (error == ENOENT) {
        outcome.Skipped = "it is gone (deleted since the walk)";
        outcome.SkipIsTrouble = true;
      } else if (error == ESTALE || error == ELOOP) {
        outcome.Problems.push_back(
            Row(walked.Shown, "OpenFileFailed",
                "it is no longer the file that was walked (a link or another "
                "file took its name); it was not searched"));
      } else {
        outcome.Problems.push_back(Row(walked.Shown, "OpenFileFailed", std::strerror(error)));
      }
      return outcome;
    }
    const std::string_view content(Buffer.data(), static_cast<std::size_t>(length));
    if (!Command.Binary && FirstBlockHoldsNul(content)) return outcome;

    std::vector<PlannedReplacement> shown;  // the dry run's replacements, for its diff
    std::uint64_t keptBytes = 0;
    bool keep = !Command.DryRun;
    std::vector<PlannedReplacement>& kept = outcome.Write.Replacements;
    const FileMatches found = Planner.Plan(
        content,
        [&](std::int64_t position, std::string_view matched, const std::string& replacement) {
          if (Command.DryRun) {
            shown.push_back({position, std::string(matched), replacement});
            return;
          }
          if (!keep) return;
          keptBytes += BytesOf(matched, replacement);
          if (keptBytes > KeptBytesPerFile) {
            keep = false;
            kept = std::vector<PlannedReplacement>();
            return;
          }
          kept.push_back({position, std::string(matched), replacement});
        });
    outcome.Write.Changing = found.Changing;
    outcome.Write.NewSize =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(length) + found.Growth);
    outcome.SpansLines = found.SpansLines;
    if (keep && !Command.DryRun) {
      outcome.Write.Kept = KeptInRun.fetch_add(keptBytes) + keptBytes <= KeptBytesPerRun;
      if (!outcome.Write.Kept) {
        KeptInRun.fetch_sub(keptBytes);
        kept = std::vector<PlannedReplacement>();
      }
    }
    if (found.Changing == 0 && !found.Abandoned) return outcome;

    if (!Command.SaveExtension.empty() &&
        Common::CarriesExtension(walked.Name, Command.SaveExtension)) {
      outcome.Skipped = "its name carries the save extension ." + Command.SaveExtension +
                        " (an earlier run's saved copy)";
    } else if ((attributes.Mode & 0200) == 0) {
      outcome.Skipped = "it is read-only";
      outcome.SkipIsTrouble = true;
    } else if (found.Abandoned) {
      outcome.Problems.push_back(
          Row(walked.Shown, "SearchAbandoned",
              "the pattern was too complex for this file; it was left as it is"));
    } else if (found.SpansLines && !Command.WholeText) {
      outcome.Problems.push_back(Row(walked.Shown, "MatchSpansLines",
                                     "a match takes a line feed; --whole-text allows that"));
    } else if (Command.DryRun) {
      // A positional diff from the plan: nothing in it grows with the file's lines.
      const std::string label = walked.Shown == walked.Path ? walked.Path : walked.TargetPath();
      TextBytes bytes(content);
      StringOutput text(outcome.Diff);
      std::ostream diff(&text);
      if (PrintReplacementDiff(diff, ShownName(DiffLabel(label, "a/")),
                               ShownName(DiffLabel(label, "b/")), bytes, shown,
                               Palette(Command.Colour)) == ReplacementDiffResult::MatchChanged) {
        outcome.Diff.clear();
        outcome.Problems.push_back(
            Row(walked.Shown, "MatchChanged", "the file changed while it was read"));
      }
    }
    if (!outcome.Skipped.empty() || !outcome.Problems.empty()) {
      if (outcome.Write.Kept) KeptInRun.fetch_sub(keptBytes);  // not written: room for others
      outcome.Write.Kept = false;
      kept = std::vector<PlannedReplacement>();
    } else if (!Command.SaveExtension.empty()) {
      outcome.Write.SaveName = Common::SavedCopyName(walked.Name, Command.SaveExtension);
    }
    return outcome;
  }

  // The file's replacements found again, streamed into its rewrite.
  bool SearchAgain(const FileToWrite& file, Common::FileRewriter& rewriter, ProblemRow& problem) {
    std::uint64_t length = 0;
    Platform::FileAttributes attributes;
    int error = 0;
    if (!ReadWalkedFile(file.File, Buffer, length, attributes, error)) {
      problem = Row(file.File.Shown, "ReadFailed", std::strerror(error));
      return false;
    }
    std::vector<PlannedReplacement> portion;
    std::uint64_t bytes = 0;
    auto flush = [&] {
      std::vector<Common::Replacement> replacements;
      replacements.reserve(portion.size());
      for (const PlannedReplacement& r : portion)
        replacements.push_back({r.Position, &r.Matched, &r.Replacement});
      rewriter.Add(replacements);
      portion.clear();
      bytes = 0;
    };
    const FileMatches found = Planner.Plan(
        std::string_view(Buffer.data(), static_cast<std::size_t>(length)),
        [&](std::int64_t position, std::string_view matched, const std::string& replacement) {
          portion.push_back({position, std::string(matched), replacement});
          bytes += BytesOf(matched, replacement);
          if (bytes >= SearchAgainPortion) flush();
        });
    flush();
    if (found.Changing != file.Changing || found.Abandoned) {
      problem = Row(file.File.Shown, "MatchChanged", "the file changed since it was searched");
      return false;
    }
    return true;
  }

 private:
  FilePlanner Planner;
  const ChangeCommand& Command;
  std::atomic<std::uint64_t>& KeptInRun;
  std::vector<char> Buffer;
};

// The run in order: warnings, problems, the files to write, the totals.
class ChangeLedger {
 public:
  ChangeLedger(const ChangeCommand& command, std::ostream& out, std::ostream& err)
      : Command(command), Out(out), Err(err) {}

  // After a file's plan.
  void Planned(FileOutcome&& outcome) {
    const std::string& shown = outcome.Write.File.Shown;
    if (!outcome.SameAs.empty()) {
      Err << "regextool: " << ShownName(outcome.Write.File.Path) << ": skipped: the same file as "
          << ShownName(outcome.SameAs) << '\n';
      return;
    }
    const bool failed = !outcome.Problems.empty();
    Take(outcome.Problems);
    if (!outcome.Skipped.empty()) {
      Skip(shown, outcome.Skipped, outcome.SkipIsTrouble);
      return;
    }
    if (outcome.Write.Changing == 0 || failed) return;
    if (Command.DryRun) {
      Out << outcome.Diff;
      Summary.Replacements += outcome.Write.Changing;
      ++Summary.FilesChanged;
      NoteLink(outcome.Write.File);
    }
    ToWrite.push_back(std::move(outcome.Write));
  }

  // Finds the saved copies that would collide, before anything is written: true when there
  // are none.
  bool SavedCopiesFree() {
    if (Command.SaveExtension.empty()) return true;
    using Key = std::tuple<std::uint64_t, std::uint64_t, std::string>;
    std::map<Key, const FileToWrite*> claimed;
    std::size_t collisions = 0;
    for (const FileToWrite& file : ToWrite) {
      const std::string saved = file.File.SiblingPath(file.SaveName);
      const std::string named = file.File.Shown + " (" + saved + ")";
      const Key key{file.File.DirectoryId.Device, file.File.DirectoryId.Inode, file.SaveName};
      const auto first = claimed.emplace(key, &file);
      Platform::EntryIdentity existing;
      if (!first.second) {
        Problems.push_back(Row(
            named, "SaveCopyCollision",
            "its saved copy would replace the saved copy of " + first.first->second->File.Shown));
        ++collisions;
      } else if (Platform::DescribeEntry(saved, existing)) {
        Problems.push_back(
            Row(named, "SaveCopyExists",
                "a file of its saved copy's name exists; remove it or choose another --save-ext"));
        ++collisions;
      }
    }
    if (collisions == 0) return true;
    Err << "regextool: " << (Command.DryRun ? "the run would be refused" : "nothing was changed")
        << ": " << collisions << (collisions == 1 ? " saved copy" : " saved copies")
        << " would replace another file (see the table)\n";
    Trouble = true;
    return false;
  }

  void Written(const FileToWrite& file, WrittenFile&& outcome) {
    Take(outcome.Problems);
    if (!outcome.Skipped.empty()) Skip(file.File.Shown, outcome.Skipped, true);
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

  std::vector<FileToWrite> ToWrite;
  bool Trouble = false;

 private:
  void Take(std::vector<ProblemRow>& rows) {
    for (ProblemRow& row : rows) Problems.push_back(std::move(row));
  }

  void NoteLink(const WalkedFile& file) {
    if (file.Shown != file.Path) Links.push_back(file.Shown);
  }

  const ChangeCommand& Command;
  std::ostream& Out;
  std::ostream& Err;
  ChangeSummary Summary;
  std::vector<ProblemRow> Problems;
  std::vector<std::string> Links;
};

// The walked files, each with the name it was first reached by when another name of it came
// before (by device and inode). Handles beyond the first directories' are let go.
struct WalkedFiles {
  std::vector<WalkedFile> Files;
  std::vector<std::string> SameAs;

  void Add(WalkedFile&& file) {
    std::string same;
    if (file.Problem.empty()) {
      const auto first = Seen.emplace(std::make_pair(file.Device, file.Inode), file.Shown);
      if (!first.second) same = first.first->second;
    }
    if (file.Directory && file.Directory.get() != LastDirectory) {
      LastDirectory = file.Directory.get();
      if (++Directories > HeldDirectories) Release = true;
    }
    if (Release) file.Directory.reset();
    Files.push_back(std::move(file));
    SameAs.push_back(std::move(same));
  }

 private:
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> Seen;
  const Platform::Directory* LastDirectory = nullptr;
  std::size_t Directories = 0;
  bool Release = false;
};

}  // namespace

std::string SavedCopyName(const std::string& file, const std::string& extension) {
  return Common::SavedCopyName(file, extension);
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

  PathSelection selection = command.Paths;
  selection.Identities = true;
  selection.ChangeNothing = command.DryRun;
  WalkedFiles walked;
  std::vector<WalkProblem> walkProblems;
  WalkFiles(
      selection, [&walked](WalkedFile&& file) { walked.Add(std::move(file)); }, walkProblems);
  ChangeLedger ledger(command, out, err);
  for (const WalkProblem& problem : walkProblems) {
    err << "regextool: " << ShownName(problem.Path) << ": " << problem.Message << '\n';
    ledger.Trouble = true;
  }

  const unsigned threads = command.Threads == 0 ? 1 : command.Threads;
  std::atomic<std::uint64_t> kept{0};
  std::vector<std::unique_ptr<ChangeWorker>> workers;
  for (unsigned i = 0; i < threads; ++i)
    workers.push_back(std::make_unique<ChangeWorker>(normal, command, kept));

  RunInOrder<FileOutcome>(
      walked.Files.size(), threads,
      [&](unsigned thread, std::size_t item) {
        if (!walked.SameAs[item].empty()) {
          FileOutcome duplicate;
          duplicate.Write.File = std::move(walked.Files[item]);
          duplicate.SameAs = walked.SameAs[item];
          return duplicate;
        }
        return workers[thread]->Plan(std::move(walked.Files[item]));
      },
      [&](std::size_t, FileOutcome&& outcome) { ledger.Planned(std::move(outcome)); });

  if (!ledger.SavedCopiesFree() || command.DryRun) return ledger.Finish();
  std::vector<FileToWrite>& files = ledger.ToWrite;
  CommitPlan(
      files, threads,
      [&](unsigned thread, const FileToWrite& file, Common::FileRewriter& rewriter,
          ProblemRow& problem) { return workers[thread]->SearchAgain(file, rewriter, problem); },
      [&](std::size_t item, WrittenFile&& outcome) {
        ledger.Written(files[item], std::move(outcome));
        if (command.Progress)
          err << "\rchanging: " << item + 1 << " of " << files.size() << " files" << std::flush;
      });
  if (command.Progress && !files.empty()) err << "\r\033[K" << std::flush;
  return ledger.Finish();
}

}  // namespace RegexTool
