#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "FileCalls.h"
#include "InPlaceCopy.h"
#include "platform/FaultSeam.h"

namespace Platform {

using Detail::CopyMarker;
using Detail::Descriptor;
using Detail::DirectoryAccess;
using Detail::ErrorKeeper;
using Detail::FileAccess;
using Detail::OwnNameOf;
using Detail::Retrying;
using Detail::TemporaryMarker;

namespace {

constexpr int NamedTries = 16;
// Room left for the changed file's own name in a working-file name.
constexpr std::size_t NameRoom = NAME_MAX - 32;

std::string Shortened(std::string own) {
  if (own.size() > NameRoom) own.resize(NameRoom);
  return own;
}

std::string RandomTag() {
  static const char Alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[8] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet: the process and a counter still keep names of one process apart, and a
    // taken name is tried again.
    static thread_local unsigned counter = 0;
    const unsigned value = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
    for (std::size_t i = 0; i < sizeof bytes; ++i)
      bytes[i] = static_cast<unsigned char>(value >> (i * 4));
  }
  std::string tag;
  for (unsigned char byte : bytes) tag += Alphabet[byte % (sizeof Alphabet - 1)];
  return tag;
}

std::string TemporaryOwnName(const std::string& own) {
  return "." + own + "." + RandomTag() + TemporaryMarker;
}

std::string Shown(const std::string& shownDirectory, const std::string& own) {
  return shownDirectory.empty() ? own : shownDirectory + "/" + own;
}

bool IsUnsupportedByFileSystem(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

// True when the entry `name` of `directoryFd` is the file open as `fd`.
bool StillNames(int directoryFd, const std::string& name, int fd) {
  struct stat byName;
  struct stat open;
  return ::fstatat(directoryFd, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &open) == 0 && byName.st_dev == open.st_dev && byName.st_ino == open.st_ino;
}

}  // namespace

std::string InPlaceCopyName(const std::string& ownName, std::uint64_t inode) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%llx", static_cast<unsigned long long>(inode));
  return "." + Shortened(ownName) + "." + digits + CopyMarker;
}

std::vector<char> InPlaceCopyRecord(std::uint64_t device, std::uint64_t inode, const char* content,
                                    std::size_t length) {
  Detail::CopyRecord record;
  record.Device = device;
  record.Inode = inode;
  record.Length = length;
  record.Checksum = Detail::Checksum(content, length, Detail::ChecksumSeed);
  unsigned char bytes[Detail::CopyRecordSize];
  Detail::EncodeRecord(record, bytes);
  return std::vector<char>(bytes, bytes + sizeof bytes);
}

