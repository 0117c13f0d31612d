#pragma once
#include <boost/regex.hpp>

#include <cstdint>

#include "engine/MatchResults.h"

namespace GrepEngine {

struct MatchResults::Impl {
  boost::match_results<const char*> Results;
  unsigned Line = 1;             // counted from 1 at the start of the searched range
  std::uint64_t LineStart = 0;   // offset of the line's first byte
};

}  // namespace GrepEngine
