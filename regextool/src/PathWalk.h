#pragma once
// The files a file command works on, picked as line-oriented search tools pick them: files and
// directories as given (directories searched through), filtered by globs, hidden names and
// .gitignore files. The walk knows nothing of what is searched for.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace RegexTool {

struct PathSelection {
  std::vector<std::string> Paths;    // files and directories as given ("." when none)
  std::vector<std::string> Globs;    // --glob (a leading '!' excludes), with ** and {a,b}
  std::vector<std::string> Include;  // --include (basename globs)
  std::vector<std::string> Exclude;  // --exclude (basename globs)
  bool Hidden = false;    // --hidden: dot files and dot directories too (.git stays skipped unless named)
  bool NoIgnore = false;  // --no-ignore: .gitignore not honoured
  std::string SkipExtension;  // files carrying this extension are skipped (change's saved copies), empty: none
  bool MaskRecursion = false;  // -r: the name part of a mask applies in every sub-directory too
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
void WalkPaths(const PathSelection& selection, const std::function<void(const std::string& file)>& visit,
               std::vector<WalkProblem>& problems);

// True when the first block of the file (8 KiB) holds a NUL byte.
bool LooksBinary(const std::string& file);

// The same test on content already read: a NUL byte among its first 8 KiB.
bool FirstBlockHoldsNul(std::string_view content);

}  // namespace RegexTool
