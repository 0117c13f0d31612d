#pragma once
// A file named by the user, read as it is, the way grep reads its operands: a regular file, a
// FIFO or process substitution (the open waits for a writer, the reads go on until it closes
// its end), a device such as /dev/null. Only files met while walking a directory must be
// regular (FileContent); a name the user gave is the user's choice.

#include <cstddef>
#include <cstdint>

#include "platform/StreamIdentity.h"

namespace Platform {

class NamedInput {
 public:
  NamedInput() = default;
  ~NamedInput();
  NamedInput(const NamedInput&) = delete;
  NamedInput& operator=(const NamedInput&) = delete;

  // Opens `path` (links followed) for reading; false with LastError() when it cannot be.
  bool Open(const char* path);
  void Close();

  // What was opened.
  const StreamIdentity& Identity() const { return Id; }
  // What is left to read of a regular file from where reading stands; 0 for anything else.
  std::uint64_t Remaining() const;

  // Reads what the input delivers next, up to `capacity` bytes; `got` is 0 at its end. False
  // when reading failed.
  bool Read(char* into, std::size_t capacity, std::size_t& got);

 private:
  int Descriptor = -1;
  StreamIdentity Id;
};

// Reads what the open `descriptor` (standard input, say) delivers next, up to `capacity`
// bytes; `got` is 0 at its end. The descriptor stays open. False when reading failed.
bool ReadDescriptor(int descriptor, char* into, std::size_t capacity, std::size_t& got);

}  // namespace Platform
