#pragma once
// What a grepcore::DirectoryHandle holds: the platform's open directory and the path it was
// reached by. A walk over many directories may let the open directory go (Open null) and keep
// its identity, so it can be reopened by its path and checked to be the same.

#include <memory>
#include <string>

#include "platform/Directory.h"

namespace grepcore {

struct DirectoryHandle {
  std::shared_ptr<const Platform::Directory> Open;
  std::string Path;                      // "." for the current directory
  Platform::DirectoryIdentity Identity;  // Open's, or the one let go; all zero: not known
};

}  // namespace grepcore
