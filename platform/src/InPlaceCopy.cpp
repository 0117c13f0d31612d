#include "InPlaceCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FileCalls.h"
#include "platform/FaultSeam.h"

namespace Platform {
namespace Detail {
namespace {

constexpr char RecordMagic[8] = {'r', 'x', 'c', 'o', 'p', 'y', '0', '1'};
constexpr std::size_t CopyChunk = 1 << 16;

void Put(unsigned char* at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t Get(const unsigned char* at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

bool IsUnsupportedByFileSystem(int error) {
  return error == EOPNOTSUPP || error == EINVAL || error == ENOSYS;
}

bool WriteAt(int fd, const char* data, std::size_t count, std::uint64_t offset) {
  if (InjectedFault(Call::Write)) return false;
  while (count > 0) {
    const ssize_t done =
        Retrying([&] { return ::pwrite(fd, data, count, static_cast<off_t>(offset)); });
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

}  // namespace

void EncodeRecord(const CopyRecord& record, unsigned char (&bytes)[CopyRecordSize]) {
  std::memcpy(bytes, RecordMagic, sizeof RecordMagic);
  Put(bytes + 8, record.Device);
  Put(bytes + 16, record.Inode);
  Put(bytes + 24, record.Length);
  Put(bytes + 32, record.Checksum);
}

bool DecodeRecord(const unsigned char (&bytes)[CopyRecordSize], CopyRecord& record) {
  if (std::memcmp(bytes, RecordMagic, sizeof RecordMagic) != 0) return false;
  record.Device = Get(bytes + 8);
  record.Inode = Get(bytes + 16);
  record.Length = Get(bytes + 24);
  record.Checksum = Get(bytes + 32);
  return true;
}

std::uint64_t Checksum(const void* data, std::size_t length, std::uint64_t seed) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint64_t hash = seed;
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

bool ChecksumOf(int fd, std::uint64_t length, std::uint64_t& checksum) {
  std::vector<char> buffer(CopyChunk);
  checksum = ChecksumSeed;
  for (std::uint64_t offset = 0; offset < length;) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - offset));
    const ssize_t got =
        Retrying([&] { return ::pread(fd, buffer.data(), want, static_cast<off_t>(offset)); });
    if (got < 0) return false;
    if (got == 0) {
      errno = 0;
      return false;
    }
    checksum = Checksum(buffer.data(), static_cast<std::size_t>(got), checksum);
    offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool CopyOver(int source, int target, std::uint64_t length, bool& touched) {
  touched = false;
  struct stat to;
  if (::fstat(target, &to) != 0) return false;
  const auto oldSize = static_cast<std::uint64_t>(to.st_size);
  if (length > oldSize) {
    const int reserved = Retrying([&] {
      return ::fallocate(target, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(oldSize),
                         static_cast<off_t>(length - oldSize));
    });
    if (reserved != 0 && !IsUnsupportedByFileSystem(errno)) return false;
  }
  std::vector<char> buffer(CopyChunk);
  for (std::uint64_t offset = 0; offset < length;) {
    if (InjectedFault(Call::Read)) return false;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), length - offset));
    const ssize_t got =
        Retrying([&] { return ::pread(source, buffer.data(), want, static_cast<off_t>(offset)); });
    if (got < 0) return false;
    if (got == 0) {  // the working file was cut short: never copy less than it records
      errno = EIO;
      return false;
    }
    touched = true;
    if (InjectedFault(Call::CopyInPlace)) return false;
    if (!WriteAt(target, buffer.data(), static_cast<std::size_t>(got), offset)) return false;
    offset += static_cast<std::uint64_t>(got);
  }
  touched = true;
  if (Retrying([&] { return ::ftruncate(target, static_cast<off_t>(length)); }) != 0) return false;
  if (InjectedFault(Call::Sync)) return false;
  return Retrying([&] { return ::fsync(target); }) == 0;
}

bool ParseCopyName(const std::string& name, std::string& own, std::uint64_t& inode) {
  const std::size_t marker = sizeof CopyMarker - 1;
  if (name.size() < marker + 3 || name[0] != '.' ||
      name.compare(name.size() - marker, marker, CopyMarker) != 0)
    return false;
  const std::string middle = name.substr(1, name.size() - 1 - marker);
  const std::size_t dot = middle.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == middle.size()) return false;
  own = middle.substr(0, dot);
  char* end = nullptr;
  const std::string digits = middle.substr(dot + 1);
  errno = 0;
  inode = std::strtoull(digits.c_str(), &end, 16);
  return errno == 0 && end != nullptr && *end == '\0';
}

bool ParseTemporaryName(const std::string& name, std::string& own) {
  const std::size_t marker = sizeof TemporaryMarker - 1;
  if (name.size() < marker + 3 || name[0] != '.' ||
      name.compare(name.size() - marker, marker, TemporaryMarker) != 0)
    return false;
  const std::string middle = name.substr(1, name.size() - 1 - marker);
  const std::size_t dot = middle.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  own = middle.substr(0, dot);
  return true;
}

}  // namespace Detail
}  // namespace Platform
