#pragma once
// What a grepcore::DirectoryHandle holds: the platform's open directory and the path it was
// reached by. A walk over many directories may let the open directory go (Open null) and keep
// its identity, so it can be reopened by its path and checked to be the same.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Directory.h"

namespace grepcore {

struct DirectoryHandle {
  std::shared_ptr<const Platform::Directory> Open;  // null: only the path is known
  std::string Path;                                 // "." for the current directory
  Platform::DirectoryIdentity Identity;             // kept when Open is let go; zero: not known
};

}  // namespace grepcore
