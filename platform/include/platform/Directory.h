#pragma once
// Listing one directory: the names it holds and what each one is, links told apart from what
// they point to, so a walk can search linked files without descending into linked directories.

#include <string>
#include <vector>

namespace Platform {

enum class EntryKind {
  File,             // a regular file
  Directory,
  LinkToFile,       // a symbolic link whose target is a regular file
  LinkToDirectory,  // a symbolic link whose target is a directory
  Other             // anything else: devices, pipes, sockets, dangling links
};

struct DirectoryEntry {
  std::string Name;  // the entry's own name, without the directory
  EntryKind Kind = EntryKind::Other;
};

// Replaces `entries` with the entries of `directory` ("." and ".." left out), in the order the
// file system gives them. False when the directory cannot be opened or read; `entries` is then
// empty and LastError() says why.
bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries);

}  // namespace Platform
