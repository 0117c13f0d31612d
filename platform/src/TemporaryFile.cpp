#include "platform/TemporaryFile.h"

#include <dirent.h>
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
#include "platform/FaultSeam.h"

namespace Platform {

using Detail::Descriptor;
using Detail::DirectoryOf;
using Detail::ErrorKeeper;
using Detail::OwnNameOf;
using Detail::Retrying;

namespace {

constexpr const char TemporaryMarker[] = ".~rxtmp";
constexpr const char CopyMarker[] = ".~rxcopy";
constexpr std::size_t CopyChunk = 1 << 16;
// Room left for the changed file's own name in a working-file name.
constexpr std::size_t NameRoom = NAME_MAX - 32;

std::string ShortenedOwnName(const std::string& path) {
  std::string own = OwnNameOf(path);
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
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(value >> (i * 4));
  }
  std::string tag;
  for (unsigned char byte : bytes) tag += Alphabet[byte % (sizeof Alphabet - 1)];
  return tag;
}

std::string TemporaryNameBeside(const std::string& directory, const std::string& own) {
  return directory + "/." + own + "." + RandomTag() + TemporaryMarker;
}

bool IsUnsupportedByFileSystem(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

// Writes all of `count` bytes at `offset`.
bool WriteAt(int fd, const char* data, std::size_t count, std::uint64_t offset) {
  if (InjectedFault(Call::Write)) return false;
  while (count > 0) {
    const ssize_t done = Retrying([&] { return ::pwrite(fd, data, count, static_cast<off_t>(offset)); });
    if (done < 0) return false;
    if (done == 0) {
      errno = ENOSPC;
      return false;
    }
    data += done;
    count -= static_cast<std::size_t>(done);
    offset += static_cast<std::uint64_t>(done);
  }
  return true;
}

// Copies the whole of `source` over `target` and flushes it. Space for a target that grows is
// taken before the first byte is written, so a full disk fails the copy while the target is
// still untouched. `touched` tells whether the target may have changed.
bool CopyOver(int source, int target, bool& touched) {
  touched = false;
  struct stat from;
  struct stat to;
  if (::fstat(source, &from) != 0 || ::fstat(target, &to) != 0) return false;
  const auto size = static_cast<std::uint64_t>(from.st_size);
  const auto oldSize = static_cast<std::uint64_t>(to.st_size);
  if (size > oldSize) {
    const int reserved = Retrying([&] {
      return ::fallocate(target, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(oldSize),
                         static_cast<off_t>(size - oldSize));
    });
    if (reserved != 0 && !IsUnsupportedByFileSystem(errno)) return false;
  }
  std::vector<char> buffer(CopyChunk);
  for (std::uint64_t offset = 0; offset < size;) {
    if (InjectedFault(Call::Read)) return false;
    const ssize_t got = Retrying(
        [&] { return ::pread(source, buffer.data(), buffer.size(), static_cast<off_t>(offset)); });
    if (got < 0) return false;
    if (got == 0) break;  // cannot happen to a file nobody else writes; stop where it ends
    touched = true;
    if (!WriteAt(target, buffer.data(), static_cast<std::size_t>(got), offset)) return false;
    offset += static_cast<std::uint64_t>(got);
  }
  touched = true;
  if (Retrying([&] { return ::ftruncate(target, static_cast<off_t>(size)); }) != 0) return false;
  if (InjectedFault(Call::Sync)) return false;
  return Retrying([&] { return ::fsync(target); }) == 0;
}

// True when `name` in `directory` still is the file open as `fd`.
bool StillNames(const std::string& path, int fd) {
  struct stat byName;
  struct stat open;
  return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &open) == 0 &&
         byName.st_dev == open.st_dev && byName.st_ino == open.st_ino;
}

// Opens a working file found in a directory, only when nobody holds its lock.
int OpenUnclaimed(const std::string& path) {
  const int fd = Retrying(
      [&] { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY); });
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      Retrying([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0 || !StillNames(path, fd)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The target of an in-place copy: its recorded inode, found under its recorded (perhaps
// shortened) name or, failing that, anywhere in the directory.
std::string FindCopyTarget(const std::string& directory, const std::string& own, std::uint64_t inode) {
  const auto isTarget = [&](const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_ino) == inode;
  };
  if (isTarget(directory + "/" + own)) return directory + "/" + own;
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return std::string();
  std::string found;
  while (const dirent* entry = ::readdir(listing)) {
    if (static_cast<std::uint64_t>(entry->d_ino) != inode) continue;
    const std::string path = directory + "/" + entry->d_name;
    if (isTarget(path)) {
      found = path;
      break;
    }
  }
  ::closedir(listing);
  return found;
}

// Splits ".<own>.<inode>.~rxcopy"; false when the name is not of that shape.
bool ParseCopyName(const std::string& name, std::string& own, std::uint64_t& inode) {
  const std::size_t marker = sizeof CopyMarker - 1;
  if (name.size() < marker + 3 || name[0] != '.') return false;
  const std::string middle = name.substr(1, name.size() - 1 - marker);
  const std::size_t dot = middle.rfind('.');
  if (dot == std::string::npos || dot + 1 == middle.size()) return false;
  own = middle.substr(0, dot);
  char* end = nullptr;
  const std::string digits = middle.substr(dot + 1);
  inode = std::strtoull(digits.c_str(), &end, 16);
  return end != nullptr && *end == '\0';
}

}  // namespace

std::string InPlaceCopyName(const std::string& ownName, std::uint64_t inode) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%llx", static_cast<unsigned long long>(inode));
  std::string own = ownName;
  if (own.size() > NameRoom) own.resize(NameRoom);
  return "." + own + "." + digits + CopyMarker;
}

TemporaryFile TemporaryFile::CreateBeside(const std::string& path) {
  TemporaryFile temporary;
  temporary.Directory = DirectoryOf(path);
  const std::string own = ShortenedOwnName(path);
  temporary.OwnName = TemporaryNameBeside(temporary.Directory, own);
  if (InjectedFault(Call::CreateTemporary)) return temporary;

  int fd = Retrying([&] {
    return ::open(temporary.Directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  });
  if (fd < 0 && IsUnsupportedByFileSystem(errno)) {
    // No unnamed files here: a working-file name it is.
    std::string pattern = temporary.Directory + "/." + own + ".XXXXXX" + TemporaryMarker;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = Retrying([&] {
      return ::mkostemps(name.data(), static_cast<int>(sizeof TemporaryMarker - 1), O_CLOEXEC);
    });
    if (fd >= 0) {
      temporary.OwnName.assign(name.data());
      temporary.Named = true;
    }
  }
  if (fd < 0) return temporary;
  temporary.Handle = std::make_unique<File>(fd);
  // Held until the file is put in place or removed: a later run leaves a locked file alone.
  Retrying([&] { return ::flock(fd, LOCK_EX); });
  return temporary;
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : Handle(std::move(other.Handle)),
      OwnName(std::move(other.OwnName)),
      Directory(std::move(other.Directory)),
      Named(other.Named) {
  other.Named = false;
}

TemporaryFile::~TemporaryFile() { Discard(); }

void TemporaryFile::Discard() {
  const ErrorKeeper keep;
  // Removed by name while still open (and locked), so no other run takes it meanwhile.
  if (Named && Handle && StillNames(OwnName, Handle->Descriptor)) ::unlink(OwnName.c_str());
  Named = false;
  Handle.reset();
}

bool TemporaryFile::GiveName(const std::string& name) {
  const int fd = Handle->Descriptor;
  if (Named) {
    // A named file takes the new name by a link, so a taken name is never overwritten.
    if (Retrying([&] { return ::link(OwnName.c_str(), name.c_str()); }) != 0) return false;
    ::unlink(OwnName.c_str());
  } else if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) != 0) {
    // Without the privilege to link a descriptor, its /proc name does the same.
    const std::string procName = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, procName.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return false;
  }
  OwnName = name;
  Named = true;
  return true;
}

bool TemporaryFile::ReplaceByRename(const std::string& target) {
  if (!Handle) return false;
  if (InjectedFault(Call::Replace)) return false;
  if (!Named) {
    const std::string own = ShortenedOwnName(target);
    bool named = false;
    for (int attempt = 0; attempt < 8 && !named; ++attempt) {
      named = GiveName(TemporaryNameBeside(Directory, own));
      if (!named && errno != EEXIST) return false;
    }
    if (!named) return false;
  }
  if (::rename(OwnName.c_str(), target.c_str()) != 0) return false;
  Named = false;
  Handle->Close();
  Handle.reset();
  return true;
}

bool TemporaryFile::ReplaceInPlace(const std::string& target) {
  if (!Handle) return false;
  if (InjectedFault(Call::Replace)) return false;
  const Descriptor output(Retrying(
      [&] { return ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY); }));
  if (!output.Valid()) return false;
  struct stat info;
  if (::fstat(output.Get(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return false;
  }
  const std::string copyName = Directory + "/" +
      InPlaceCopyName(OwnNameOf(target), static_cast<std::uint64_t>(info.st_ino));
  // The content becomes recoverable before the first byte of the target changes.
  if (!GiveName(copyName) || !Detail::SyncDirectory(Directory)) return false;
  bool touched = false;
  if (!CopyOver(Handle->Descriptor, output.Get(), touched)) {
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
  ::unlink(OwnName.c_str());
  Named = false;
  Detail::SyncDirectory(Directory);
  Handle.reset();
  return true;
}

bool RemoveAbandonedTemporary(const std::string& directory, const std::string& temporaryName) {
  const std::string path = directory + "/" + temporaryName;
  const Descriptor claimed(OpenUnclaimed(path));
  return claimed.Valid() && ::unlink(path.c_str()) == 0;
}

bool FinishInPlaceCopy(const std::string& directory, const std::string& copyName) {
  std::string own;
  std::uint64_t inode = 0;
  if (!ParseCopyName(copyName, own, inode)) return false;
  const std::string path = directory + "/" + copyName;
  const Descriptor source(OpenUnclaimed(path));
  if (!source.Valid()) return false;
  const std::string target = FindCopyTarget(directory, own, inode);
  if (!target.empty()) {
    const Descriptor output(Retrying(
        [&] { return ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY); }));
    if (!output.Valid()) return false;
    // A run rewriting the target holds this lock for its check and replacement.
    Retrying([&] { return ::flock(output.Get(), LOCK_EX); });
    bool touched = false;
    if (!CopyOver(source.Get(), output.Get(), touched)) return false;
  }
  // Finished, or its target is gone: the working file has done its job.
  ::unlink(path.c_str());
  Detail::SyncDirectory(directory);
  return true;
}

}  // namespace Platform
