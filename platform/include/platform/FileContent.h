#pragma once
// One file's content as a search takes it: the file is opened as a regular file (anything
// else, such as a FIFO or a device put where a file was, is refused without waiting on it)
// and read with plain reads into the caller's buffers. Nothing is mapped, so a file that
// another process truncates meanwhile can never hurt the reading process: the content simply
// ends where the file ended. Content is read up to the size the file had when it was opened;
// what is appended later is not read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Directory.h"

struct stat;

namespace Platform {

class FileContent {
 public:
  FileContent() = default;
  ~FileContent();
  FileContent(const FileContent&) = delete;
  FileContent& operator=(const FileContent&) = delete;

  // Opens the file `path` names, or the file `name` of `directory` (links followed), for
  // reading from its start; any file open before is closed first. False when it cannot be
  // opened or is not a regular file (then LastError() is EINVAL); nothing is open then.
  bool Open(const char* path);
  bool Open(const Directory& directory, const std::string& name);
  // The same, a link at `name` followed only when `followLink` (a walk follows the links it
  // listed as links, never an entry that a link replaced after the listing: ELOOP).
  bool Open(const Directory& directory, const std::string& name, bool followLink);
  void Close();

  // The file's size when it was opened: the most that is read.
  std::uint64_t SizeAtOpen() const { return Size; }

  // The device and inode of the open file: what a rewrite of it checks it still has.
  std::uint64_t Device() const { return DeviceNumber; }
  std::uint64_t Inode() const { return InodeNumber; }

  // Reads up to `capacity` bytes from where the last read ended; `got` is smaller only at the
  // content's end (0 once there). False when reading failed.
  bool Read(char* into, std::size_t capacity, std::size_t& got);
  // True once the size at open was read: a further Read would give nothing.
  bool AtEnd() const { return Consumed >= Size; }

  // Reads the rest of the content into `buffer` (which only ever grows, so a run allocates
  // only as much as its largest such file); `length` is the number of bytes read, fewer than
  // the size at open when the file shrank. False when reading failed.
  bool ReadAll(std::vector<char>& buffer, std::uint64_t& length);

 private:
  bool Adopt(int descriptor, const struct stat& status);

  int Descriptor = -1;
  std::uint64_t Size = 0;
  std::uint64_t Consumed = 0;
  std::uint64_t DeviceNumber = 0;
  std::uint64_t InodeNumber = 0;
};

}  // namespace Platform
