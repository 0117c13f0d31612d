#include "WalkSelection.h"

namespace RegexTool {

grepcore::WalkOptions WalkOptionsOf(const PathSelection& selection) {
  grepcore::WalkOptions options;
  options.Roots = selection.Paths;
  options.Globs = selection.Globs;
  options.Include = selection.Include;
  options.Exclude = selection.Exclude;
  options.ExcludeDirectories = selection.ExcludeDirectories;
  options.Types = selection.Types;
  options.NotTypes = selection.NotTypes;
  options.FollowLinks = selection.FollowLinks;
  options.MaxDepth = selection.MaxDepth;
  options.Hidden = selection.Hidden;
  if (selection.NoIgnore) options.IgnoreFiles.clear();
  options.SkipExtension = selection.SkipExtension;
  options.MaskRecursion = selection.MaskRecursion;
  options.ChangeNothing = selection.ChangeNothing;
  options.Identities = selection.Identities;
  return options;
}

}  // namespace RegexTool
