#pragma once
// Picking the files to search or change, as line-oriented search tools pick them: files and
// directories as given (directories searched through), filtered by globs, hidden names and
// ignore files, links followed or not, to a depth. The walk knows nothing of what is searched
// for; it hands each file on as a WalkedFile, which the searcher reads and the change run
// rewrites without ever resolving its path again.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
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
  std::string Path;     // as given or walked ("a/b.txt"): what line output names
  std::string Shown;    // Path, or "lnk -> target" for a link named by the caller
  bool Stream = false;  // named as a root and no regular file (a FIFO, a device): read as it comes
  bool Linked = false;  // met as a symbolic link inside a directory, followed (FollowLinks)
  std::string Problem;  // why a named file could not be located (with Identities), else empty
};

// What to walk and what to take, as one value.
struct WalkOptions {
  std::vector<std::string> Roots;    // files and directories as given ("." when none)
  std::vector<std::string> Globs;    // a leading '!' excludes; ** and {a,b}; the last match wins
  std::vector<std::string> Include;  // basename globs a file must match one of
  std::vector<std::string> Exclude;  // basename globs a file must match none of
  std::vector<std::string> ExcludeDirectories;  // basename globs of directories not entered
                                                // (a root too, by its last component)
  std::vector<std::string> Types;               // file types (FileTypes()) a file must be one of
  std::vector<std::string> NotTypes;            // file types a file must be none of
  bool Hidden = false;  // dot files and dot directories too (.git stays skipped unless named)
  // Ignore files, in rising precedence, read in every directory walked and in every directory
  // above a root: a file of a later name outranks one of an earlier name, then a deeper one a
  // shallower one, then a later line an earlier one. .gitignore (with .git/info/exclude just
  // below it) counts only inside a git repository, from its top down. Empty: none.
  std::vector<std::string> IgnoreFiles{".gitignore", ".ignore", ".rgignore"};
  bool FollowLinks = false;  // links met inside directories followed (a loop is not entered)
  std::size_t MaxDepth = std::numeric_limits<std::size_t>::max();  // 1: a root's own entries
  std::string SkipExtension;   // files carrying this extension are skipped; empty: none
  bool MaskRecursion = false;  // a mask's name part applies in every sub-directory too
  bool ChangeNothing = false;  // a dry run: working files are not tidied (torn ones still skipped)
  bool Identities = false;     // hand each file on with its entry's device and inode
  // Every root is a file mask as the pattern class reads it, whatever exists: a directory part
  // taken as it is and a name pattern where only * and ? are special, matched by the files of
  // that directory (with MaskRecursion, of every directory below it too). A directory's files
  // come before its sub-directories; links to files are taken and links to directories never
  // entered (FollowLinks aside); no name is hidden or ignored (.git included); and only the
  // directory being walked is held open, so a tree of any depth takes two descriptors.
  bool RootsAreMasks = false;
};

enum class WalkProblemKind {
  Missing,     // a root that does not exist
  Unreadable,  // a directory that could not be opened or listed
  Untrusted,   // a working file the toolkit cannot vouch for, left alone
  Unfinished,  // a file whose in-place copy is unfinished, not handed on
  Loop,        // a followed link back to a directory above it, not entered (a warning)
};

struct WalkProblem {
  WalkProblemKind Kind = WalkProblemKind::Missing;
  std::string Path;
  std::string Message;
};

// Hands every selected regular file to `visit` once, in a stable order (the roots as given;
// inside a directory, names sorted bytewise), and returns what could not be walked. A root
// that does not exist but holds a wildcard (* ? [ {) is a mask: a directory part and a
// file-name pattern. Files named as roots are always taken (a link as its final target);
// files met inside directories pass the filters. With no roots, names are shown relative to
// the current directory ("a/b.txt", not "./a/b.txt").
//
// Before it visits a directory's files the walk tidies the toolkit's working files there (an
// interrupted in-place copy is finished, an abandoned temporary file removed; nothing with
// ChangeNothing), never hands on a working file, and passes over a file whose in-place copy is
// still unfinished with a problem.
GREPCORE_EXPORT std::vector<WalkProblem> Walk(const WalkOptions& options,
                                              const std::function<void(WalkedFile&& file)>& visit);
// The same walk, stopped as soon as `visit` returns false (the problems met until then are
// returned).
GREPCORE_EXPORT std::vector<WalkProblem> WalkUntil(
    const WalkOptions& options, const std::function<bool(WalkedFile&& file)>& visit);

// A named set of file-name globs (a language's sources), as -t TYPE chooses files.
struct FileType {
  std::string Name;
  std::vector<std::string> Globs;  // matched against a file's own name
};

// The known file types, sorted by name.
GREPCORE_EXPORT std::vector<FileType> FileTypes();
// True when `name` is a known file type.
GREPCORE_EXPORT bool IsFileType(std::string_view name);

// True when the text's first block (8 KiB) holds a NUL byte: the walk's and the search's
// test of a binary file.
GREPCORE_EXPORT bool FirstBlockHoldsNul(std::string_view content);
// The same test on the file `path` names; false when it cannot be read.
GREPCORE_EXPORT bool LooksBinary(const std::string& path);

// A path the caller names, located as a user's path is: its directory part opened as given
// (links in it followed), a final symbolic link resolved to its target's directory and name.
// An Io error when it cannot be.
GREPCORE_EXPORT Result<WalkedFile> LocateFile(std::string_view path);

// The path of the file itself, from its directory's path and its own name (for a link the
// walk resolved, the target's): "a/b.txt", "x" for a file of the current directory.
GREPCORE_EXPORT std::string TargetPath(const WalkedFile& file);

// Lets go of the open directory behind `file` and keeps its path and identity, so that a long
// list of walked files does not hold a descriptor per directory; whoever opens the file later
// reopens the directory by its path and checks it is the one walked.
GREPCORE_EXPORT void ReleaseDirectory(WalkedFile& file);

}  // namespace grepcore
