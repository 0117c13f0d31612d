#include <cstring>
#include <string>

#include "ChangeFiles.h"
#include "DirectoryHandle.h"
#include "common/FileRewrite.h"
#include "grepcore/Walk.h"
#include "platform/ThreadSlot.h"

#include "IoError.h"

namespace grepcore {

Result<WalkedFile> LocateFile(std::string_view path) {
  Common::FileLocation location;
  const std::string named(path);
  if (!Common::LocateFile(named, location)) {
    return IoError(Platform::LastError(), named);
  }
  auto handle = std::make_shared<DirectoryHandle>();
  handle->Open = location.Directory;
  handle->Identity = location.Directory->Identity();
  if (location.Directory) handle->Identity = location.Directory->Identity();
  const std::size_t slash = named.rfind('/');
  handle->Path = slash == std::string::npos ? "." : named.substr(0, slash == 0 ? 1 : slash);
  WalkedFile file;
  file.Directory = std::move(handle);
  file.Name = location.Name;
  file.Path = named;
  file.Shown = named;
  return file;
}

std::string TargetPath(const WalkedFile& file) {
  return file.Directory ? JoinedPath(file.Directory->Path, file.Name) : file.Path;
}

void ReleaseDirectory(WalkedFile& file) {
  if (!file.Directory || !file.Directory->Open) return;
  auto released = std::make_shared<DirectoryHandle>(*file.Directory);
  released->Open.reset();
  file.Directory = std::move(released);
}

}  // namespace grepcore
