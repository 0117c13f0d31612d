#pragma once
// The search of a text too large to hold at once, for a plan whose matches stay within a line:
// the text is read a block at a time and searched a stretch of whole lines at a time, as a
// part of the whole text, so offsets, lines, anchors and word edges are exactly those of a
// search over the whole text in one buffer. Memory follows the block size, or the longest
// line when a line is longer.

#include <cstddef>
#include <functional>
#include <vector>

#include "BufferSearch.h"

namespace GrepEngine {

// Reads the text's next bytes: up to `capacity` into `into`; `got` is smaller only at the
// text's end (0 there). False when reading failed.
using TextReader = std::function<bool(char* into, std::size_t capacity, std::size_t& got)>;

struct BlockOutcome {
  BufferOutcome Search;     // as SearchBuffer's over the text read
  bool Stopped = false;     // the sink ended the search
  bool ReadFailed = false;  // reading failed: the matches before that were handed on
};

// SearchBuffer's matches over the whole text `read` gives, for a plan SearchableByLines,
// reading `blockSize` bytes at a time into `buffer` (reused; it only ever grows).
BlockOutcome SearchInBlocks(const SearchPlan& plan, const TextReader& read, std::size_t blockSize,
                            std::vector<char>& buffer, unsigned matchWord, const MatchSink& sink);

}  // namespace GrepEngine
