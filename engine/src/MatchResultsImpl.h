#pragma once
#include <boost/regex.hpp>
#include <cstdint>

#include "engine/MatchResults.h"

namespace GrepEngine {

struct MatchResults::Impl {
  boost::match_results<const char*> Results;
  const char* Origin = nullptr;  // offsets count from here
  unsigned Line = 1;             // counted from 1 at the origin
  std::uint64_t LineStart = 0;   // offset of the line's first byte
  bool Abandoned = false;

  // Forgets any earlier match: no match, line 1 at the origin.
  void Reset(const char* origin) {
    Results = boost::match_results<const char*>();
    Origin = origin;
    Line = 1;
    LineStart = 0;
    Abandoned = false;
  }
};

}  // namespace GrepEngine
