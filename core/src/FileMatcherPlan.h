#pragma once
// What a FileMatcher holds: the planned search, the match word it runs under, when a file is
// read in blocks, and the buffer kept from file to file.

#include <vector>

#include "BufferSearch.h"
#include "grepcore/FileMatcher.h"

namespace grepcore {

struct FileMatcher::Plan {
  GrepEngine::SearchPlan Search;
  unsigned MatchWord = 0;
  FileMatchOptions Options;
  std::vector<char> Buffer;
};

}  // namespace grepcore
