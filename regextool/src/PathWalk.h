#pragma once
// The change run's view of the core's walk (grepcore/Walk.h): its selection and its walked
// files with the platform's directory handle, as the change files take them until the change
// run itself stands on the core.

#include <platform/Directory.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Walk.h"

namespace RegexTool {

struct PathSelection {
  std::vector<std::string> Paths;    // files and directories as given ("." when none)
  std::vector<std::string> Globs;    // --glob (a leading '!' excludes), with ** and {a,b}
  std::vector<std::string> Include;  // --include (basename globs)
  std::vector<std::string> Exclude;  // --exclude (basename globs)
  bool Hidden =
      false;  // --hidden: dot files and dot directories too (.git stays skipped unless named)
  bool NoIgnore = false;       // --no-ignore: .gitignore not honoured
  std::string SkipExtension;   // files carrying this extension are skipped (change's saved copies),
                               // empty: none
  bool MaskRecursion = false;  // -r: the name part of a mask applies in every sub-directory too
  bool ChangeNothing = false;  // a dry run: working files are not tidied (torn files still skipped)
  bool Identities = false;     // hand each file on with its entry's device and inode
};

// One file the walk hands on: the directory it was listed in (held open while someone holds
// the handle), its own name there, its entry's identity and how it is shown. A link named on
// the command line is handed on as its final target (Path stays the name given).
struct WalkedFile {
  std::shared_ptr<const Platform::Directory> Directory;  // null: not located (see Problem)
  Platform::DirectoryIdentity DirectoryId;  // the directory's, kept when the handle is let go
  std::string DirectoryPath;                // the directory as a path ("." for the current one)
  std::string Name;                         // own name in Directory
  std::uint64_t Device = 0;                 // the entry's, a link not followed (with Identities)
  std::uint64_t Inode = 0;
  std::string Path;     // as given or walked ("a/b.txt"): what line output names
  std::string Shown;    // Path, or "lnk -> target" for a link named on the command line
  std::string Problem;  // why a named file could not be located (with Identities), else empty

  std::string TargetPath() const;  // DirectoryPath + "/" + Name ("x" for "./x")
  std::string SiblingPath(const std::string& name) const;  // another entry of Directory
};

using grepcore::WalkProblem;

// The core's options for `selection`.
grepcore::WalkOptions WalkOptionsOf(const PathSelection& selection);

void WalkPaths(const PathSelection& selection,
               const std::function<void(const std::string& file)>& visit,
               std::vector<WalkProblem>& problems);
void WalkFiles(const PathSelection& selection, const std::function<void(WalkedFile&& file)>& visit,
               std::vector<WalkProblem>& problems);

using grepcore::FirstBlockHoldsNul;

}  // namespace RegexTool
