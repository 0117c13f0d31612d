#include "platform/FaultSeam.h"

#include <signal.h>

#include <cerrno>
#include <cstddef>

namespace Platform {
namespace {

struct Plan {
  unsigned Countdown = 0;  // 0: no fault planned
  int ErrorCode = 0;
  bool Kill = false;  // die instead of failing
};

constexpr std::size_t KindCount = static_cast<std::size_t>(Call::KindCount);

// The seam's only state: one plan per call kind and thread.
thread_local Plan Plans[KindCount];

}  // namespace

void FailCall(Call kind, unsigned nth, int errorCode) {
  Plans[static_cast<std::size_t>(kind)] = Plan{nth, errorCode};
}

void KillAtCall(Call kind, unsigned nth) {
  Plans[static_cast<std::size_t>(kind)] = Plan{nth, 0, true};
}

void ClearFaults() {
  for (Plan& plan : Plans) plan = Plan{};
}

bool InjectedFault(Call kind) {
  Plan& plan = Plans[static_cast<std::size_t>(kind)];
  if (plan.Countdown == 0 || --plan.Countdown != 0) return false;
  if (plan.Kill) ::raise(SIGKILL);
  errno = plan.ErrorCode;
  return true;
}

}  // namespace Platform
