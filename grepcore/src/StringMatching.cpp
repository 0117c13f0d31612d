// Match, MatchAll, Search and Grep over StringToMatch, and the current match.
#include "CurrentMatchGuards.h"
#include "EventSlots.h"
#include "MatchInfo.h"
#include "engine/Matching.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

bool RegularExpression::Match() {
  return RunMatch(true, false, OnMatching, OnMatchingClosure);
}

bool RegularExpression::MatchAll() {
  return RunMatch(true, true, OnMatching, OnMatchingClosure);
}

bool RegularExpression::Search() {
  return RunMatch(false, false, OnSearching, OnSearchingClosure);
}

bool RegularExpression::RunMatch(bool anchored, bool wholeText, MatchEvent plain,
                                 const MatchEventClosure& bound) {
  if (ParseExpression() != 0) return false;
  CurrentMatch = std::make_unique<GrepEngine::MatchResults>();
  const ResetOnExit reset(CurrentMatch);
  const char* first = StringToMatch.data();
  const char* last = first + StringToMatch.size();
  const unsigned flags = GetMatchFlags();
  GrepEngine::MatchResults& match = *CurrentMatch;
  const bool found = anchored ? GrepEngine::MatchAt(*CompiledExpression, first, last, flags, match)
                              : GrepEngine::SearchIn(*CompiledExpression, first, last, flags, match);
  if (!found) return false;
  if (wholeText) {
    const GrepEngine::SubMatch whole = match.Sub(0);
    if (whole.Last != last) return false;
  }
  if (HasHandler(plain, bound))
    Fire(plain, bound, this, GetMatchingInformation(), match.Line(), match.LineStart());
  return true;
}

unsigned int RegularExpression::Grep() {
  if (StringToMatch.empty()) return 0;
  if (ParseExpression() != 0) return 0;
  const unsigned flags = GetMatchFlags();
  // Handlers installed during the run are not used by it.
  const ContinueMatchEvent plain = OnGrepping;
  const ContinueMatchEventClosure bound = OnGreppingClosure;
  if (!HasHandler(plain, bound)) {
    // Nothing can change the text while the engine runs: no copy needed.
    const char* first = StringToMatch.data();
    return GrepEngine::GrepIn(*CompiledExpression, first, first + StringToMatch.size(), flags,
                              [](const GrepEngine::MatchResults&) { return true; })
        .Count;
  }
  // The run works on the text as it is now: a handler may assign StringToMatch meanwhile.
  const std::string text = StringToMatch;
  REMatchInfo info;
  auto onMatch = [&](const GrepEngine::MatchResults& match) {
    bool bcontinue = true;
    const ReportingMatch current(CurrentGrepMatch, match);
    FillMatchInfo(match, info);
    Fire(plain, bound, this, static_cast<const REMatchInfo&>(info), match.Line(),
         match.LineStart(), bcontinue);
    return bcontinue;
  };
  return GrepEngine::GrepIn(*CompiledExpression, text.data(), text.data() + text.size(), flags,
                            onMatch)
      .Count;
}

REMatchInfo RegularExpression::GetMatchingInformation() const {
  if (CurrentGrepMatch != nullptr) return BuildMatchInfo(*CurrentGrepMatch);
  if (CurrentMatch) return BuildMatchInfo(*CurrentMatch);
  return REMatchInfo();
}

void RegularExpression::ResetMatches() { CurrentMatch.reset(); }

}  // namespace RegexClass
