#include "platform/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "FileCalls.h"
#include "platform/FaultSeam.h"

namespace Platform {
namespace {

constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

struct CloseStream {
  void operator()(DIR* stream) const { closedir(stream); }
};
using DirectoryStream = std::unique_ptr<DIR, CloseStream>;

int OpenRetrying(int at, const char* path, int flags) {
  return Detail::Retrying([&] { return ::openat(at, path, flags); });
}

// The ".." of the directory open as `child`; -1 with errno set when that fails or none is open.
int OpenDotDot(int child) {
  if (child < 0) {
    errno = EBADF;
    return -1;
  }
  return OpenRetrying(child, "..", DirectoryFlags);
}

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
    case EntryKind::File:
      return EntryKind::LinkToFile;
    case EntryKind::Directory:
      return EntryKind::LinkToDirectory;
    default:
      return EntryKind::Other;
  }
}

EntryKind KindOf(int directoryFd, const char* name, unsigned char type) {
  switch (type) {
    case DT_REG:
      return EntryKind::File;
    case DT_DIR:
      return EntryKind::Directory;
    case DT_LNK:
      return KindOfLinkTarget(directoryFd, name);
    case DT_UNKNOWN:
      break;  // some file systems do not say: ask
    default:
      return EntryKind::Other;
  }
  struct stat own;
  if (fstatat(directoryFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISLNK(own.st_mode)) return KindOfLinkTarget(directoryFd, name);
  return KindOfMode(own.st_mode);
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

Directory::~Directory() { Close(); }

Directory::Directory(Directory&& other) noexcept
    : Descriptor(std::exchange(other.Descriptor, -1)),
      Id(std::exchange(other.Id, DirectoryIdentity())) {}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    Close();
    Descriptor = std::exchange(other.Descriptor, -1);
    Id = std::exchange(other.Id, DirectoryIdentity());
  }
  return *this;
}

void Directory::Close() {
  if (Descriptor >= 0) Detail::CloseKeepingError(Descriptor);
  Descriptor = -1;
  Id = DirectoryIdentity();
}

bool Directory::Adopt(int descriptor) {
  Close();
  if (descriptor < 0) return false;
  struct stat status;
  if (::fstat(descriptor, &status) != 0) {
    Detail::CloseKeepingError(descriptor);
    return false;
  }
  Descriptor = descriptor;
  Id = DirectoryIdentity{static_cast<std::uint64_t>(status.st_dev),
                         static_cast<std::uint64_t>(status.st_ino)};
  return true;
}

bool Directory::Open(const std::string& path) {
  Close();
  if (InjectedFault(Call::OpenDirectory)) return false;
  return Adopt(OpenRetrying(AT_FDCWD, path.c_str(), DirectoryFlags));
}

bool Directory::OpenChild(const Directory& parent, const std::string& name) {
  // Opened before this object lets go of its own directory, so `parent` may be this object.
  if (InjectedFault(Call::OpenDirectory)) {
    Close();
    return false;
  }
  const int descriptor =
      parent.IsOpen() ? OpenRetrying(parent.Descriptor, name.c_str(), DirectoryFlags | O_NOFOLLOW)
                      : -1;
  if (!parent.IsOpen()) errno = EBADF;
  return Adopt(descriptor);
}

bool Directory::OpenRelative(const Directory& base, const std::string& path) {
  if (InjectedFault(Call::OpenDirectory)) {
    Close();
    return false;
  }
  const int descriptor =
      base.IsOpen() || (!path.empty() && path[0] == '/')
          ? OpenRetrying(base.IsOpen() ? base.Descriptor : AT_FDCWD, path.c_str(), DirectoryFlags)
          : -1;
  if (descriptor < 0 && !base.IsOpen() && (path.empty() || path[0] != '/')) errno = EBADF;
  return Adopt(descriptor);
}

Directory Directory::Duplicate() const {
  Directory copy;
  if (!IsOpen()) {
    errno = EBADF;
    return copy;
  }
  copy.Adopt(::fcntl(Descriptor, F_DUPFD_CLOEXEC, 0));
  return copy;
}

bool Directory::OpenParent(const Directory& child, const DirectoryIdentity& expected) {
  if (InjectedFault(Call::ReopenDirectory)) {
    Close();
    return false;
  }
  if (!Adopt(OpenDotDot(child.Descriptor))) return false;
  if (Id == expected) return true;
  Close();
  errno = ESTALE;  // the tree moved: ".." is some other directory now
  return false;
}

bool Directory::OpenAbove(const Directory& child) {
  if (InjectedFault(Call::OpenAbove)) {
    Close();
    return false;
  }
  if (!Adopt(OpenDotDot(child.Descriptor))) return false;
  if (Id != child.Identity()) return true;
  Close();
  errno = 0;  // the top: ".." is the directory itself
  return false;
}

bool Directory::NameOf(const DirectoryIdentity& child, std::string& name) const {
  if (!IsOpen()) return false;
  const int own = OpenRetrying(Descriptor, ".", DirectoryFlags);
  if (own < 0) return false;
  const DirectoryStream stream(fdopendir(own));
  if (!stream) {
    Detail::CloseKeepingError(own);
    return false;
  }
  // The listed inode number is the child's except at a mount point, whose entry lists the
  // covered directory's: those are asked one by one.
  std::vector<std::string> others;
  for (const dirent* entry = readdir(stream.get()); entry != nullptr;
       entry = readdir(stream.get())) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
    struct stat status;
    if (static_cast<std::uint64_t>(entry->d_ino) != child.Inode) {
      others.emplace_back(entry->d_name);
      continue;
    }
    if (fstatat(Descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        static_cast<std::uint64_t>(status.st_dev) == child.Device &&
        static_cast<std::uint64_t>(status.st_ino) == child.Inode) {
      name = entry->d_name;
      return true;
    }
  }
  for (const std::string& candidate : others) {
    struct stat status;
    if (fstatat(Descriptor, candidate.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(status.st_mode) && static_cast<std::uint64_t>(status.st_dev) == child.Device &&
        static_cast<std::uint64_t>(status.st_ino) == child.Inode) {
      name = candidate;
      return true;
    }
  }
  return false;
}

bool Directory::Holds(const std::string& name) const {
  struct stat status;
  return IsOpen() && fstatat(Descriptor, name.c_str(), &status, 0) == 0;
}

bool Directory::List(std::vector<DirectoryEntry>& entries) const {
  entries.clear();
  if (!IsOpen()) {
    errno = EBADF;
    return false;
  }
  // A descriptor of its own, so that listing never moves this handle; its entries are read
  // in large batches straight from the kernel (a directory stream would also ask for the
  // descriptor's status and flags, two calls more per directory of a walk).
  const int own = OpenRetrying(Descriptor, ".", DirectoryFlags);
  if (own < 0) return false;
  constexpr std::size_t BatchSize = 32 * 1024;
  const std::unique_ptr<char[]> batch(new char[BatchSize]);
  for (;;) {
    const ssize_t got = Detail::Retrying([&] { return ::getdents64(own, batch.get(), BatchSize); });
    if (got <= 0) {
      const int error = got < 0 ? errno : 0;
      Detail::CloseKeepingError(own);
      if (error == 0) return true;
      entries.clear();
      errno = error;
      return false;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(batch.get() + at);
      at += entry->d_reclen;
      if (IsDotOrDotDot(entry->d_name)) continue;
      entries.push_back(
          DirectoryEntry{entry->d_name, KindOf(Descriptor, entry->d_name, entry->d_type)});
    }
  }
}

}  // namespace Platform
