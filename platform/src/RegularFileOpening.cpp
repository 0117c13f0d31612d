#include "RegularFileOpening.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {
namespace {

// Closes without letting close's own result replace the error being reported.
void CloseKeepingError(int descriptor) {
  const int error = errno;
  ::close(descriptor);
  errno = error;
}

}  // namespace

int OpenRegularFile(int directoryDescriptor, const char* path, struct stat& status) {
  int descriptor;
  do {
    descriptor = ::openat(directoryDescriptor, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (descriptor < 0 && errno == EINTR);
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
