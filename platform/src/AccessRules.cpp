// The access rules a file's new content takes over from the old file before it gets a name.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "FileCalls.h"
#include "platform/FaultSeam.h"
#include "platform/Files.h"

namespace Platform {
namespace {

constexpr mode_t SetIdBits = S_ISUID | S_ISGID;

bool IsUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

// The extended attribute names `fd` shows; false on failure (none at all where the file
// system keeps none).
bool ListNames(int fd, std::vector<std::string>& names) {
  names.clear();
  for (;;) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return IsUnsupported(errno);
    std::vector<char> list(static_cast<std::size_t>(size) + 1);
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0) {
      if (errno == ERANGE) continue;  // grew meanwhile
      return IsUnsupported(errno);
    }
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
      const std::string name(list.data() + at);
      at += name.size() + 1;
      if (!name.empty()) names.push_back(name);
    }
    return true;
  }
}

bool ValueOf(int fd, const std::string& name, std::vector<char>& value, bool& present) {
  present = true;
  for (;;) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) {
      present = false;
      return errno == ENODATA;  // removed meanwhile
    }
    value.resize(static_cast<std::size_t>(size));
    const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) {
      present = false;
      return errno == ENODATA;
    }
  }
}

// `to` ends with exactly the extended attributes (the access ACL among them) `from` shows.
bool CopyExtendedAttributes(int from, int to) {
  std::vector<std::string> wanted;
  std::vector<std::string> present;
  if (!ListNames(from, wanted) || !ListNames(to, present)) return false;
  for (const std::string& name : present) {
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) continue;
    // Typically the access ACL the folder's default ACL gave the new file.
    if (::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA) return false;
  }
  std::vector<char> value;
  for (const std::string& name : wanted) {
    bool found = false;
    if (!ValueOf(from, name, value, found)) return false;
    if (!found) continue;
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  return true;
}

}  // namespace

AccessOutcome KeepAccessRules(const File& from, File& to, const FileAttributes& attributes,
                              bool allowOwnerChange) {
  if (InjectedFault(Call::SetAttributes)) return AccessOutcome::Failed;
  const int in = Detail::FileAccess::Fd(from);
  const int out = Detail::FileAccess::Fd(to);
  struct stat now;
  if (::fstat(out, &now) != 0) return AccessOutcome::Failed;
  if (now.st_uid != attributes.Owner || now.st_gid != attributes.Group) {
    if (::fchown(out, attributes.Owner, attributes.Group) != 0) {
      if (errno != EPERM) return AccessOutcome::Failed;
      if (!allowOwnerChange) return AccessOutcome::OwnerNotKept;
      ::fchown(out, static_cast<uid_t>(-1), attributes.Group);  // the group, where it may
    }
    if (::fstat(out, &now) != 0) return AccessOutcome::Failed;
  }
  const bool ownerKept = now.st_uid == attributes.Owner && now.st_gid == attributes.Group;
  const mode_t mode =
      static_cast<mode_t>(attributes.Mode & 07777) & (ownerKept ? 07777 : ~SetIdBits);
  if (::fchmod(out, mode & ~SetIdBits) != 0) return AccessOutcome::Failed;
  if (!CopyExtendedAttributes(in, out)) return AccessOutcome::Failed;
  // Last, so no moment has set-id bits on a file of the wrong owner.
  if (::fchmod(out, mode) != 0 || ::fstat(out, &now) != 0) return AccessOutcome::Failed;
  if ((now.st_mode & 07777) != mode) {
    errno = EPERM;
    return AccessOutcome::Failed;
  }
  return AccessOutcome::Kept;
}

}  // namespace Platform
