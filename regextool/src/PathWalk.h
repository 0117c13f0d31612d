#pragma once
// The files a file command works on, picked as line-oriented search tools pick them: files and
// directories as given (directories searched through), filtered by globs, hidden names and
// .gitignore files. The walk knows nothing of what is searched for.

#include <platform/Directory.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

struct WalkProblem {
  std::string Path;
  std::string Message;
};  // a missing path, an unreadable directory

// Every selected regular file once, in a stable order (the paths as given; inside a directory,
// names sorted bytewise). A path that does not exist but holds a wildcard (* ? [ {) is a mask:
// a directory part and a file-name pattern, the form the toolkit's own file search takes.
// Files named on the command line are always taken; files met inside directories pass the
// filters, and symbolic links met there are not followed. With no paths, names are shown
// relative to the current directory ("a/b.txt", not "./a/b.txt").
//
// Before it visits a directory's files the walk tidies the toolkit's working files there (an
// interrupted in-place copy is finished, an abandoned temporary file removed; nothing with
// ChangeNothing), never hands on a working file, and passes over a file whose in-place copy is
// still unfinished with a problem.
void WalkPaths(const PathSelection& selection,
               const std::function<void(const std::string& file)>& visit,
               std::vector<WalkProblem>& problems);
void WalkFiles(const PathSelection& selection, const std::function<void(WalkedFile&& file)>& visit,
               std::vector<WalkProblem>& problems);

// True when the first block of the file (8 KiB) holds a NUL byte.
bool LooksBinary(const std::string& file);

// The same test on content already read: a NUL byte among its first 8 KiB.
bool FirstBlockHoldsNul(std::string_view content);

}  // namespace RegexTool
