#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "FileCalls.h"
#include "RegularFileOpening.h"
#include "platform/FaultSeam.h"
#include "platform/TemporaryFile.h"

namespace Platform {

using Detail::ErrorKeeper;
using Detail::Retrying;

namespace {

constexpr std::size_t CopyChunk = 1 << 16;

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void Fill(const struct stat& info, FileIdentity& identity) {
  identity.Device = static_cast<std::uint64_t>(info.st_dev);
  identity.Inode = static_cast<std::uint64_t>(info.st_ino);
  identity.Size = static_cast<std::uint64_t>(info.st_size);
  identity.ModifiedNanoseconds = Nanoseconds(info.st_mtim);
  identity.ChangedNanoseconds = Nanoseconds(info.st_ctim);
}

FileAttributes AttributesOf(const struct stat& info) {
  FileAttributes attributes;
  attributes.Mode = static_cast<std::uint32_t>(info.st_mode & 07777);
  attributes.Owner = static_cast<std::uint32_t>(info.st_uid);
  attributes.Group = static_cast<std::uint32_t>(info.st_gid);
  attributes.LinkCount = static_cast<std::uint64_t>(info.st_nlink);
  return attributes;
}

// Copies the rest of `from` to `to`.
bool CopyContent(File& from, File& to) {
  std::vector<char> buffer(CopyChunk);
  for (;;) {
    std::size_t got = 0;
    if (!from.ReadSome(buffer.data(), buffer.size(), got)) return false;
    if (got == 0) return true;
    if (!to.WriteAll(buffer.data(), got)) return false;
  }
}

}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
  return Device == other.Device && Inode == other.Inode && Size == other.Size &&
         ModifiedNanoseconds == other.ModifiedNanoseconds &&
         ChangedNanoseconds == other.ChangedNanoseconds;
}

File::~File() {
  if (Descriptor >= 0) ::close(Descriptor);
}

bool File::ReadExactly(void* buffer, std::size_t count) {
  std::size_t got = 0;
  if (!ReadSome(buffer, count, got)) return false;
  if (got == count) return true;
  errno = 0;  // the file ended early: no system error
  return false;
}

bool File::ReadSome(void* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (InjectedFault(Call::Read)) return false;
  char* at = static_cast<char*>(buffer);
  while (got < capacity) {
    const ssize_t result = Retrying([&] { return ::read(Descriptor, at + got, capacity - got); });
    if (result < 0) return false;
    if (result == 0) break;
    got += static_cast<std::size_t>(result);
  }
  return true;
}

bool File::WriteAll(const void* data, std::size_t count) {
  if (InjectedFault(Call::Write)) return false;
  const char* at = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t result = Retrying([&] { return ::write(Descriptor, at + done, count - done); });
    if (result < 0) return false;
    if (result == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(result);
  }
  return true;
}

std::uint64_t File::Position() const {
  if (InjectedFault(Call::Position)) return NoPosition;
  const off_t offset = ::lseek(Descriptor, 0, SEEK_CUR);
  return offset < 0 ? NoPosition : static_cast<std::uint64_t>(offset);
}

bool File::Sync() {
  if (InjectedFault(Call::Sync)) return false;
  return Retrying([&] { return ::fsync(Descriptor); }) == 0;
}

bool File::StartWriteback() {
  // A hint, not a promise: no fault is planned for it.
  return ::sync_file_range(Descriptor, 0, 0, SYNC_FILE_RANGE_WRITE) == 0;
}

bool File::SyncFileSystem() {
  if (InjectedFault(Call::Sync)) return false;
  return Retrying([&] { return ::syncfs(Descriptor); }) == 0;
}

bool File::ApplyAttributes(const FileAttributes& attributes) {
  if (InjectedFault(Call::SetAttributes)) return false;
  if (::fchmod(Descriptor, static_cast<mode_t>(attributes.Mode & 07777)) != 0) return false;
  // Only a privileged process may give a file away; otherwise the writer keeps it.
  if (::fchown(Descriptor, attributes.Owner, attributes.Group) != 0 && errno != EPERM) return false;
  // chown clears set-id bits: put them back.
  return ::fchmod(Descriptor, static_cast<mode_t>(attributes.Mode & 07777)) == 0;
}

bool File::Describe(FileIdentity& identity, FileAttributes& attributes) const {
  if (InjectedFault(Call::Describe)) return false;
  struct stat info;
  if (::fstat(Descriptor, &info) != 0) return false;
  Fill(info, identity);
  attributes = AttributesOf(info);
  return true;
}

bool File::LockExclusive() {
  return Retrying([&] { return ::flock(Descriptor, LOCK_EX); }) == 0;
}

bool File::Close() {
  if (Descriptor < 0) return true;
  const int descriptor = Descriptor;
  Descriptor = -1;
  if (InjectedFault(Call::Close)) {
    ErrorKeeper keep;
    ::close(descriptor);
    return false;
  }
  // The descriptor is gone even when close reports an error; it must not be closed again.
  return ::close(descriptor) == 0 || errno == EINTR;
}

