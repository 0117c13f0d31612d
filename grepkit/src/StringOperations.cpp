// Match, MatchAll, Search, Grep, Format and Merge over StringToMatch, with closure events and
// 1-based positions in the match records.
#include "common/StringOperations.h"

#include <utility>

#include "Texts.h"
#include "common/MatchRecords.h"
#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {
namespace {

// Positions count from 1; a part that took no part has position 0.
constexpr Common::PositionRule OneBased{1, 0};

REMatchInfo Records(const GrepEngine::MatchResults& match) {
  REMatchInfo info;
  Common::FillMatchRecords(match, info, OneBased, &AssignAnsi);
  return info;
}

// The merge MergeCallbackPredicate serves, for as long as one step runs.
class ServingMerge {
 public:
  ServingMerge(const Common::MergeRun*& slot, const Common::MergeRun& run) : Slot(slot) {
    Slot = &run;
  }
  ~ServingMerge() { Slot = nullptr; }
  ServingMerge(const ServingMerge&) = delete;
  ServingMerge& operator=(const ServingMerge&) = delete;

 private:
  const Common::MergeRun*& Slot;
};

}  // namespace

using RE = RegularExpressionCustom;

bool RE::Match() { return RunMatch(static_cast<int>(Common::StringMatchKind::Match), OnMatching); }

bool RE::MatchAll() {
  return RunMatch(static_cast<int>(Common::StringMatchKind::MatchAll), OnMatching);
}

bool RE::Search() {
  return RunMatch(static_cast<int>(Common::StringMatchKind::Search), OnSearching);
}

bool RE::RunMatch(int kind, const MatchEvent& handler) {
  AbandonReason.clear();
  if (ParseExpression() != 0) return false;
  return Common::StringMatchOperation(
      *CompiledExpression, StringToMatch, static_cast<Common::StringMatchKind>(kind),
      GetMatchFlags(), CurrentMatch, AbandonReason, [&](const GrepEngine::MatchResults& match) {
        if (handler) handler(this, GetMatchingInformation(), match.Line(), match.LineStart());
      });
}

unsigned int RE::Grep() {
  AbandonReason.clear();
  if (StringToMatch.empty()) return 0;
  if (ParseExpression() != 0) return 0;
  PredicateClosure = Predicate(this, &RE::GrepCallbackPredicate);
  const Predicate predicate = PredicateClosure;
  return Common::GrepText(*CompiledExpression, StringToMatch, GetMatchFlags(),
                          static_cast<bool>(OnGrepping), AbandonReason,
                          [&](const GrepEngine::MatchResults& match) { return predicate(match); });
}

bool RE::GrepCallbackPredicate(const GrepEngine::MatchResults& match) {
  return Common::GrepMatchStep(CurrentGrepMatch, match,
                               [this](const GrepEngine::MatchResults& m, bool& bcontinue) {
                                 if (OnGrepping)
                                   OnGrepping(this, Records(m), m.Line(), m.LineStart(), bcontinue);
                               });
}

REMatchInfo RE::GetMatchingInformation() const {
  if (CurrentGrepMatch != nullptr) return Records(*CurrentGrepMatch);
  if (CurrentMatch) return Records(*CurrentMatch);
  return REMatchInfo();
}

void RE::ResetMatches() { CurrentMatch.reset(); }

bool RE::LastOperationAbandoned() const { return !AbandonReason.empty(); }

AnsiString RE::GetAbandonReason() const { return ToAnsi(AbandonReason); }

void RE::Format(AnsiString& result) const {
  std::string text;
  Common::FormatCurrentMatch(CurrentGrepMatch, CurrentMatch.get(), FormatString, Locale, text);
  result = ToAnsi(text);
}

void RE::Merge(AnsiString& result) {
  result = AnsiString();
  AbandonReason.clear();
  if (FormatString.empty() || StringToMatch.empty()) return;
  if (ParseExpression() != 0) return;
  if (!OnMerging) {
    std::string merged;
    Common::PlainMerge(*CompiledExpression, StringToMatch, FormatString, MergeCopy, GetMatchFlags(),
                       merged, AbandonReason);
    result = ToAnsi(std::move(merged));
    return;
  }
  PredicateClosure = Predicate(this, &RE::MergeCallbackPredicate);
  const Predicate predicate = PredicateClosure;
  Common::MergeWithStep(*CompiledExpression, StringToMatch, MergeCopy, GetMatchFlags(), MergeOutput,
                        MergePosition, AbandonReason,
                        [&](const Common::MergeRun& run, const GrepEngine::MatchResults& match) {
                          const ServingMerge serving(RunningMerge, run);
                          return predicate(match);
                        });
  // The working output is not read after the run: handed over, not copied.
  result = ToAnsi(std::move(MergeOutput));
  MergeOutput.clear();
}

bool RE::MergeCallbackPredicate(const GrepEngine::MatchResults& match) {
  if (RunningMerge == nullptr) return false;  // called outside a merge: nothing to merge into
  auto fire = [this](const GrepEngine::MatchResults& m, bool& bcontinue) {
    if (OnMerging) OnMerging(this, Records(m), m.Line(), m.LineStart(), bcontinue);
  };
  auto format = [this](std::string& replacement) {
    Common::FormatCurrentMatch(CurrentGrepMatch, CurrentMatch.get(), FormatString, Locale,
                               replacement);
  };
  return Common::MergeMatchStep(*RunningMerge, CurrentGrepMatch, match, fire, format);
}

}  // namespace RegexComponent
