#include "MaskWalk.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "platform/WorkingFiles.h"

namespace grepcore {
namespace {

bool IsFile(Platform::EntryKind kind) {
  return kind == Platform::EntryKind::File || kind == Platform::EntryKind::LinkToFile;
}

// A directory on the way down from the mask's directory to the one being walked.
struct Level {
  std::string Path;    // to reopen it by when ".." fails
  std::string Prefix;  // what goes before its names in a visited path
  Platform::DirectoryIdentity Identity;
  std::vector<std::string> Pending;  // sub-directories still to walk, the next one last
};

// The mask's own directory as a path without a trailing '/' ("/" stays itself).
std::string PathOfMaskDirectory(const FileMask& mask) {
  std::string path = mask.Directory();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Lists the directory open in `here` (the directory of `level`), tidies its working files,
// visits its matching files and notes its sub-directories in `level`. False when the visitor
// ended the walk.
bool WalkFilesOf(const FileMask& mask, bool recurse, const WalkTidying& tidy,
                 const Platform::Directory& here, Level& level, const FileVisitor& visit) {
  std::vector<Platform::DirectoryEntry> entries;
  if (!here.List(entries)) return true;
  std::sort(entries.begin(), entries.end(),
            [](const Platform::DirectoryEntry& a, const Platform::DirectoryEntry& b) {
              return a.Name < b.Name;  // char_traits<char> compares as unsigned bytes
            });
  // A file whose in-place copy is unfinished is torn: it is passed over, never searched.
  const std::set<std::string> blocked = Platform::TidyWorkingFiles(here, entries, tidy.Mode);
  if (tidy.PassedOver != nullptr)
    for (const std::string& name : blocked)
      if (mask.Matches(name)) tidy.PassedOver->push_back(level.Prefix + name);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const Platform::DirectoryEntry& entry) {
                                 return Platform::IsWorkingFile(entry.Name) ||
                                        blocked.count(entry.Name) != 0;
                               }),
                entries.end());

  for (const Platform::DirectoryEntry& entry : entries) {
    if (IsFile(entry.Kind)) {
      if (!mask.Matches(entry.Name)) continue;
      const std::string path = level.Prefix + entry.Name;
      if (!visit(MaskedFile{path, here, entry.Name, entry.Kind})) return false;
    } else if (recurse && entry.Kind == Platform::EntryKind::Directory) {
      level.Pending.push_back(entry.Name);
    }
  }
  std::reverse(level.Pending.begin(), level.Pending.end());
  return true;
}

// Makes `current` the directory of `level` again after walking one of its sub-directories:
// through ".." of the sub-directory, else by its path; either must lead to the same directory.
// False when neither does: what is left of that directory cannot be walked.
bool ReturnTo(const Level& level, Platform::Directory& current) {
  Platform::Directory parent;
  if (current.IsOpen() && parent.OpenParent(current, level.Identity)) {
    current = std::move(parent);
    return true;
  }
  current.Close();
  if (parent.Open(level.Path) && parent.Identity() == level.Identity) {
    current = std::move(parent);
    return true;
  }
  return false;
}

}  // namespace

bool WalkMask(const FileMask& mask, bool recurse, const WalkTidying& tidy,
              const FileVisitor& visit) {
  Platform::Directory current;
  if (!current.Open(mask.Directory())) return true;
  std::vector<Level> levels;
  levels.push_back(Level{PathOfMaskDirectory(mask), mask.PathPrefix(), current.Identity(), {}});
  if (!WalkFilesOf(mask, recurse, tidy, current, levels.back(), visit)) return false;

  // Only the directory being walked is held open: going down opens a sub-directory through
  // it, going back up reopens its parent.
  while (!levels.empty()) {
    if (levels.back().Pending.empty()) {
      levels.pop_back();
      if (!levels.empty() && !ReturnTo(levels.back(), current)) levels.back().Pending.clear();
      continue;
    }
    const std::string name = std::move(levels.back().Pending.back());
    levels.back().Pending.pop_back();
    Platform::Directory child;
    if (!child.OpenChild(current, name)) continue;  // passed over like an unlistable one
    const std::string path = levels.back().Prefix + name;
    current = std::move(child);
    levels.push_back(Level{path, path + '/', current.Identity(), {}});
    if (!WalkFilesOf(mask, recurse, tidy, current, levels.back(), visit)) return false;
  }
  return true;
}

}  // namespace grepcore
