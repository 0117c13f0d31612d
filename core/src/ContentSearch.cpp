#include "ContentSearch.h"

#include <cerrno>

#include "BlockSearch.h"
#include "platform/FileContent.h"
#include "platform/ThreadSlot.h"

namespace grepcore {
namespace {

// Why the last read failed: the platform's error, or EIO where it gives none, so that a failed
// read is never taken for a clean end.
int ReadFailure() { return Platform::LastError() != 0 ? Platform::LastError() : EIO; }

}  // namespace

ContentOutcome SearchContent(const GrepEngine::SearchPlan& plan, Platform::FileContent& content,
                             std::uint64_t blocksFrom, std::size_t blockSize,
                             std::vector<char>& buffer, unsigned matchWord,
                             const GrepEngine::MatchSink& sink) {
  ContentOutcome outcome;
  if (content.SizeAtOpen() >= blocksFrom && GrepEngine::SearchableByLines(plan, matchWord)) {
    const GrepEngine::TextReader read = [&](char* into, std::size_t capacity, std::size_t& got) {
      const bool done = content.Read(into, capacity, got);
      if (!done) outcome.ReadError = ReadFailure();
      return done;
    };
    outcome.Search =
        GrepEngine::SearchInBlocks(plan, read, blockSize, buffer, matchWord, sink).Search;
    return outcome;
  }
  std::uint64_t length = 0;
  if (!content.ReadAll(buffer, length)) {
    outcome.ReadError = ReadFailure();
    return outcome;
  }
  const char none = 0;  // a search may take the data pointer of an empty text: never null
  const char* first = length == 0 ? &none : buffer.data();
  outcome.Search = GrepEngine::SearchBuffer(plan, first, first + length, matchWord, sink);
  return outcome;
}

}  // namespace grepcore
