#include "RegularFileOpening.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "FileCalls.h"

namespace Platform {

using Detail::CloseKeepingError;

int OpenRegularFile(int directoryDescriptor, const char* path, struct stat& status,
                    int extraFlags) {
  const int descriptor = Detail::Retrying([&] {
    return ::openat(directoryDescriptor, path,
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | extraFlags);
  });
  if (descriptor < 0) return -1;
  if (::fstat(descriptor, &status) != 0) {
    CloseKeepingError(descriptor);
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    errno = EINVAL;
    CloseKeepingError(descriptor);
    return -1;
  }
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    CloseKeepingError(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace Platform
