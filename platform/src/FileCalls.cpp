#include "FileCalls.h"

#include <fcntl.h>
#include <unistd.h>

namespace Platform {
namespace Detail {

void CloseKeepingError(int fd) {
  const ErrorKeeper keep;
  ::close(fd);
}

Descriptor::~Descriptor() {
  if (Fd >= 0) CloseKeepingError(Fd);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string OwnNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SyncDirectory(const std::string& directory) {
  const Descriptor handle(
      Retrying([&] { return ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!handle.Valid()) return false;
  return Retrying([&] { return ::fsync(handle.Get()); }) == 0;
}

bool SyncDirectory(int directoryFd) {
  return Retrying([&] { return ::fsync(directoryFd); }) == 0;
}

}  // namespace Detail
}  // namespace Platform
