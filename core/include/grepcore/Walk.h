#pragma once
// Picking the files to search or change, as line-oriented search tools pick them: files and
// directories as given (directories searched through), filtered by globs, hidden names and
// ignore files, links followed or not, to a depth. The walk knows nothing of what is searched
// for; it hands each file on as a WalkedFile, which the searcher reads and the change run
// rewrites without ever resolving its path again.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Export.h"
#include "grepcore/Result.h"

namespace grepcore {

struct DirectoryHandle;  // an open directory; defined inside the toolkit only

// One file, as the walk (or LocateFile) reached it: the directory it was listed in, held open
// while anyone holds the handle (so a rename of the tree meanwhile cannot redirect a read or a
// rewrite), its own name there, the entry's identity and how it is shown.
struct WalkedFile {
  std::shared_ptr<const DirectoryHandle> Directory;
  std::string Name;          // its own name in Directory
  std::uint64_t Device = 0;  // the entry's identity, a link not followed; 0, 0: not known
  std::uint64_t Inode = 0;
  std::string Path;   // as given or walked ("a/b.txt"): what line output names
  std::string Shown;  // Path, or "lnk -> target" for a link named by the caller
};

// A path the caller names, located as a user's path is: its directory part opened as given
// (links in it followed), a final symbolic link resolved to its target's directory and name.
// An Io error when it cannot be.
GREPCORE_EXPORT Result<WalkedFile> LocateFile(std::string_view path);

}  // namespace grepcore
