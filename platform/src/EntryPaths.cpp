#include "platform/EntryPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace Platform {
namespace {

constexpr int MostLinksFollowed = 40;

void CloseKeepingError(int descriptor) {
  const int error = errno;
  ::close(descriptor);
  errno = error;
}

std::string DirectoryPartOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

}  // namespace

bool DescribeEntry(const std::string& path, EntryIdentity& identity) {
  identity = EntryIdentity();
  struct stat own;
  if (::fstatat(AT_FDCWD, path.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return false;
  identity.Device = static_cast<std::uint64_t>(own.st_dev);
  identity.Inode = static_cast<std::uint64_t>(own.st_ino);
  identity.IsLink = S_ISLNK(own.st_mode);
  return true;
}

std::unique_ptr<File> OpenWalkedEntry(const std::string& path, const EntryIdentity& expected) {
  int descriptor = -1;
  do {
    descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return nullptr;
  struct stat status;
  if (::fstat(descriptor, &status) != 0) {
    CloseKeepingError(descriptor);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode) || static_cast<std::uint64_t>(status.st_dev) != expected.Device ||
      static_cast<std::uint64_t>(status.st_ino) != expected.Inode) {
    ::close(descriptor);
    errno = S_ISREG(status.st_mode) ? ESTALE : EINVAL;
    return nullptr;
  }
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    CloseKeepingError(descriptor);
    return nullptr;
  }
  return std::make_unique<File>(descriptor);
}

std::string FinalTarget(const std::string& path) {
  std::string current = path;
  std::vector<char> buffer(4096);
  for (int hop = 0; hop < MostLinksFollowed; ++hop) {
    struct stat own;
    if (::lstat(current.c_str(), &own) != 0) return hop == 0 ? path : std::string();
    if (!S_ISLNK(own.st_mode)) return current;
    const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) == buffer.size()) return std::string();
    const std::string target(buffer.data(), static_cast<std::size_t>(length));
    current = !target.empty() && target[0] == '/' ? target : DirectoryPartOf(current) + target;
  }
  errno = ELOOP;
  return std::string();
}

}  // namespace Platform
