#include "FileCommands.h"

#include <set>
#include <utility>
#include <vector>

#include "ChangePreview.h"
#include "ChangeReport.h"
#include "Colour.h"
#include "ExitStatus.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchInfo;

bool Prepare(RegularExpression& re, const PatternSettings& settings, const std::string& mask,
             std::ostream& err) {
  Configure(re, settings);
  re.SetFilesToMatch(mask);
  std::string error;
  if (!CompilePattern(re, error)) {
    err << "regextool: bad pattern: " << error << '\n';
    return false;
  }
  return true;
}

// Follows a change run: which files it gathered, which problems arose while each was
// rewritten, and a progress line for a terminal.
class ChangeWatcher {
 public:
  ChangeWatcher(std::ostream& err, bool progress) : Err(err), Progress(progress) {}

  void OnMatch(RegularExpression* sender, std::string file, const REMatchInfo&, unsigned int,
               bool&) {
    if (Files.empty() || Files.back() != file) {
      // Entering a new file, the run has just rewritten the one before.
      Attribute(*sender);
      Files.push_back(file);
    }
    ++Matches;
    if (Progress && (Matches < 100 || Matches % 100 == 0))
      Err << "\rchanging: " << Files.size() << (Files.size() == 1 ? " file, " : " files, ")
          << Matches << (Matches == 1 ? " replacement" : " replacements") << " so far"
          << std::flush;
  }

  // After the run: attributes the last file's problems and clears the progress line.
  void Finish(const RegularExpression& re) {
    Attribute(re);
    if (Progress && Matches != 0) Err << "\r\033[K" << std::flush;
  }

  std::size_t FilesChanged() const { return Files.size() - Failed.size(); }

  // For each problem of the run, the file whose rewrite it arose in.
  const std::vector<std::string>& ProblemOwners() const { return Owners; }

 private:
  void Attribute(const RegularExpression& re) {
    if (!Files.empty()) SeenFiles.insert(Files.back());
    const std::vector<RegularExpression::FileChangeProblem>* problems = re.GetChangeFilesErrors();
    const std::size_t count = problems == nullptr ? 0 : problems->size();
    for (; Attributed < count; ++Attributed) {
      // A record may name the temporary file or the saved copy: it belongs to the file whose
      // rewrite was under way, unless it names a file of the run itself.
      const std::string& name = (*problems)[Attributed].FileName;
      const std::string owner = SeenFiles.count(name) != 0 || Files.empty() ? name : Files.back();
      Failed.insert(owner);
      Owners.push_back(owner);
    }
  }

  std::ostream& Err;
  bool Progress;
  std::vector<std::string> Files;
  std::set<std::string> SeenFiles;
  std::set<std::string> Failed;
  std::vector<std::string> Owners;
  std::size_t Attributed = 0;
  unsigned int Matches = 0;
};

// A change run ends without a word at the first file with a match that is a saved copy or
// read-only. Looked for before the run, since the run's own saved copies would mislead a
// search afterwards.
class StopFinder {
 public:
  void OnFound(RegularExpression* sender, std::string file, bool& bcontinue) {
    Reason = StopReason(*sender, file);
    if (Reason.empty()) return;
    File = file;
    bcontinue = false;
  }
  std::string File, Reason;
};

}  // namespace

int RunChange(const PatternSettings& settings, const ChangeCommand& command, std::ostream& out,
              std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, command.Mask, err)) return Trouble;
  if (command.DryRun) {
    bool trouble = false;
    const ChangeSummary summary =
        PreviewChange(settings, command.Format, command.Mask, command.SaveExtension,
                      Palette(command.Colour), out, err, trouble);
    PrintSummary(out, summary);
    if (trouble || !summary.StoppedAt.empty()) return Trouble;
    return summary.Replacements != 0 ? Found : NothingFound;
  }

  RegularExpression finder;
  Configure(finder, settings);
  finder.SetFilesToMatch(command.Mask);
  finder.SetSaveExtension(command.SaveExtension);
  StopFinder stop;
  finder.SetOnFindFilesClosure(
      RegularExpression::FileFoundEventClosure(&stop, &StopFinder::OnFound));
  finder.FindFiles();

  re.SetFormatString(command.Format);
  re.SetSaveExtension(command.SaveExtension);
  ChangeWatcher watcher(err, command.Progress);
  re.SetOnChangingFilesClosure(
      RegularExpression::FileMatchEventClosure(&watcher, &ChangeWatcher::OnMatch));
  ChangeSummary summary;
  summary.Replacements = re.ChangeFiles();
  watcher.Finish(re);
  summary.FilesChanged = watcher.FilesChanged();
  summary.StoppedAt = stop.File;
  summary.StoppedReason = stop.Reason;

  PrintSummary(out, summary);
  const std::vector<RegularExpression::FileChangeProblem>* problems = re.GetChangeFilesErrors();
  if (problems != nullptr) PrintProblemTable(out, *problems, watcher.ProblemOwners());
  if ((problems != nullptr && !problems->empty()) || !summary.StoppedAt.empty()) return Trouble;
  return summary.Replacements != 0 ? Found : NothingFound;
}

}  // namespace RegexTool
