#include "platform/WorkingFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileCalls.h"
#include "InPlaceCopy.h"

namespace Platform {

using Detail::Descriptor;
using Detail::DirectoryAccess;
using Detail::ErrorKeeper;
using Detail::Retrying;

namespace {

bool EndsWith(const std::string& name, const char* marker, std::size_t length) {
  return name.size() > length && name.compare(name.size() - length, length, marker) == 0;
}

TidyResult Result(const std::string& name, TidyOutcome outcome,
                  const std::string& blocked = std::string(), int error = 0,
                  std::uint64_t blockedInode = 0) {
  return TidyResult{name, outcome, blocked, blocked.empty() ? 0 : blockedInode, error};
}

// A target of an in-place copy: the regular file of inode `inode` on `device` in the
// directory, under `own` or, when that name was shortened or changed, any other name.
bool FindTarget(int at, const std::string& own, std::uint64_t device, std::uint64_t inode,
                std::string& name, struct stat& info) {
  const auto isTarget = [&](const char* candidate) {
    return ::fstatat(at, candidate, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_ino) == inode &&
           (device == 0 || static_cast<std::uint64_t>(info.st_dev) == device);
  };
  if (isTarget(own.c_str())) {
    name = own;
    return true;
  }
  const int own_fd =
      Retrying([&] { return ::openat(at, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (own_fd < 0) return false;
  DIR* listing = ::fdopendir(own_fd);
  if (listing == nullptr) {
    ::close(own_fd);
    return false;
  }
  bool found = false;
  while (const dirent* entry = ::readdir(listing)) {
    if (static_cast<std::uint64_t>(entry->d_ino) != inode) continue;
    if (isTarget(entry->d_name)) {
      name = entry->d_name;
      found = true;
      break;
    }
  }
  ::closedir(listing);
  return found;
}

// Opens the working file `name` when it passes the checks every trusted working file passes:
// a regular file, no link, mode 0600 (or `otherMode`), one link. -1 otherwise, with `outcome`
// saying why.
int OpenWorkingFile(int at, const std::string& name, struct stat& info, TidyOutcome& outcome,
                    int& error, mode_t otherMode = 0600) {
  const int fd = Retrying([&] {
    return ::openat(at, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  });
  if (fd < 0) {
    error = errno;
    outcome = errno == ENOENT  ? TidyOutcome::Tidied
              : errno == ELOOP ? TidyOutcome::Untrusted
                               : TidyOutcome::Failed;
    return -1;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 ||
      ((info.st_mode & 07777) != 0600 && (info.st_mode & 07777) != otherMode)) {
    ::close(fd);
    outcome = TidyOutcome::Untrusted;
    return -1;
  }
  if (Retrying([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    error = errno;
    ::close(fd);
    outcome = error == EWOULDBLOCK ? TidyOutcome::InUse : TidyOutcome::Failed;
    return -1;
  }
  struct stat byName;
  if (::fstatat(at, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) != 0 ||
      byName.st_ino != info.st_ino || byName.st_dev != info.st_dev) {
    ::close(fd);
    outcome = TidyOutcome::Untrusted;  // swapped while we looked
    return -1;
  }
  return fd;
}

bool RemoveEntry(int at, const std::string& name, int fd) {
  struct stat byName;
  struct stat open;
  if (::fstatat(at, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(fd, &open) != 0 ||
      byName.st_ino != open.st_ino || byName.st_dev != open.st_dev)
    return false;
  return ::unlinkat(at, name.c_str(), 0) == 0;
}

TidyResult TidyTemporary(int at, const std::string& name, TidyMode mode) {
  std::string own;
  if (!Detail::ParseTemporaryName(name, own)) return Result(name, TidyOutcome::Untrusted);
  // New content killed in the instant between taking a name and its rename already has its
  // file's owner and mode: that mode passes too, with that owner.
  struct stat file;
  const bool fileThere =
      ::fstatat(at, own.c_str(), &file, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(file.st_mode);
  struct stat info;
  TidyOutcome outcome = TidyOutcome::Tidied;
  int error = 0;
  const Descriptor fd(
      OpenWorkingFile(at, name, info, outcome, error, fileThere ? file.st_mode & 07777 : 0600));
  if (!fd.Valid()) return Result(name, outcome, std::string(), error);
  // The writer is the running user or the owner of the file it was for.
  const bool fileOwner = fileThere && file.st_uid == info.st_uid;
  if ((info.st_mode & 07777) != 0600 && !fileOwner) return Result(name, TidyOutcome::Untrusted);
  if (info.st_uid != ::geteuid() && !fileOwner) return Result(name, TidyOutcome::Untrusted);
  if (mode == TidyMode::LookOnly) return Result(name, TidyOutcome::Unfinished);
  if (!RemoveEntry(at, name, fd.Get()))
    return Result(name, TidyOutcome::Failed, std::string(), errno);
  return Result(name, TidyOutcome::Tidied);
}

TidyResult TidyCopy(int at, const std::string& name, TidyMode mode) {
  std::string own;
  std::uint64_t inode = 0;
  if (!Detail::ParseCopyName(name, own, inode)) return Result(name, TidyOutcome::Untrusted);
  // What the copy blocks is known before anything about it is trusted.
  std::string target;
  struct stat targetInfo;
  const bool targetFound = FindTarget(at, own, 0, inode, target, targetInfo);
  const std::string blocked = targetFound ? target : std::string();

  struct stat info;
  TidyOutcome outcome = TidyOutcome::Tidied;
  int error = 0;
  const Descriptor fd(OpenWorkingFile(at, name, info, outcome, error));
  if (!fd.Valid())
    return Result(name, outcome, outcome == TidyOutcome::Tidied ? std::string() : blocked, error,
                  inode);

  unsigned char bytes[Detail::CopyRecordSize];
  Detail::CopyRecord record;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size < sizeof bytes ||
      Retrying([&] {
        return ::pread(fd.Get(), bytes, sizeof bytes, static_cast<off_t>(size - sizeof bytes));
      }) != static_cast<ssize_t>(sizeof bytes) ||
      !Detail::DecodeRecord(bytes, record) || record.Inode != inode ||
      record.Device != static_cast<std::uint64_t>(info.st_dev) ||
      record.Length != size - sizeof bytes)
    return Result(name, TidyOutcome::Untrusted, blocked, 0, inode);

  if (!targetFound) {
    // The target is gone: a copy of the running user's own has done its job.
    if (info.st_uid != ::geteuid()) return Result(name, TidyOutcome::Untrusted);
    if (mode == TidyMode::LookOnly) return Result(name, TidyOutcome::Unfinished);
    if (!RemoveEntry(at, name, fd.Get()))
      return Result(name, TidyOutcome::Failed, std::string(), errno);
    return Result(name, TidyOutcome::Tidied);
  }
  if (static_cast<std::uint64_t>(targetInfo.st_dev) != record.Device ||
      targetInfo.st_uid != info.st_uid)
    return Result(name, TidyOutcome::Untrusted, blocked, 0, inode);
  std::uint64_t checksum = 0;
  if (!Detail::ChecksumOf(fd.Get(), record.Length, checksum) || checksum != record.Checksum)
    return Result(name, TidyOutcome::Untrusted, blocked, 0, inode);
  if (mode == TidyMode::LookOnly) return Result(name, TidyOutcome::Unfinished, blocked, 0, inode);

  const Descriptor output(Retrying([&] {
    return ::openat(at, target.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
  }));
  struct stat opened;
  if (!output.Valid()) return Result(name, TidyOutcome::Failed, blocked, errno, inode);
  if (::fstat(output.Get(), &opened) != 0 || opened.st_ino != targetInfo.st_ino ||
      opened.st_dev != targetInfo.st_dev)
    return Result(name, TidyOutcome::Failed, blocked, ESTALE, inode);
  // A run rewriting the target holds this lock for its check and replacement.
  Retrying([&] { return ::flock(output.Get(), LOCK_EX); });
  bool touched = false;
  if (!Detail::CopyOver(fd.Get(), output.Get(), record.Length, touched))
    return Result(name, TidyOutcome::Failed, blocked, errno, inode);
  RemoveEntry(at, name, fd.Get());
  Detail::SyncDirectory(at);
  return Result(name, TidyOutcome::Tidied);
}

}  // namespace

WorkingFileKind KindOfWorkingFile(const std::string& ownName) {
  if (ownName.empty() || ownName[0] != '.') return WorkingFileKind::None;
  if (EndsWith(ownName, Detail::TemporaryMarker, sizeof Detail::TemporaryMarker - 1))
    return WorkingFileKind::Temporary;
  if (EndsWith(ownName, Detail::CopyMarker, sizeof Detail::CopyMarker - 1))
    return WorkingFileKind::InterruptedCopy;
  return WorkingFileKind::None;
}

TidyResult TidyWorkingFile(const Directory& directory, const std::string& ownName, TidyMode mode) {
  const ErrorKeeper keep;  // tidying is a walk's side job: it never disturbs its error code
  if (!directory.IsOpen()) return Result(ownName, TidyOutcome::Failed, std::string(), EBADF);
  const int at = DirectoryAccess::Fd(directory);
  switch (KindOfWorkingFile(ownName)) {
    case WorkingFileKind::Temporary:
      return TidyTemporary(at, ownName, mode);
    case WorkingFileKind::InterruptedCopy:
      return TidyCopy(at, ownName, mode);
    case WorkingFileKind::None:
      break;
  }
  return Result(ownName, TidyOutcome::Tidied);
}

std::set<std::string> TidyWorkingFiles(const Directory& directory,
                                       const std::vector<DirectoryEntry>& entries, TidyMode mode,
                                       std::vector<TidyResult>* untidied) {
  std::set<std::string> blocked;
  std::set<std::uint64_t> blockedInodes;
  for (const DirectoryEntry& entry : entries) {
    if (!IsWorkingFile(entry.Name)) continue;
    TidyResult result = TidyWorkingFile(directory, entry.Name, mode);
    if (result.Outcome == TidyOutcome::Tidied) continue;
    if (!result.BlockedName.empty()) {
      blocked.insert(result.BlockedName);
      blockedInodes.insert(result.BlockedInode);
    }
    if (untidied != nullptr) untidied->push_back(std::move(result));
  }
  if (blockedInodes.empty() || !directory.IsOpen()) return blocked;
  // The torn file's other names in this directory are as torn.
  const ErrorKeeper keep;
  for (const DirectoryEntry& entry : entries) {
    if (entry.Kind != EntryKind::File || IsWorkingFile(entry.Name)) continue;
    struct stat info;
    if (::fstatat(DirectoryAccess::Fd(directory), entry.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) ==
            0 &&
        blockedInodes.count(static_cast<std::uint64_t>(info.st_ino)) != 0)
      blocked.insert(entry.Name);
  }
  return blocked;
}

}  // namespace Platform
