#pragma once
#include <boost/regex.hpp>
#include <cstdint>
#include <memory>

#include "MatchFlagTranslation.h"
#include "engine/LineCounter.h"
#include "engine/MatchResults.h"

namespace GrepEngine {

class Pattern;

// A match is known first by its whole span; the sub-expressions come from the reference
// engine only when someone reads them (see GroupFilling.h).
struct MatchResults::Impl {
  // The engine's sub-matches: complete when GroupsReady. Filled on first reading, so they are
  // a cache even of a const match.
  mutable boost::match_results<const char*> Results;
  mutable bool GroupsReady = false;
  // Boost's groups have given way to POSIX's (or the pattern keeps Boost's): see PosixGroups.h.
  mutable bool GroupsResolved = false;
  const char* Origin = nullptr;    // offsets count from here
  std::uint64_t OriginOffset = 0;  // the offset of Origin itself, when the range is part of a text
  unsigned Line = 1;               // counted from 1 at the origin
  std::uint64_t LineStart = 0;     // offset of the line's first byte
  bool Abandoned = false;
  unsigned AbandonCode = 0;  // when Abandoned: the engine's error code for why
  // A grep counts lines only when someone asks: the counter moves forward to the match on the
  // first question, and skipped matches cost nothing.
  LineCounter* PendingLines = nullptr;

  // The whole match, and where the search that found it began and ended.
  bool Found = false;
  const char* First = nullptr;
  const char* Last = nullptr;
  const char* SearchFirst = nullptr;  // the prefix runs from here to the match
  const char* SearchLast = nullptr;   // the suffix runs from the match to here
  unsigned Marks = 0;                 // sub-matches, the whole match included
  // How the search ran, so that the groups can be filled the same way: the pattern, the
  // position anchors look back to, and the engine's flags of that step.
  const Pattern* Source = nullptr;
  // Results that outlive their operation (a search, an anchored match) keep the pattern alive
  // for groups read later; a grep's results live only during its callback.
  std::shared_ptr<const Pattern> KeptSource;
  const char* Base = nullptr;
  FlagBits StepFlags = 0;

  void ResolveLine() {
    if (PendingLines == nullptr) return;
    PendingLines->AdvanceTo(First);
    Line = PendingLines->Line();
    LineStart = PendingLines->LineStart();
    PendingLines = nullptr;
  }

  // After the reference engine's search: the span from its results, groups included.
  void TakeEngineResults() {
    Found = true;
    GroupsReady = true;
    GroupsResolved = false;
    First = Results[0].first;
    Last = Results[0].second;
    SearchFirst = Results.prefix().first;
    SearchLast = Results.suffix().second;
    Marks = static_cast<unsigned>(Results.size());
  }

  // A whole match found by another matcher; the groups wait until they are read.
  void TakeSpan(const char* first, const char* last, const char* searchFirst,
                const char* searchLast, unsigned marks) {
    Found = true;
    GroupsReady = false;
    GroupsResolved = false;
    First = first;
    Last = last;
    SearchFirst = searchFirst;
    SearchLast = searchLast;
    Marks = marks;
  }

  // Forgets any earlier match: no match, line 1 at the origin.
  void Reset(const char* origin) {
    Found = false;
    GroupsReady = false;
    Origin = origin;
    OriginOffset = 0;
    Line = 1;
    LineStart = 0;
    Abandoned = false;
    AbandonCode = 0;
    PendingLines = nullptr;
    Source = nullptr;
    KeptSource.reset();
  }
};

}  // namespace GrepEngine
