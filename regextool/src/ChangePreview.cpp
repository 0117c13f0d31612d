#include "ChangePreview.h"

#include <cstring>

#include "LineDiff.h"
#include "WholeInput.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchInfo;

struct PlannedFile {
  std::string Name;
  std::vector<PlannedReplacement> Plan;
};

// Gathers what a change run would gather: the matches of each file, in the order the search
// reports them, until the run would stop.
class PlanCollector {
 public:
  explicit PlanCollector(ReplacementMaker& maker) : Maker(maker) {}

  void OnMatch(RegularExpression* sender, std::string file, const REMatchInfo& matches,
               unsigned int, bool& bcontinue) {
    if (Files.empty() || Files.back().Name != file) {
      const std::string reason = StopReason(*sender, file);
      if (!reason.empty()) {
        StoppedAt = file;
        StoppedReason = reason;
        bcontinue = false;
        return;
      }
      Files.push_back({file, {}});
    }
    if (matches.empty()) return;
    PlannedReplacement replacement;
    replacement.Position = matches[0].Position;
    replacement.Matched = matches[0].MatchString;
    replacement.Replacement = Maker.Replace(replacement.Matched);
    Files.back().Plan.push_back(std::move(replacement));
  }

  std::vector<PlannedFile> Files;
  std::string StoppedAt, StoppedReason;

 private:
  ReplacementMaker& Maker;
};

}  // namespace

ReplacementMaker::ReplacementMaker(const PatternSettings& settings, const std::string& format) {
  Configure(Formatter, settings);
  Formatter.SetFormatString(format);
  Formatter.SetMergeCopy(true);
}

std::string ReplacementMaker::Replace(const std::string& matched) {
  Formatter.SetStringToMatch(matched);
  std::string result;
  Formatter.Merge(result);
  return result;
}

bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result) {
  result.clear();
  std::size_t copied = 0;
  for (const PlannedReplacement& replacement : plan) {
    if (replacement.Position < 0) return false;
    const std::size_t position = static_cast<std::size_t>(replacement.Position);
    if (position < copied ||
        content.compare(position, replacement.Matched.size(), replacement.Matched) != 0)
      return false;
    result.append(content, copied, position - copied);
    result += replacement.Replacement;
    copied = position + replacement.Matched.size();
  }
  result.append(content, copied, std::string::npos);
  return true;
}

ChangeSummary PreviewChange(const PatternSettings& settings, const std::string& format,
                            const std::string& mask, const std::string& saveExtension,
                            const Palette& palette, std::ostream& out, std::ostream& err,
                            bool& trouble) {
  RegularExpression search;
  Configure(search, settings);
  search.SetFilesToMatch(mask);
  search.SetSaveExtension(saveExtension);
  ReplacementMaker maker(settings, format);
  PlanCollector collector(maker);
  search.SetOnGreppingFilesClosure(
      RegularExpression::FileMatchEventClosure(&collector, &PlanCollector::OnMatch));
  search.GrepFiles();

  ChangeSummary summary;
  summary.DryRun = true;
  summary.StoppedAt = collector.StoppedAt;
  summary.StoppedReason = collector.StoppedReason;
  for (const PlannedFile& file : collector.Files) {
    std::string before, after;
    if (const int error = ReadWholeFile(file.Name, before)) {
      err << "regextool: cannot read " << file.Name << ": " << std::strerror(error) << '\n';
      trouble = true;
      continue;
    }
    if (!ApplyReplacements(before, file.Plan, after)) {
      err << "regextool: " << file.Name << " changed while it was searched\n";
      trouble = true;
      continue;
    }
    const bool absolute = !file.Name.empty() && file.Name[0] == '/';
    PrintUnifiedDiff(out, absolute ? file.Name : "a/" + file.Name,
                     absolute ? file.Name : "b/" + file.Name, before, after, palette);
    summary.Replacements += static_cast<unsigned int>(file.Plan.size());
    ++summary.FilesChanged;
  }
  return summary;
}

}  // namespace RegexTool
