#include "MaskWalk.h"

#include <algorithm>
#include <vector>

#include "platform/Directory.h"

namespace GrepEngine {
namespace {

bool IsFile(Platform::EntryKind kind) {
  return kind == Platform::EntryKind::File || kind == Platform::EntryKind::LinkToFile;
}

// `listed` is the path to list, `prefix` what goes before its names in a visited path.
bool WalkDirectory(const FileMask& mask, bool recurse, const std::string& listed,
                   const std::string& prefix, const FileVisitor& visit) {
  std::vector<Platform::DirectoryEntry> entries;
  if (!Platform::ListDirectory(listed, entries)) return true;
  std::sort(entries.begin(), entries.end(),
            [](const Platform::DirectoryEntry& a, const Platform::DirectoryEntry& b) {
              return a.Name < b.Name;  // char_traits<char> compares as unsigned bytes
            });
  std::vector<std::string> subdirectories;
  for (const Platform::DirectoryEntry& entry : entries) {
    if (IsFile(entry.Kind)) {
      if (mask.Matches(entry.Name) && !visit(prefix + entry.Name)) return false;
    } else if (recurse && entry.Kind == Platform::EntryKind::Directory) {
      subdirectories.push_back(entry.Name);
    }
  }
  // Only the names to descend into are kept while deeper levels are walked.
  entries.clear();
  entries.shrink_to_fit();
  for (const std::string& name : subdirectories) {
    const std::string path = prefix + name;
    if (!WalkDirectory(mask, recurse, path, path + '/', visit)) return false;
  }
  return true;
}

}  // namespace

bool WalkMask(const FileMask& mask, bool recurse, const FileVisitor& visit) {
  return WalkDirectory(mask, recurse, mask.Directory(), mask.PathPrefix(), visit);
}

}  // namespace GrepEngine
