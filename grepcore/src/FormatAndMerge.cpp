// Format of the current match, and search-and-replace over StringToMatch.
#include "CurrentMatchGuards.h"
#include "EventSlots.h"
#include "MatchInfo.h"
#include "engine/Matching.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

void RegularExpression::Format(std::string& result) const {
  result.clear();
  if (FormatString.empty()) return;
  const GrepEngine::MatchResults* match =
      CurrentGrepMatch != nullptr ? CurrentGrepMatch : CurrentMatch.get();
  if (match == nullptr) return;
  GrepEngine::FormatMatch(*match, FormatString, result, Locale);
}

void RegularExpression::Merge(std::string& result) {
  result.clear();
  if (FormatString.empty() || StringToMatch.empty()) return;
  if (ParseExpression() != 0) return;
  if (HasHandler(OnMerging, OnMergingClosure)) {
    MergeWithHandler(result);
    return;
  }
  const std::string text = StringToMatch;
  GrepEngine::MergeInto(*CompiledExpression, text.data(), text.data() + text.size(), FormatString,
                        MergeCopy, GetMatchFlags(), result);
}

// Each match goes to the handler first; a refused match stays as it is and ends the run.
void RegularExpression::MergeWithHandler(std::string& result) {
  MergeOutput.clear();
  MergePosition = 0;
  const unsigned flags = GetMatchFlags();
  // The merge reads its own copy, so a handler that assigns StringToMatch cannot pull the
  // text out from under the engine.
  const std::string text = StringToMatch;
  const ContinueMatchEvent plain = OnMerging;
  const ContinueMatchEventClosure bound = OnMergingClosure;
  REMatchInfo info;

  auto onMatch = [&](const GrepEngine::MatchResults& match) {
    bool bcontinue = true;
    const ReportingMatch current(CurrentGrepMatch, match);
    FillMatchInfo(match, info);
    const GrepEngine::SubMatch whole = match.Sub(0);
    const std::uint64_t start = static_cast<std::uint64_t>(whole.Position);
    if (MergeCopy && MergePosition != start) {
      MergeOutput.append(text, MergePosition, start - MergePosition);
      MergePosition = start;
    }
    Fire(plain, bound, this, static_cast<const REMatchInfo&>(info), match.Line(), match.LineStart(), bcontinue);
    if (bcontinue) {
      std::string replacement;
      Format(replacement);  // reads FormatString now: a handler may have changed it
      MergeOutput += replacement;
      if (MergeCopy) MergePosition += whole.Length();
    }
    return bcontinue;
  };
  GrepEngine::GrepIn(*CompiledExpression, text.data(), text.data() + text.size(), flags, onMatch);
  if (MergeCopy && MergePosition != text.size()) MergeOutput.append(text, MergePosition, std::string::npos);
  result = MergeOutput;
}

}  // namespace RegexClass
