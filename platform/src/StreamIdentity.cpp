#include "platform/StreamIdentity.h"

#include <sys/stat.h>

namespace Platform {
namespace {

StreamIdentity IdentityOf(const struct stat& status) {
  StreamIdentity identity;
  identity.Kind = S_ISREG(status.st_mode)   ? StreamKind::RegularFile
                  : S_ISDIR(status.st_mode) ? StreamKind::Directory
                                            : StreamKind::Other;
  identity.Pipe = S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode);
  identity.Device = static_cast<std::uint64_t>(status.st_dev);
  identity.Inode = static_cast<std::uint64_t>(status.st_ino);
  return identity;
}

}  // namespace

bool IdentifyDescriptor(int descriptor, StreamIdentity& identity) {
  struct stat status;
  if (::fstat(descriptor, &status) != 0) return false;
  identity = IdentityOf(status);
  return true;
}

bool IdentifyPath(const std::string& path, StreamIdentity& identity) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return false;
  identity = IdentityOf(status);
  return true;
}

}  // namespace Platform
