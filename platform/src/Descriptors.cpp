#include "platform/Descriptors.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "FileCalls.h"
#include "platform/FaultSeam.h"

namespace Platform {

bool IsTerminal(int descriptor) { return ::isatty(descriptor) == 1; }

std::uint64_t RemainingInRegularFile(int descriptor) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const off_t offset = ::lseek(descriptor, 0, SEEK_CUR);
  if (offset < 0 || offset >= status.st_size) return 0;
  return static_cast<std::uint64_t>(status.st_size - offset);
}

bool WriteAllToDescriptor(int descriptor, const char* data, std::size_t count) {
  while (count != 0) {
    if (InjectedFault(Call::Write)) return false;
    const ssize_t written = Detail::Retrying([&] { return ::write(descriptor, data, count); });
    if (written < 0) return false;
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    data += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CloseDescriptor(int descriptor) {
  if (InjectedFault(Call::Close)) return false;
  return ::close(descriptor) == 0 || errno == EINTR;
}

void IgnoreBrokenPipe() { ::signal(SIGPIPE, SIG_IGN); }

std::uint64_t RaiseOpenDescriptorLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur != limit.rlim_max) {
    struct rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  // The kernel grows a process's table of descriptors by doubling it, and once the process
  // runs threads each doubling waits for the others to pass a quiescent point (15-20 ms on a
  // busy machine). A descriptor made high up and closed again grows it now, while the process
  // has one thread; the table never shrinks.
  constexpr rlim_t Reserved = 16384;
  const rlim_t top =
      limit.rlim_cur == RLIM_INFINITY ? Reserved : std::min(limit.rlim_cur, Reserved);
  for (int held = 0; held <= 2 && top > 1; ++held) {
    const int high = ::fcntl(held, F_DUPFD_CLOEXEC, static_cast<int>(top - 1));
    if (high >= 0) {
      ::close(high);
      break;
    }
  }
  return limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX : static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace Platform
