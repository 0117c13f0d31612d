#pragma once
// What an open stream or a named file is: its kind and, for a file, its device and inode, so a
// reader can tell that it would read back what it writes (input and output the same file).

#include <cstdint>
#include <string>

namespace Platform {

enum class StreamKind {
  RegularFile,
  Directory,
  Other  // a FIFO, a device, a socket, a terminal
};

struct StreamIdentity {
  StreamKind Kind = StreamKind::Other;
  bool Pipe = false;  // of the others, a pipe, a FIFO or a socket: data a writer sends
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;

  // Both are one regular file.
  bool SameRegularFile(const StreamIdentity& other) const {
    return Kind == StreamKind::RegularFile && other.Kind == StreamKind::RegularFile &&
           Device == other.Device && Inode == other.Inode;
  }
};

// The identity of the open `descriptor`; false (with LastError()) when it is not open.
bool IdentifyDescriptor(int descriptor, StreamIdentity& identity);

// The identity of the file `path` names, links followed; false (with LastError()) when there
// is none.
bool IdentifyPath(const std::string& path, StreamIdentity& identity);

}  // namespace Platform
