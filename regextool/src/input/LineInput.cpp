#include "LineInput.h"

#include <grepcore/Streams.h>

#include <cstring>
#include <utility>

namespace RegexTool {
namespace {

constexpr std::size_t BlockSize = 64 * 1024;

}  // namespace

LineInput::LineInput(int descriptor) : Descriptor(descriptor), Buffer(BlockSize) {}

LineInput::LineInput(std::string text) : Buffer(text.size()), End(text.size()), AtEnd(true) {
  if (!text.empty()) std::memcpy(Bytes(), text.data(), text.size());
}

bool LineInput::Next(std::string_view& line, bool& terminated) {
  std::size_t searched = Begin;
  for (;;) {
    const void* feed =
        End > searched ? std::memchr(Bytes() + searched, '\n', End - searched) : nullptr;
    if (feed != nullptr) {
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(feed) - Bytes());
      line = std::string_view(Bytes() + Begin, at - Begin);
      terminated = true;
      Begin = at + 1;
      return true;
    }
    if (AtEnd) {
      if (Begin == End) return false;
      line = std::string_view(Bytes() + Begin, End - Begin);
      terminated = false;
      Begin = End;
      return true;
    }
    searched = End - Begin;  // the unfinished line moves to the front: search on after it
    if (!Refill()) return false;
  }
}

bool LineInput::NextLines(std::size_t want, std::string_view& lines) {
  // Waits for no more input than one read brings once whole lines are at hand, so a slow
  // producer's lines go on without waiting for a block to fill.
  bool read = false;
  for (;;) {
    if (End - Begin >= want || AtEnd || read) {
      const char* first = Bytes() + Begin;
      const void* lastFeed = End > Begin ? ::memrchr(first, '\n', End - Begin) : nullptr;
      if (lastFeed != nullptr || AtEnd) {
        const std::size_t length =
            lastFeed != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(lastFeed) - first) + 1
                : End - Begin;
        if (length == 0) return false;
        lines = std::string_view(first, length);
        Begin += length;
        return true;
      }
    }
    if (!Refill()) return false;
    read = true;
  }
}

// Moves the unfinished line to the buffer's front, grows the buffer only when that line fills
// it, and reads one more block.
bool LineInput::Refill() {
  if (Begin != 0) {
    std::memmove(Bytes(), Bytes() + Begin, End - Begin);
    End -= Begin;
    Begin = 0;
  }
  if (Buffer.size() - End < BlockSize / 2) Buffer.resize(Buffer.size() + Buffer.size() / 2);
  const grepcore::Result<std::size_t> read =
      grepcore::ReadBlock(Descriptor, Bytes() + End, Buffer.size() - End);
  ReadError = read ? 0 : static_cast<int>(read.Error().Code);
  if (ReadError != 0) return false;
  const std::size_t got = *read;
  if (got == 0) AtEnd = true;
  End += got;
  return true;
}

}  // namespace RegexTool
