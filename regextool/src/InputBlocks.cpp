#include "InputBlocks.h"

#include <utility>

#include "WholeInput.h"

namespace RegexTool {

InputBlocks::InputBlocks(int descriptor, std::size_t blockSize)
    : InputBlocks(
          [descriptor](char* into, std::size_t capacity, std::size_t& got) {
            return ReadSomeOfDescriptor(descriptor, into, capacity, got);
          },
          blockSize) {}

InputBlocks::InputBlocks(BlockSource source, std::size_t blockSize)
    : Source(std::move(source)), BlockSize(blockSize) {}

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
    std::size_t got = 0;
    const int error = Source(&Buffer[before], BlockSize, got);
    Buffer.resize(before + got);
    if (error != 0) {
      FirstError = error;
      return false;
    }
    if (got == 0) Ended = true;
  }
}

}  // namespace RegexTool
