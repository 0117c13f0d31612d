#include "ChangePreview.h"

namespace RegexTool {

using RegexClass::RegularExpression;
using RegexClass::REMatchViewInfo;

ReplacementMaker::ReplacementMaker(const PatternSettings& settings, const std::string& format) {
  Configure(Formatter, settings);
  Formatter.SetFormatString(format);
  Formatter.SetMergeCopy(true);
  Formatter.SetOnSearchingViewClosure(
      RegularExpression::MatchViewEventClosure(this, &ReplacementMaker::OnSearch));
}

std::string ReplacementMaker::Replace(std::string_view matched) {
  std::string result;
  Formatter.SetStringToMatch(std::string(matched));
  if (!matched.empty()) {
    Formatter.Merge(result);
    return result;
  }
  // Merge takes an empty text for no text; the change run merges over an empty match too,
  // where the one possible match is the empty one at its start.
  Formatted = &result;
  Formatter.Search();
  Formatted = nullptr;
  return result;
}

void ReplacementMaker::OnSearch(RegularExpression* sender, const REMatchViewInfo&, unsigned int,
                                std::uint64_t) {
  if (Formatted != nullptr) sender->Format(*Formatted);
}

bool ApplyReplacements(const std::string& content, const std::vector<PlannedReplacement>& plan,
                       std::string& result) {
  result.clear();
  std::size_t copied = 0;
  for (const PlannedReplacement& replacement : plan) {
    if (replacement.Position < 0) return false;
    const std::size_t position = static_cast<std::size_t>(replacement.Position);
    if (position < copied || position > content.size() ||
        content.compare(position, replacement.Matched.size(), replacement.Matched) != 0)
      return false;
    result.append(content, copied, position - copied);
    result += replacement.Replacement;
    copied = position + replacement.Matched.size();
  }
  result.append(content, copied, std::string::npos);
  return true;
}

FilePlanner::FilePlanner(RegularExpression& search, ReplacementMaker& maker)
    : Search(search), Maker(maker) {
  Search.SetOnGreppingFilesViewClosure(
      RegularExpression::FileMatchViewEventClosure(this, &FilePlanner::OnMatch));
}

FilePlan FilePlanner::Plan(const std::string& file, bool keepReplacements) {
  FilePlan plan;
  File = &file;
  Current = &plan;
  Keep = keepReplacements;
  Search.SetFilesToMatch(file);
  Search.GrepFiles();
  Current = nullptr;
  File = nullptr;
  return plan;
}

void FilePlanner::OnMatch(RegularExpression*, std::string_view file,
                          const REMatchViewInfo& matches, unsigned int, bool&) {
  // The mask is the file's own name; a name that reads as a wild card is refused before this.
  if (Current == nullptr || matches.empty() || file != *File) return;
  std::string replacement = Maker.Replace(matches[0].MatchString);
  ++Current->Matches;
  if (matches[0].MatchString.find('\n') != std::string_view::npos) Current->SpansLines = true;
  if (replacement != matches[0].MatchString) ++Current->Changing;
  if (!Keep) return;
  Current->Replacements.push_back(
      {matches[0].Position, std::string(matches[0].MatchString), std::move(replacement)});
}

}  // namespace RegexTool