TemporaryFile TemporaryFile::CreateIn(std::shared_ptr<const Directory> directory,
                                      const std::string& besideName,
                                      const std::string& shownDirectory) {
  TemporaryFile temporary;
  temporary.Folder = std::move(directory);
  temporary.ShownDirectory = shownDirectory;
  const std::string own = Shortened(OwnNameOf(besideName));
  temporary.ShownName = Shown(shownDirectory, TemporaryOwnName(own));
  if (InjectedFault(Call::CreateTemporary)) return temporary;
  if (!temporary.Folder || !temporary.Folder->IsOpen()) {
    errno = EBADF;
    return temporary;
  }
  const int at = DirectoryAccess::Fd(*temporary.Folder);
  int fd = Retrying([&] { return ::openat(at, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
  if (fd < 0 && IsUnsupportedByFileSystem(errno)) {
    // No unnamed files here: a working-file name it is, created where no name was.
    for (int attempt = 0; attempt < NamedTries && fd < 0; ++attempt) {
      const std::string name = TemporaryOwnName(own);
      fd = Retrying([&] {
        return ::openat(at, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
      });
      if (fd >= 0) {
        temporary.OwnName = name;
        temporary.ShownName = Shown(shownDirectory, name);
        temporary.Named = true;
      } else if (errno != EEXIST) {
        break;
      }
    }
  }
  if (fd < 0) return temporary;
  // The creation mask must not widen or narrow the working file: 0600 exactly.
  ::fchmod(fd, 0600);
  temporary.Handle = std::make_unique<File>(fd);
  // Held until the file is put in place or removed: a later run leaves a locked file alone.
  Retrying([&] { return ::flock(fd, LOCK_EX); });
  return temporary;
}

TemporaryFile TemporaryFile::CreateBeside(const std::string& path) {
  auto directory = std::make_shared<Directory>();
  const std::string shownDirectory = Detail::DirectoryOf(path);
  if (!directory->Open(shownDirectory)) {
    const ErrorKeeper keep;
    TemporaryFile failed;
    failed.ShownName = Shown(shownDirectory, TemporaryOwnName(Shortened(OwnNameOf(path))));
    return failed;
  }
  return CreateIn(std::move(directory), OwnNameOf(path), shownDirectory);
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : Handle(std::move(other.Handle)),
      Folder(std::move(other.Folder)),
      OwnName(std::move(other.OwnName)),
      ShownDirectory(std::move(other.ShownDirectory)),
      ShownName(std::move(other.ShownName)),
      Named(other.Named) {
  other.Named = false;
}

TemporaryFile::~TemporaryFile() { Discard(); }

void TemporaryFile::Discard() {
  const ErrorKeeper keep;
  // Removed by name while still open (and locked), so no other run takes it meanwhile.
  if (Named && Handle && Folder &&
      StillNames(DirectoryAccess::Fd(*Folder), OwnName, Handle->Descriptor))
    ::unlinkat(DirectoryAccess::Fd(*Folder), OwnName.c_str(), 0);
  Named = false;
  Handle.reset();
}

bool TemporaryFile::GiveName(const std::string& ownName) {
  const int fd = Handle->Descriptor;
  const int at = DirectoryAccess::Fd(*Folder);
  if (Named) {
    // A named file takes the new name by a link, so a taken name is never overwritten.
    if (Retrying([&] { return ::linkat(at, OwnName.c_str(), at, ownName.c_str(), 0); }) != 0)
      return false;
    ::unlinkat(at, OwnName.c_str(), 0);
  } else if (::linkat(fd, "", at, ownName.c_str(), AT_EMPTY_PATH) != 0) {
    // Without the privilege to link a descriptor, its /proc name does the same.
    const std::string procName = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, procName.c_str(), at, ownName.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return false;
  }
  OwnName = ownName;
  ShownName = Shown(ShownDirectory, ownName);
  Named = true;
  return true;
}

bool TemporaryFile::ReplaceByRename(const std::string& target) {
  if (!Handle) return false;
  if (InjectedFault(Call::Replace)) return false;
  const std::string targetName = OwnNameOf(target);
  if (!Named) {
    const std::string own = Shortened(targetName);
    bool named = false;
    for (int attempt = 0; attempt < NamedTries && !named; ++attempt) {
      named = GiveName(TemporaryOwnName(own));
      if (!named && errno != EEXIST) return false;
    }
    if (!named) return false;
  }
  const int at = DirectoryAccess::Fd(*Folder);
  if (::renameat(at, OwnName.c_str(), at, targetName.c_str()) != 0) return false;
  Named = false;
  Handle->Close();
  Handle.reset();
  return true;
}

bool TemporaryFile::ReplaceInPlace(const std::string& target, std::uint64_t device,
                                   std::uint64_t inode) {
  if (!Handle) return false;
  if (InjectedFault(Call::Replace)) return false;
  const std::string targetName = OwnNameOf(target);
  const int at = DirectoryAccess::Fd(*Folder);
  const Descriptor output(Retrying([&] {
    return ::openat(at, targetName.c_str(),
                    O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  }));
  if (!output.Valid()) return false;
  struct stat info;
  if (::fstat(output.Get(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (inode != 0 && (static_cast<std::uint64_t>(info.st_dev) != device ||
                     static_cast<std::uint64_t>(info.st_ino) != inode)) {
    errno = ESTALE;  // another file took the name since it was checked
    return false;
  }
  const int fd = Handle->Descriptor;
  struct stat content;
  if (::fstat(fd, &content) != 0) return false;
  // The record binds the content to its target; the owner is the target's, so only a working
  // file its owner could have made is ever trusted by a later walk.
  Detail::CopyRecord record;
  record.Device = static_cast<std::uint64_t>(info.st_dev);
  record.Inode = static_cast<std::uint64_t>(info.st_ino);
  record.Length = static_cast<std::uint64_t>(content.st_size);
  if (!Detail::ChecksumOf(fd, record.Length, record.Checksum)) return false;
  unsigned char bytes[Detail::CopyRecordSize];
  Detail::EncodeRecord(record, bytes);
  if (Retrying([&] {
        return ::pwrite(fd, bytes, sizeof bytes, static_cast<off_t>(record.Length));
      }) != static_cast<ssize_t>(sizeof bytes))
    return false;
  if (info.st_uid != content.st_uid || info.st_gid != content.st_gid)
    ::fchown(fd, info.st_uid, info.st_gid);
  ::fchmod(fd, 0600);
  if (Retrying([&] { return ::fsync(fd); }) != 0) return false;
  // The content becomes recoverable before the first byte of the target changes.
  if (!GiveName(InPlaceCopyName(targetName, record.Inode)) || !Detail::SyncDirectory(at))
    return false;
  bool touched = false;
  if (!Detail::CopyOver(fd, output.Get(), record.Length, touched)) {
    if (touched) {
      // The target is part new, part old: the working file stays, so the next walk of this
      // directory finishes the copy.
      const ErrorKeeper keep;
      Named = false;
      Handle.reset();
    }
    return false;
  }
  const ErrorKeeper keep;  // the content is in place: what follows is tidying
  ::unlinkat(at, OwnName.c_str(), 0);
  Named = false;
  Detail::SyncDirectory(at);
  Handle.reset();
  return true;
}

bool WriteSavedCopy(const File& input, const FileAttributes& attributes,
                    std::shared_ptr<const Directory> directory, const std::string& ownName,
                    bool allowOwnerChange) {
  if (InjectedFault(Call::CopyFile)) return false;
  TemporaryFile copy = TemporaryFile::CreateIn(std::move(directory), ownName, std::string());
  if (!copy) return false;
  const int from = FileAccess::Fd(input);
  std::vector<char> buffer(1 << 16);
  for (std::uint64_t offset = 0;;) {
    const ssize_t got = Retrying(
        [&] { return ::pread(from, buffer.data(), buffer.size(), static_cast<off_t>(offset)); });
    if (got < 0) return false;
    if (got == 0) break;
    if (!copy.Output().WriteAll(buffer.data(), static_cast<std::size_t>(got))) return false;
    offset += static_cast<std::uint64_t>(got);
  }
  return KeepAccessRules(input, copy.Output(), attributes, allowOwnerChange) ==
             AccessOutcome::Kept &&
         copy.Output().Sync() && copy.ReplaceByRename(ownName);
}

}  // namespace Platform
