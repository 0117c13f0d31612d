#pragma once
#include <boost/regex.hpp>
#include <cstdint>

#include "LineCounter.h"
#include "MatchFlagTranslation.h"
#include "engine/MatchResults.h"

namespace GrepEngine {

class Pattern;

struct MatchResults::Impl {
  // Mutable: the groups are worked out when first read (ResolveGroups), also through a const view.
  mutable boost::match_results<const char*> Results;
  const char* Origin = nullptr;  // offsets count from here
  std::uint64_t OriginOffset = 0;  // the offset of Origin itself, when the range is part of a text
  unsigned Line = 1;             // counted from 1 at the origin
  std::uint64_t LineStart = 0;   // offset of the line's first byte
  bool Abandoned = false;
  // A grep counts lines only when someone asks: the counter moves forward to the match on the
  // first question, and skipped matches cost nothing.
  LineCounter* PendingLines = nullptr;
  // A match whose groups still are Boost's, and what the resolver needs to replace them
  // (PosixGroups.h).
  mutable const Pattern* OwedGroups = nullptr;
  const char* OwedBase = nullptr;
  FlagBits OwedFlags = 0;

  void ResolveLine() {
    if (PendingLines == nullptr) return;
    PendingLines->AdvanceTo(Results[0].first);
    Line = PendingLines->Line();
    LineStart = PendingLines->LineStart();
    PendingLines = nullptr;
  }

  // Replaces Boost's groups with POSIX's if they are still owed. Call before reading a group.
  void ResolveGroups() const;

  // Forgets any earlier match: no match, line 1 at the origin.
  void Reset(const char* origin) {
    Results = boost::match_results<const char*>();
    Origin = origin;
    OriginOffset = 0;
    Line = 1;
    LineStart = 0;
    Abandoned = false;
    PendingLines = nullptr;
    OwedGroups = nullptr;
  }
};

}  // namespace GrepEngine
