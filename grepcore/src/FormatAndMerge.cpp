// Format of the current match, and search-and-replace over StringToMatch.
#include <utility>

#include "EventSlots.h"
#include "MatchInfo.h"
#include "common/ObjectSettings.h"
#include "common/StringOperations.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

void RegularExpression::Format(std::string& result) const {
  Common::FormatCurrentMatch(CurrentGrepMatch, CurrentMatch.get(), Settings->FormatString,
                             Settings->Locale, result);
}

void RegularExpression::Merge(std::string& result) {
  result.clear();
  AbandonReason.clear();
  if (Settings->FormatString.empty() || Settings->StringToMatch.empty()) return;
  if (ParseExpression() != 0) return;
  if (HasHandler(OnMerging, OnMergingClosure) || HasHandler(OnMergingView, OnMergingViewClosure)) {
    MergeWithHandler(result);
    return;
  }
  Common::PlainMerge(Settings->Pattern(), Settings->StringToMatch.Get(), Settings->FormatString,
                     MergeCopy, GetMatchFlags(), result, AbandonReason);
}

// Each match goes to the handler first; a refused match stays as it is and ends the run.
void RegularExpression::MergeWithHandler(std::string& result) {
  const ContinueMatchEvent plain = OnMerging;
  const ContinueMatchEventClosure bound = OnMergingClosure;
  const ContinueMatchViewEvent plainView = OnMergingView;
  const ContinueMatchViewEventClosure boundView = OnMergingViewClosure;
  REMatchInfo info;
  REMatchViewInfo views;
  auto fire = [&](const grepcore::Match& match, bool& bcontinue) {
    if (HasHandler(plain, bound)) {
      FillMatchInfo(match, info);
      Fire(plain, bound, this, static_cast<const REMatchInfo&>(info),
           static_cast<unsigned>(match.Line()), match.LineStart(), bcontinue);
    }
    if (HasHandler(plainView, boundView)) {
      FillMatchViewInfo(match, views);
      Fire(plainView, boundView, this, static_cast<const REMatchViewInfo&>(views),
           static_cast<unsigned>(match.Line()), match.LineStart(), bcontinue);
    }
  };
  auto format = [this](std::string& replacement) { Format(replacement); };
  Common::MergeWithStep(Settings->Pattern(), Settings->StringToMatch.Share(), MergeCopy, GetMatchFlags(),
                        MergeOutput, MergePosition, AbandonReason,
                        [&](const Common::MergeRun& run, const grepcore::Match& match) {
                          return Common::MergeMatchStep(run, CurrentGrepMatch, match, fire, format);
                        });
  // The working output is not read after the run: handed over, not copied.
  result = std::move(MergeOutput);
  MergeOutput.clear();
}

}  // namespace RegexClass
