#pragma once
// The file commands' selection of files and directories, as their options give it, and the
// core's walk options (grepcore/Walk.h) it stands for.

#include <cstddef>
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
  std::vector<std::string> ExcludeDirectories;  // --exclude-dir (basename globs)
  std::vector<std::string> Types;               // -t (file types)
  std::vector<std::string> NotTypes;            // -T
  bool FollowLinks = false;                     // -R, --follow: links in directories followed
  std::size_t MaxDepth = static_cast<std::size_t>(-1);  // --max-depth; 1: a root's own entries
  bool Hidden =
      false;  // --hidden: dot files and dot directories too (.git stays skipped unless named)
  bool NoIgnore = false;  // --no-ignore: no ignore file honoured
  std::string SkipExtension;   // files carrying this extension are skipped (change's saved copies),
                               // empty: none
  bool MaskRecursion = false;  // -r: the name part of a mask applies in every sub-directory too
  bool ChangeNothing = false;  // a dry run: working files are not tidied (torn files still skipped)
  bool Identities = false;     // hand each file on with its entry's device and inode
};

using grepcore::WalkProblem;

// The core's options for `selection`.
grepcore::WalkOptions WalkOptionsOf(const PathSelection& selection);

using grepcore::FirstBlockHoldsNul;

}  // namespace RegexTool
