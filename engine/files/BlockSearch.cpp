#include "BlockSearch.h"

#include <cstring>

#include "engine/LineCounter.h"

namespace GrepEngine {

BlockOutcome SearchInBlocks(const SearchPlan& plan, const TextReader& read, std::size_t blockSize,
                            std::vector<char>& buffer, unsigned matchWord, const MatchSink& sink) {
  BlockOutcome outcome;
  if (blockSize == 0) blockSize = 1;
  const MatchSink noticeStop = [&](const FoundMatch& match) {
    outcome.Stopped = !sink(match);
    return !outcome.Stopped;
  };
  // The buffer holds, from `start`, the bytes not yet searched up to `filled`; after the first
  // stretch the byte before `start` is the LF that ended it, which the engine looks at.
  TextPlace place;
  place.EndsText = false;
  std::size_t start = 0;
  std::size_t filled = 0;
  std::size_t scanned = 0;  // [start, scanned) holds no LF
  for (;;) {
    if (buffer.size() < filled + blockSize) buffer.resize(filled + blockSize);
    std::size_t got = 0;
    if (!read(buffer.data() + filled, blockSize, got)) {
      outcome.ReadFailed = true;
      return outcome;
    }
    filled += got;
    const char* first = buffer.data() + start;
    const char* end = buffer.data() + filled;
    if (got < blockSize) {  // the text's end: the rest is its last stretch
      place.EndsText = true;
      const BufferOutcome found = SearchLines(plan, first, end, place, matchWord, noticeStop);
      outcome.Search.Count += found.Count;
      outcome.Search.Abandoned = found.Abandoned;
      outcome.Search.AbandonCode = found.AbandonCode;
      return outcome;
    }
    const void* lastNewline = memrchr(buffer.data() + scanned, '\n', filled - scanned);
    scanned = filled;
    if (lastNewline == nullptr) continue;  // a line longer than the block: read on behind it
    const char* lineEnd = static_cast<const char*>(lastNewline);
    const BufferOutcome found = SearchLines(plan, first, lineEnd, place, matchWord, noticeStop);
    outcome.Search.Count += found.Count;
    outcome.Search.Abandoned = found.Abandoned;
    outcome.Search.AbandonCode = found.AbandonCode;
    if (found.Abandoned || outcome.Stopped) return outcome;

    place.Offset += static_cast<std::uint64_t>(lineEnd + 1 - first);
    place.Line += static_cast<unsigned>(CountNewlines(first, lineEnd + 1));
    place.AfterText = true;
    // Keep the LF and the line it leaves unfinished.
    const std::size_t kept = static_cast<std::size_t>(end - lineEnd);
    std::memmove(buffer.data(), lineEnd, kept);
    start = 1;
    filled = kept;
    scanned = kept;
  }
}

}  // namespace GrepEngine
