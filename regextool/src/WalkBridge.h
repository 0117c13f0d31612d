#pragma once
// TO GO once the walk is the core's: the command line's walked files handed to the core's
// change run as the core's walked files.

#include <grepcore/Walk.h>

#include "PathWalk.h"

namespace RegexTool {

// Keeps the last directory's handle, so the files of one directory share it.
class WalkBridge {
 public:
  grepcore::WalkedFile ToCore(WalkedFile&& file);

 private:
  std::shared_ptr<const grepcore::DirectoryHandle> Last;
  const Platform::Directory* LastOpen = nullptr;
  std::string LastPath;
};

}  // namespace RegexTool
