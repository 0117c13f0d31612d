#include "platform/FileContent.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "FileCalls.h"
#include "RegularFileOpening.h"
#include "platform/FaultSeam.h"

namespace Platform {

FileContent::~FileContent() { Close(); }

void FileContent::Close() {
  if (Descriptor >= 0) Detail::CloseKeepingError(Descriptor);
  Descriptor = -1;
  Size = 0;
  Consumed = 0;
  DeviceNumber = 0;
  InodeNumber = 0;
}

bool FileContent::Adopt(int descriptor, const struct stat& status) {
  if (descriptor < 0) return false;
  Descriptor = descriptor;
  Size = static_cast<std::uint64_t>(status.st_size);
  Consumed = 0;
  DeviceNumber = static_cast<std::uint64_t>(status.st_dev);
  InodeNumber = static_cast<std::uint64_t>(status.st_ino);
  return true;
}

bool FileContent::Open(const char* path) {
  Close();
  if (InjectedFault(Call::OpenForReading)) return false;
  struct stat status;
  const int descriptor = OpenRegularFile(AT_FDCWD, path, status);
  return Adopt(descriptor, status);
}

bool FileContent::Open(const Directory& directory, const std::string& name) {
  return Open(directory, name, true);
}

bool FileContent::Open(const Directory& directory, const std::string& name, bool followLink) {
  Close();
  if (InjectedFault(Call::OpenForReading)) return false;
  if (!directory.IsOpen()) {
    errno = EBADF;
    return false;
  }
  struct stat status;
  const int descriptor =
      OpenRegularFile(directory.Descriptor, name.c_str(), status, followLink ? 0 : O_NOFOLLOW);
  return Adopt(descriptor, status);
}

bool FileContent::Read(char* into, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (Descriptor < 0) {
    errno = EBADF;
    return false;
  }
  const std::uint64_t wanted = std::min<std::uint64_t>(capacity, Size - Consumed);
  while (got < wanted) {
    if (InjectedFault(Call::Read)) return false;
    const ssize_t n = ::read(Descriptor, into + got, static_cast<std::size_t>(wanted - got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {  // the file shrank: its content ends here
      Size = Consumed + got;
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  Consumed += got;
  return true;
}

bool FileContent::ReadAll(std::vector<char>& buffer, std::uint64_t& length) {
  length = 0;
  const std::uint64_t rest = Size - Consumed;
  if (buffer.size() < rest) buffer.resize(static_cast<std::size_t>(rest));
  std::size_t got = 0;
  if (!Read(buffer.data(), static_cast<std::size_t>(rest), got)) return false;
  length = got;
  return true;
}

}  // namespace Platform
