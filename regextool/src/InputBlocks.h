#pragma once
// An input in whole lines: blocks of complete lines, read in bounded pieces, so memory stays
// within a block and the longest line whatever the input's size.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace RegexTool {

// Reads what the input delivers next, up to `capacity` bytes; `got` 0 at its end. Returns 0,
// or the error number of the failed read.
using BlockSource = std::function<int(char* into, std::size_t capacity, std::size_t& got)>;

class InputBlocks {
 public:
  explicit InputBlocks(int descriptor, std::size_t blockSize = 64 * 1024);
  explicit InputBlocks(BlockSource source, std::size_t blockSize = 64 * 1024);

  // The next run of complete lines (the last line of the input may lack its newline); false
  // at the end or on a read failure (see Error()).
  bool Next(std::string_view& lines);

  // The error number of the failed read, 0 when none failed.
  int Error() const { return FirstError; }

 private:
  BlockSource Source;
  std::size_t BlockSize;
  std::string Buffer;
  std::size_t Consumed = 0;  // bytes of Buffer handed out already
  bool Ended = false;
  int FirstError = 0;
};

}  // namespace RegexTool
