// Match, MatchAll, Search and Grep over StringToMatch, and the current match.
#include "EventSlots.h"
#include "MatchInfo.h"
#include "common/ObjectSettings.h"
#include "common/StringOperations.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

bool RegularExpression::Match() {
  return RunMatch(true, false, OnMatching, OnMatchingClosure, OnMatchingView,
                  OnMatchingViewClosure);
}

bool RegularExpression::MatchAll() {
  return RunMatch(true, true, OnMatching, OnMatchingClosure, OnMatchingView, OnMatchingViewClosure);
}

bool RegularExpression::Search() {
  return RunMatch(false, false, OnSearching, OnSearchingClosure, OnSearchingView,
                  OnSearchingViewClosure);
}

bool RegularExpression::RunMatch(bool anchored, bool wholeText, MatchEvent plain,
                                 const MatchEventClosure& bound, MatchViewEvent plainView,
                                 const MatchViewEventClosure& boundView) {
  AbandonReason.clear();
  if (ParseExpression() != 0) return false;
  const Common::StringMatchKind kind = !anchored   ? Common::StringMatchKind::Search
                                       : wholeText ? Common::StringMatchKind::MatchAll
                                                   : Common::StringMatchKind::Match;
  return Common::StringMatchOperation(
      Settings->Pattern(), Settings->StringToMatch.Get(), kind, GetMatchFlags(), CurrentMatch,
      AbandonReason, [&](const grepcore::Match& match) {
        if (HasHandler(plain, bound))
          Fire(plain, bound, this, GetMatchingInformation(), static_cast<unsigned>(match.Line()),
               match.LineStart());
        if (HasHandler(plainView, boundView)) {
          REMatchViewInfo views;
          FillMatchViewInfo(match, views);
          Fire(plainView, boundView, this, static_cast<const REMatchViewInfo&>(views),
               static_cast<unsigned>(match.Line()), match.LineStart());
        }
      });
}

unsigned int RegularExpression::Grep() {
  AbandonReason.clear();
  if (Settings->StringToMatch.empty()) return 0;
  if (ParseExpression() != 0) return 0;
  ContinueMatchEvents events{
      OnGrepping, OnGreppingClosure, OnGreppingView, OnGreppingViewClosure, {}, {}};
  auto fire = [&](const grepcore::Match& match, bool& bcontinue) {
    events.Fire(this, match, bcontinue);
  };
  return Common::GrepText(Settings->Pattern(), Settings->StringToMatch.Share(), GetMatchFlags(),
                          events.Any(), AbandonReason, [&](const grepcore::Match& match) {
                            return Common::GrepMatchStep(CurrentGrepMatch, match, fire);
                          });
}

REMatchInfo RegularExpression::GetMatchingInformation() const {
  if (CurrentGrepMatch != nullptr) return BuildMatchInfo(*CurrentGrepMatch);
  if (CurrentMatch) return BuildMatchInfo(*CurrentMatch);
  return REMatchInfo();
}

void RegularExpression::ResetMatches() { CurrentMatch.reset(); }

bool RegularExpression::LastOperationAbandoned() const { return !AbandonReason.empty(); }

std::string RegularExpression::GetAbandonReason() const { return AbandonReason; }

}  // namespace RegexClass
