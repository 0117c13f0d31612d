#pragma once
// A regular file read at any offset, so one open file can be read by several cursors (a diff
// that looks ahead for a hunk's end and then prints the hunk). Opened as FileContent opens:
// anything but a regular file is refused without waiting on it, and nothing beyond the size
// the file had when it was opened is read.

#include <cstddef>
#include <cstdint>

namespace Platform {

class OffsetReader {
 public:
  OffsetReader() = default;
  ~OffsetReader();
  OffsetReader(const OffsetReader&) = delete;
  OffsetReader& operator=(const OffsetReader&) = delete;

  // Opens the file `path` names (links followed); false with LastError() when it cannot be
  // opened or is not a regular file (EINVAL).
  bool Open(const char* path);
  void Close();

  std::uint64_t SizeAtOpen() const { return Size; }

  // Reads up to `capacity` bytes from `offset`; `got` is smaller only at the content's end (0
  // there). False when reading failed.
  bool ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got);

 private:
  int Descriptor = -1;
  std::uint64_t Size = 0;
};

}  // namespace Platform
