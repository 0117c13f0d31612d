#include "platform/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/FaultSeam.h"

namespace Platform {
namespace {

struct CloseDirectory {
  void operator()(DIR* directory) const { closedir(directory); }
};
using DirectoryHandle = std::unique_ptr<DIR, CloseDirectory>;

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Directory;
  return EntryKind::Other;
}

// What a link points to; a dangling link (or one we may not follow) is Other.
EntryKind KindOfLinkTarget(int directoryFd, const char* name) {
  struct stat target;
  if (fstatat(directoryFd, name, &target, 0) != 0) return EntryKind::Other;
  switch (KindOfMode(target.st_mode)) {
    case EntryKind::File: return EntryKind::LinkToFile;
    case EntryKind::Directory: return EntryKind::LinkToDirectory;
    default: return EntryKind::Other;
  }
}

EntryKind KindOf(int directoryFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Directory;
    case DT_LNK: return KindOfLinkTarget(directoryFd, entry.d_name);
    case DT_UNKNOWN: break;  // some file systems do not say: ask
    default: return EntryKind::Other;
  }
  struct stat own;
  if (fstatat(directoryFd, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISLNK(own.st_mode)) return KindOfLinkTarget(directoryFd, entry.d_name);
  return KindOfMode(own.st_mode);
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  if (InjectedFault(Call::OpenDirectory)) return false;
  const DirectoryHandle handle(opendir(directory.c_str()));
  if (!handle) return false;
  const int fd = dirfd(handle.get());
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(handle.get());
    if (entry == nullptr) {
      if (errno == 0) return true;
      const int error = errno;
      entries.clear();
      errno = error;
      return false;
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    entries.push_back(DirectoryEntry{entry->d_name, KindOf(fd, *entry)});
  }
}

}  // namespace Platform
