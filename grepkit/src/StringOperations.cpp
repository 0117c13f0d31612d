// Match, MatchAll, Search, Grep, Format and Merge over StringToMatch, with closure events and
// 1-based positions in the match records.
#include "common/StringOperations.h"

#include <utility>

#include "Texts.h"
#include "common/MatchRecords.h"
#include "common/ObjectSettings.h"
#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {
namespace {

// Positions count from 1; a part that took no part has position 0.
constexpr Common::PositionRule OneBased{1, 0};

REMatchInfo Records(const grepcore::Match& match) {
  REMatchInfo info;
  Common::FillMatchRecords(match, info, OneBased, &AssignAnsi);
  return info;
}

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
      Settings->Pattern(), Settings->StringToMatch.Get(), static_cast<Common::StringMatchKind>(kind),
      GetMatchFlags(), CurrentMatch, AbandonReason, [&](const grepcore::Match& match) {
        if (handler)
          handler(this, GetMatchingInformation(), static_cast<unsigned>(match.Line()),
                  match.LineStart());
      });
}

unsigned int RE::Grep() {
  AbandonReason.clear();
  if (Settings->StringToMatch.empty()) return 0;
  if (ParseExpression() != 0) return 0;
  auto fire = [this](const grepcore::Match& m, bool& bcontinue) {
    if (OnGrepping)
      OnGrepping(this, Records(m), static_cast<unsigned>(m.Line()), m.LineStart(), bcontinue);
  };
  return Common::GrepText(Settings->Pattern(), Settings->StringToMatch.Share(), GetMatchFlags(),
                          static_cast<bool>(OnGrepping), AbandonReason,
                          [&](const grepcore::Match& match) {
                            return Common::GrepMatchStep(CurrentGrepMatch, match, fire);
                          });
}

bool RE::GrepCallbackPredicate(const GrepEngine::MatchResults&) { return false; }

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
  Common::FormatCurrentMatch(CurrentGrepMatch, CurrentMatch.get(), Settings->FormatString,
                             Settings->Locale, text);
  result = ToAnsi(text);
}

void RE::Merge(AnsiString& result) {
  result = AnsiString();
  AbandonReason.clear();
  if (Settings->FormatString.empty() || Settings->StringToMatch.empty()) return;
  if (ParseExpression() != 0) return;
  const grepcore::Pattern& pattern = Settings->Pattern();
  if (!OnMerging) {
    std::string merged;
    Common::PlainMerge(pattern, Settings->StringToMatch.Get(), Settings->FormatString, MergeCopy,
                       GetMatchFlags(), merged, AbandonReason);
    result = ToAnsi(std::move(merged));
    return;
  }
  auto fire = [this](const grepcore::Match& m, bool& bcontinue) {
    if (OnMerging)
      OnMerging(this, Records(m), static_cast<unsigned>(m.Line()), m.LineStart(), bcontinue);
  };
  auto format = [this](std::string& replacement) {
    Common::FormatCurrentMatch(CurrentGrepMatch, CurrentMatch.get(), Settings->FormatString,
                               Settings->Locale, replacement);
  };
  Common::MergeWithStep(pattern, Settings->StringToMatch.Share(), MergeCopy, GetMatchFlags(), MergeOutput,
                        MergePosition, AbandonReason,
                        [&](const Common::MergeRun& run, const grepcore::Match& match) {
                          return Common::MergeMatchStep(run, CurrentGrepMatch, match, fire, format);
                        });
  // The working output is not read after the run: handed over, not copied.
  result = ToAnsi(std::move(MergeOutput));
  MergeOutput.clear();
}

bool RE::MergeCallbackPredicate(const GrepEngine::MatchResults&) { return false; }

}  // namespace RegexComponent
