#pragma once
// Every match of a planned search in one open file, the file read once: in blocks of whole
// lines when no match can hold a line feed (nor be empty) and the file is large, else whole
// into a buffer kept for the next file. The pattern class's file operations and FileMatcher
// both search a file so.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "BufferSearch.h"

namespace Platform {
class FileContent;
}

namespace grepcore {

struct ContentOutcome {
  GrepEngine::BufferOutcome Search;  // the matches handed on, and whether the engine gave up
  int ReadError = 0;                 // errno when reading failed (what was found before stands)
};

// Searches the file open in `content` from where it stands. `blocksFrom`: the size from which
// a file is read in blocks of `blockSize` bytes, where the plan allows it.
ContentOutcome SearchContent(const GrepEngine::SearchPlan& plan, Platform::FileContent& content,
                             std::uint64_t blocksFrom, std::size_t blockSize,
                             std::vector<char>& buffer, unsigned matchWord,
                             const GrepEngine::MatchSink& sink);

}  // namespace grepcore
