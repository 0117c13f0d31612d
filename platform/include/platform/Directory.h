#pragma once
// A directory held open by a handle: its entries and what each one is (links told apart from
// what they point to, so a walk can search linked files without descending into linked
// directories), and its sub-directories and files reached through the handle, so that the
// depth of a tree never matters (a path to a deep file may be longer than the system takes).

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

enum class EntryKind {
  File,  // a regular file
  Directory,
  LinkToFile,       // a symbolic link whose target is a regular file
  LinkToDirectory,  // a symbolic link whose target is a directory
  Other             // anything else: devices, pipes, sockets, dangling links
};

struct DirectoryEntry {
  std::string Name;  // the entry's own name, without the directory
  EntryKind Kind = EntryKind::Other;
};

// What tells one directory from another, whatever the path that reached it.
struct DirectoryIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool operator==(const DirectoryIdentity& other) const {
    return Device == other.Device && Inode == other.Inode;
  }
  bool operator!=(const DirectoryIdentity& other) const { return !(*this == other); }
};

class FileContent;
namespace Detail {
struct DirectoryAccess;
}

// One open directory (or none); closed when destroyed or replaced. Every failing call returns
// false, leaves the object closed and its error code in LastError().
class Directory {
 public:
  Directory() = default;
  ~Directory();
  Directory(Directory&& other) noexcept;
  Directory& operator=(Directory&& other) noexcept;
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // Opens the directory `path` names (a link to a directory is followed).
  bool Open(const std::string& path);
  // Opens the sub-directory `name` of `parent`; a link is never followed.
  bool OpenChild(const Directory& parent, const std::string& name);
  // Opens the directory `path` names relative to `base` (an absolute path ignores it); links
  // on the way are followed, as for a path a user or a link's text names.
  bool OpenRelative(const Directory& base, const std::string& path);
  // A second handle on the same directory (for a file's rewrite that outlives the walk's
  // handle); closed on failure.
  Directory Duplicate() const;
  // Opens the directory above `child` when it is still the directory `expected`: false when
  // the tree was moved meanwhile.
  bool OpenParent(const Directory& child, const DirectoryIdentity& expected);
  // Opens the directory above `child` (its ".."), whatever it is; false at the top of the
  // file system (where ".." is the directory itself: then LastError() is 0) or when it
  // cannot be opened.
  bool OpenAbove(const Directory& child);
  void Close();
  bool IsOpen() const { return Descriptor >= 0; }

  // The directory's identity; all zero when it is not open.
  DirectoryIdentity Identity() const { return Id; }

  // Replaces `entries` with the directory's entries ("." and ".." left out), in the order the
  // file system gives them. False when it cannot be read; `entries` is then empty (the
  // directory stays open).
  bool List(std::vector<DirectoryEntry>& entries) const;

  // Finds the name under which the sub-directory `child` is listed here (a mount point
  // included); false when none is.
  bool NameOf(const DirectoryIdentity& child, std::string& name) const;

  // True when the directory holds an entry `name` of any kind (a link is followed, a dangling
  // one does not count).
  bool Holds(const std::string& name) const;

 private:
  friend class FileContent;               // opens files of the directory
  friend struct Detail::DirectoryAccess;  // the platform layer's other units act relative to it
  bool Adopt(int descriptor);

  int Descriptor = -1;
  DirectoryIdentity Id;
};

}  // namespace Platform
