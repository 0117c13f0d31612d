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
  ContinueMatchEvents events{OnMerging, OnMergingClosure, OnMergingView, OnMergingViewClosure, {},
                             {}};
  auto fire = [&](const grepcore::Match& match, bool& bcontinue) {
    events.Fire(this, match, bcontinue);
  };
  auto format = [this](std::string& replacement) { Format(replacement); };
  Common::MergeWithStep(Settings->Pattern(), Settings->StringToMatch.Share(), MergeCopy,
                        GetMatchFlags(), MergeOutput, MergePosition, AbandonReason,
                        [&](const Common::MergeRun& run, const grepcore::Match& match) {
                          return Common::MergeMatchStep(run, CurrentGrepMatch, match, fire, format);
                        });
  // The working output is not read after the run: handed over, not copied.
  result = std::move(MergeOutput);
  MergeOutput.clear();
}

}  // namespace RegexClass
