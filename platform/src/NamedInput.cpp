#include "platform/NamedInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "FileCalls.h"
#include "platform/Descriptors.h"
#include "platform/FaultSeam.h"

namespace Platform {

NamedInput::~NamedInput() { Close(); }

void NamedInput::Close() {
  if (Descriptor >= 0) Detail::CloseKeepingError(Descriptor);
  Descriptor = -1;
  Id = StreamIdentity();
}

bool NamedInput::Open(const char* path) {
  Close();
  if (InjectedFault(Call::OpenForReading)) return false;
  // No O_NONBLOCK: a FIFO's open waits for its writer, as the user asked to read it.
  const int descriptor =
      Detail::Retrying([&] { return ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY); });
  if (descriptor < 0) return false;
  if (!IdentifyDescriptor(descriptor, Id)) {
    Detail::CloseKeepingError(descriptor);
    return false;
  }
  Descriptor = descriptor;
  return true;
}

std::uint64_t NamedInput::Remaining() const { return RemainingInRegularFile(Descriptor); }

bool NamedInput::Read(char* into, std::size_t capacity, std::size_t& got) {
  return ReadDescriptor(Descriptor, into, capacity, got);
}

bool ReadDescriptor(int descriptor, char* into, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (descriptor < 0) {
    errno = EBADF;
    return false;
  }
  if (InjectedFault(Call::Read)) return false;
  const ssize_t count = Detail::Retrying([&] { return ::read(descriptor, into, capacity); });
  if (count < 0) return false;
  got = static_cast<std::size_t>(count);
  return true;
}

}  // namespace Platform
