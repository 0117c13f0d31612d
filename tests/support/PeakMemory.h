#pragma once
// How much resident memory a piece of work needs at its peak, measured in a forked child so
// the test process's own history does not count.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

namespace TestSupport {

// Under the address sanitizer its shadow memory and its quarantine of freed blocks are resident
// too: a peak measured there says nothing about the code's own needs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define GREPTOOLKIT_UNDER_A_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define GREPTOOLKIT_UNDER_A_SANITIZER 1
#endif
#endif
#ifdef GREPTOOLKIT_UNDER_A_SANITIZER
inline constexpr bool PeaksAreMeaningful = false;
#else
inline constexpr bool PeaksAreMeaningful = true;
#endif

inline std::int64_t PeakResidentBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

struct PeakGrowth {
  std::int64_t Bytes = -1;  // how far the peak rose during the work; -1: the child did not say
  bool WorkSucceeded = false;
};

// Runs `prepare()` and then `work()` (which returns whether its results were right) in a
// forked child. A failed check inside the child would not reach the test, hence the flag.
template <class Prepare, class Work>
PeakGrowth PeakGrowthOf(Prepare prepare, Work work) {
  PeakGrowth result;
  int channel[2];
  if (::pipe(channel) != 0) return result;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    prepare();
    PeakGrowth measured;
    const std::int64_t before = PeakResidentBytes();
    measured.WorkSucceeded = work();
    measured.Bytes = PeakResidentBytes() - before;
    const bool sent = ::write(channel[1], &measured, sizeof measured) == sizeof measured;
    ::_exit(sent ? 0 : 1);
  }
  ::close(channel[1]);
  if (child < 0 || ::read(channel[0], &result, sizeof result) != sizeof result)
    result = PeakGrowth();
  ::close(channel[0]);
  int status = 0;
  if (child > 0) ::waitpid(child, &status, 0);
  return result;
}

}  // namespace TestSupport