std::unique_ptr<File> OpenForReading(const std::string& path) {
  if (InjectedFault(Call::OpenForReading)) return nullptr;
  struct stat status;
  const int descriptor = OpenRegularFile(AT_FDCWD, path.c_str(), status);
  if (descriptor < 0) return nullptr;
  return std::make_unique<File>(descriptor);
}

std::unique_ptr<File> CreateNewFile(const std::string& path) {
  const int descriptor = Detail::Retrying([&] {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  });
  if (descriptor < 0) return nullptr;
  return std::make_unique<File>(descriptor);
}

std::unique_ptr<File> OpenForReading(const Directory& directory, const std::string& name) {
  if (InjectedFault(Call::OpenForReading)) return nullptr;
  if (!directory.IsOpen()) {
    errno = EBADF;
    return nullptr;
  }
  struct stat status;
  const int descriptor =
      OpenRegularFile(Detail::DirectoryAccess::Fd(directory), name.c_str(), status, O_NOFOLLOW);
  if (descriptor < 0) return nullptr;
  return std::make_unique<File>(descriptor);
}

bool DescribeEntry(const Directory& directory, const std::string& name, FileIdentity& identity) {
  if (InjectedFault(Call::Describe)) return false;
  if (!directory.IsOpen()) {
    errno = EBADF;
    return false;
  }
  struct stat info;
  if (::fstatat(Detail::DirectoryAccess::Fd(directory), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) !=
      0)
    return false;
  Fill(info, identity);
  return true;
}

bool ResolveFinalLink(std::shared_ptr<const Directory>& directory, std::string& name) {
  constexpr int MostLinks = 40;
  for (int followed = 0;; ++followed) {
    if (!directory || !directory->IsOpen()) {
      errno = EBADF;
      return false;
    }
    const int at = Detail::DirectoryAccess::Fd(*directory);
    struct stat info;
    if (::fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
      return errno == ENOENT;  // nothing there: the open that follows says so
    if (!S_ISLNK(info.st_mode)) return true;
    if (followed == MostLinks) {
      errno = ELOOP;
      return false;
    }
    std::vector<char> text(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) +
                           1);
    const ssize_t length = ::readlinkat(at, name.c_str(), text.data(), text.size());
    if (length < 0) return false;
    if (length == 0 || static_cast<std::size_t>(length) >= text.size()) {
      errno = length == 0 ? ENOENT : ENAMETOOLONG;
      return false;
    }
    const std::string target(text.data(), static_cast<std::size_t>(length));
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos) {
      name = target;
      continue;
    }
    name = target.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
      errno = EISDIR;
      return false;
    }
    auto next = std::make_shared<Directory>();
    if (!next->OpenRelative(*directory, slash == 0 ? std::string("/") : target.substr(0, slash)))
      return false;
    directory = std::move(next);
  }
}

bool CopyFile(const std::string& from, const std::string& to) {
  if (InjectedFault(Call::CopyFile)) return false;
  std::unique_ptr<File> source = OpenForReading(from);
  if (!source) return false;
  FileIdentity identity;
  FileAttributes attributes;
  if (!source->Describe(identity, attributes)) return false;
  TemporaryFile copy = TemporaryFile::CreateBeside(to);
  if (!copy) return false;
  return CopyContent(*source, copy.Output()) && copy.Output().ApplyAttributes(attributes) &&
         copy.Output().Sync() && copy.ReplaceByRename(to);
}

bool DeleteFile(const std::string& path) {
  if (InjectedFault(Call::DeleteFile)) return false;
  return ::unlink(path.c_str()) == 0;
}

FileAttributes GetAttributes(const std::string& path) {
  FileAttributes failed;
  failed.Mode = AttributesFailed;
  if (InjectedFault(Call::GetAttributes)) return failed;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return failed;
  return AttributesOf(info);
}

bool SetAttributes(const std::string& path, const FileAttributes& attributes) {
  if (InjectedFault(Call::SetAttributes)) return false;
  if (attributes.Mode == AttributesFailed) {
    errno = EINVAL;
    return false;
  }
  const mode_t mode = static_cast<mode_t>(attributes.Mode & 07777);
  if (::chmod(path.c_str(), mode) != 0) return false;
  if (::chown(path.c_str(), attributes.Owner, attributes.Group) != 0 && errno != EPERM)
    return false;
  return ::chmod(path.c_str(), mode) == 0;
}

bool Describe(const std::string& path, FileIdentity& identity) {
  if (InjectedFault(Call::Describe)) return false;
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  Fill(info, identity);
  return true;
}

std::string ResolveLinks(const std::string& path) {
  // Only a link in the last place changes which entry a rename replaces; linked directories on
  // the way lead the rename to the same entry as the resolved path. Most files are no link, and
  // one look at the entry spares resolving every component.
  struct stat entry;
  if (::lstat(path.c_str(), &entry) == 0 && !S_ISLNK(entry.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace Platform
