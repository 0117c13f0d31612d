// TO GO once the walk is the core's: the only place the command line sees the core's handle.
#include "WalkBridge.h"

#include <utility>

#include "DirectoryHandle.h"

namespace RegexTool {

grepcore::WalkedFile WalkBridge::ToCore(WalkedFile&& file) {
  if (!Last || file.Directory.get() != LastOpen || file.DirectoryPath != LastPath) {
    auto handle = std::make_shared<grepcore::DirectoryHandle>();
    handle->Open = file.Directory;
    handle->Path = file.DirectoryPath;
    handle->Identity = file.DirectoryId;
    Last = std::move(handle);
    LastOpen = file.Directory.get();
    LastPath = file.DirectoryPath;
  }
  grepcore::WalkedFile walked;
  walked.Directory = Last;
  walked.Name = std::move(file.Name);
  walked.Device = file.Device;
  walked.Inode = file.Inode;
  walked.Path = std::move(file.Path);
  walked.Shown = std::move(file.Shown);
  return walked;
}

}  // namespace RegexTool
