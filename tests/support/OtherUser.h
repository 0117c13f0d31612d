#pragma once
// Another local user for tests of what holds against one: `nobody`, in a child process of its
// own, so the test process keeps its privileges.

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace TestSupport {

struct UserIds {
  uid_t User = 0;
  gid_t Group = 0;
};

// The ids of `nobody` and `nogroup`; false when the system has none or the test does not run
// as root (only root can become another user).
inline bool NobodyIds(UserIds& ids) {
  if (::geteuid() != 0) return false;
  const passwd* user = ::getpwnam("nobody");
  if (user == nullptr) return false;
  const group* group = ::getgrnam("nogroup");
  ids.User = user->pw_uid;
  ids.Group = group != nullptr ? group->gr_gid : user->pw_gid;
  return true;
}

// Runs `work` in a child process that has become `ids` (no supplementary groups) and returns
// its result (0..255), or -1 when the child could not become that user or died.
inline int RunAs(const UserIds& ids, const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(ids.Group) != 0 || ::setuid(ids.User) != 0)
      ::_exit(255);
    ::_exit(work() & 0xff);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  return code == 255 ? -1 : code;
}

}  // namespace TestSupport
