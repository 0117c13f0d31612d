#pragma once
// Opening a walked file for reading as every searcher does: relative to its directory's handle
// (by its path when the walk let the handle go), a link followed only where the walk listed
// one, and refused when the entry is no longer the one walked.

#include <cerrno>
#include <optional>

#include "DirectoryHandle.h"
#include "IoError.h"
#include "grepcore/Walk.h"
#include "platform/FileContent.h"
#include "platform/ThreadSlot.h"

namespace grepcore {

// Null when `content` is open on the walked file, else the error.
inline std::optional<Error> OpenWalked(const WalkedFile& file, Platform::FileContent& content) {
  const bool opened =
      file.Directory && file.Directory->Open
          ? content.Open(*file.Directory->Open, file.Name, file.Linked)
          : content.Open(
                (file.Directory ? file.Directory->Path + "/" + file.Name : file.Name).c_str());
  if (!opened) return IoError(Platform::LastError(), file.Path);
  if ((file.Device != 0 || file.Inode != 0) &&
      (content.Device() != file.Device || content.Inode() != file.Inode))
    return IoError(ESTALE, file.Path);  // another file was put in its place since the walk
  return std::nullopt;
}

}  // namespace grepcore
