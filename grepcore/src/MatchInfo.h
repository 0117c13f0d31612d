#pragma once
#include "grepcore/Match.h"
#include "grepcore/Regularexpressionclass.h"

namespace grepcore {
class MaskSearch;
}

namespace RegexClass {

// The match vector of a file operation's current match: the whole match and each
// sub-expression, positions from the file's start, no prefix or suffix.
REMatchInfo FileGrepMatchInfo(const grepcore::MaskSearch& search);

// The match vector of one match of the core, as the events receive it.
REMatchInfo BuildMatchInfo(const grepcore::Match& match);

// The same, written over `info`: a grep or merge reuses one vector for all its matches, so the
// records' buffers (the suffix above all, which shrinks from match to match) are not
// allocated again for every match.
void FillMatchInfo(const grepcore::Match& match, REMatchInfo& info);

// The view events' vectors: the same records as views into the searched bytes, written over
// `info` so a run reuses one vector.
void FillMatchViewInfo(const grepcore::Match& match, REMatchViewInfo& info);
void FillFileMatchViewInfo(const grepcore::MaskSearch& search, REMatchViewInfo& info);

// A grep's or a merge's match events as they were when the run started (handlers installed
// during the run are not used by it), with the records they are given, reused from match to
// match.
struct ContinueMatchEvents {
  RegularExpression::ContinueMatchEvent Plain;
  RegularExpression::ContinueMatchEventClosure Bound;
  RegularExpression::ContinueMatchViewEvent PlainView;
  RegularExpression::ContinueMatchViewEventClosure BoundView;
  REMatchInfo Info;
  REMatchViewInfo Views;

  bool Any() const;
  // Shows `match` to each handler that is set; a handler may clear `bcontinue`.
  void Fire(RegularExpression* sender, const grepcore::Match& match, bool& bcontinue);
};

}  // namespace RegexClass
