#include "PathWalk.h"

#include <utility>

#include "DirectoryHandle.h"

namespace RegexTool {
namespace {

std::string Joined(const std::string& directory, const std::string& name) {
  if (directory == ".") return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

}  // namespace

std::string WalkedFile::TargetPath() const { return Joined(DirectoryPath, Name); }

std::string WalkedFile::SiblingPath(const std::string& name) const {
  return Joined(DirectoryPath, name);
}

grepcore::WalkOptions WalkOptionsOf(const PathSelection& selection) {
  grepcore::WalkOptions options;
  options.Roots = selection.Paths;
  options.Globs = selection.Globs;
  options.Include = selection.Include;
  options.Exclude = selection.Exclude;
  options.Hidden = selection.Hidden;
  if (selection.NoIgnore) options.IgnoreFiles.clear();
  options.SkipExtension = selection.SkipExtension;
  options.MaskRecursion = selection.MaskRecursion;
  options.ChangeNothing = selection.ChangeNothing;
  options.Identities = selection.Identities;
  return options;
}

void WalkFiles(const PathSelection& selection, const std::function<void(WalkedFile&& file)>& visit,
               std::vector<WalkProblem>& problems) {
  std::vector<WalkProblem> met =
      grepcore::Walk(WalkOptionsOf(selection), [&visit](grepcore::WalkedFile&& walked) {
        WalkedFile file;
        if (walked.Directory) {
          file.Directory = walked.Directory->Open;
          file.DirectoryId = walked.Directory->Identity;
          file.DirectoryPath = walked.Directory->Path;
        }
        file.Name = std::move(walked.Name);
        file.Device = walked.Device;
        file.Inode = walked.Inode;
        file.Path = std::move(walked.Path);
        file.Shown = std::move(walked.Shown);
        file.Problem = std::move(walked.Problem);
        visit(std::move(file));
      });
  for (WalkProblem& problem : met) problems.push_back(std::move(problem));
}

void WalkPaths(const PathSelection& selection,
               const std::function<void(const std::string& file)>& visit,
               std::vector<WalkProblem>& problems) {
  std::vector<WalkProblem> met = grepcore::Walk(
      WalkOptionsOf(selection), [&visit](grepcore::WalkedFile&& file) { visit(file.Path); });
  for (WalkProblem& problem : met) problems.push_back(std::move(problem));
}

}  // namespace RegexTool
