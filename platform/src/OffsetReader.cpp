#include "platform/OffsetReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "FileCalls.h"
#include "RegularFileOpening.h"
#include "platform/FaultSeam.h"

namespace Platform {

OffsetReader::~OffsetReader() { Close(); }

void OffsetReader::Close() {
  if (Descriptor >= 0) Detail::CloseKeepingError(Descriptor);
  Descriptor = -1;
  Size = 0;
}

bool OffsetReader::Open(const char* path) {
  Close();
  if (InjectedFault(Call::OpenForReading)) return false;
  struct stat status;
  const int descriptor = OpenRegularFile(AT_FDCWD, path, status);
  if (descriptor < 0) return false;
  Descriptor = descriptor;
  Size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool OffsetReader::ReadAt(std::uint64_t offset, char* into, std::size_t capacity,
                          std::size_t& got) {
  got = 0;
  if (Descriptor < 0) {
    errno = EBADF;
    return false;
  }
  if (offset >= Size) return true;
  const std::uint64_t wanted = std::min<std::uint64_t>(capacity, Size - offset);
  while (got < wanted) {
    if (InjectedFault(Call::Read)) return false;
    const ssize_t n = Detail::Retrying([&] {
      return ::pread(Descriptor, into + got, static_cast<std::size_t>(wanted - got),
                     static_cast<off_t>(offset + got));
    });
    if (n < 0) return false;
    if (n == 0) {  // the file shrank: its content ends here
      Size = offset + got;
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace Platform
