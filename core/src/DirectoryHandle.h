#pragma once
// What a grepcore::DirectoryHandle holds: the platform's open directory and the path it was
// reached by.

#include <memory>
#include <string>

#include "platform/Directory.h"

namespace grepcore {

struct DirectoryHandle {
  std::shared_ptr<const Platform::Directory> Open;
  std::string Path;  // "." for the current directory
};

}  // namespace grepcore
