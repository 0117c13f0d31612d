#pragma once
// Small helpers the platform layer's file units share.

#include <cerrno>
#include <string>

#include "platform/Directory.h"
#include "platform/Files.h"

namespace Platform {
namespace Detail {

// The descriptor behind a directory handle, for the units that act relative to it.
struct DirectoryAccess {
  static int Fd(const Directory& directory) { return directory.Descriptor; }
};

struct FileAccess {
  static int Fd(const File& file) { return file.Descriptor; }
};

// Runs a system call again when a signal interrupted it.
template <class Call>
auto Retrying(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

// Keeps the first failure's error code through the clean-up calls that follow it.
class ErrorKeeper {
 public:
  ErrorKeeper() : Saved(errno) {}
  ~ErrorKeeper() { errno = Saved; }
  ErrorKeeper(const ErrorKeeper&) = delete;
  ErrorKeeper& operator=(const ErrorKeeper&) = delete;

 private:
  int Saved;
};

// A descriptor closed on every way out, keeping errno.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : Fd(fd) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return Fd; }
  bool Valid() const { return Fd >= 0; }

 private:
  int Fd;
};

// Closes `fd` without letting close's own result replace the error being reported.
void CloseKeepingError(int fd);

std::string DirectoryOf(const std::string& path);
std::string OwnNameOf(const std::string& path);

// Makes the directory's entries durable (a rename or link in it survives a power loss).
bool SyncDirectory(const std::string& directory);
bool SyncDirectory(int directoryFd);

}  // namespace Detail
}  // namespace Platform
