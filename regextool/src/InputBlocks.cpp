#include "InputBlocks.h"

#include <unistd.h>

#include <cerrno>

namespace RegexTool {

InputBlocks::InputBlocks(int descriptor, std::size_t blockSize)
    : Descriptor(descriptor), BlockSize(blockSize) {}

bool InputBlocks::Next(std::string_view& lines) {
  Buffer.erase(0, Consumed);
  Consumed = 0;
  std::size_t searched = 0;
  for (;;) {
    // Only the bytes read since the last look can hold a newline not yet seen.
    const std::size_t newline = std::string_view(Buffer).substr(searched).rfind('\n');
    if (newline != std::string_view::npos) {
      Consumed = searched + newline + 1;
      lines = std::string_view(Buffer.data(), Consumed);
      return true;
    }
    if (Ended) {
      if (Buffer.empty()) return false;
      Consumed = Buffer.size();
      lines = std::string_view(Buffer);
      return true;
    }
    searched = Buffer.size();
    const std::size_t before = Buffer.size();
    Buffer.resize(before + BlockSize);
    ssize_t count;
    do {
      count = ::read(Descriptor, &Buffer[before], BlockSize);
    } while (count < 0 && errno == EINTR);
    Buffer.resize(before + (count > 0 ? static_cast<std::size_t>(count) : 0));
    if (count < 0) {
      FirstError = errno;
      return false;
    }
    if (count == 0) Ended = true;
  }
}

}  // namespace RegexTool
