#pragma once
// Entries reached by a path, as a command line's walk meets them: the entry's own identity (a
// link in its last place not followed), an open of it that refuses a link there and any other
// file than the one walked, and the target of a link named on the command line.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Files.h"

namespace Platform {

struct EntryIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool IsLink = false;  // the entry is a symbolic link (its own identity, not its target's)
  bool Exists() const { return Device != 0 || Inode != 0; }
  bool SameFile(const EntryIdentity& other) const {
    return Device == other.Device && Inode == other.Inode;
  }
};

// The identity of the entry `path` names, a link in its last place not followed; false (with
// LastError()) when there is none.
bool DescribeEntry(const std::string& path, EntryIdentity& identity);

// Opens the regular file `path` names for reading when it is still the entry `expected`: a
// link in its last place is refused (ELOOP), another file under that name (or behind a moved
// directory) is refused with ESTALE, anything but a regular file with EINVAL; null then.
std::unique_ptr<File> OpenWalkedEntry(const std::string& path, const EntryIdentity& expected);

// Where the link `path` leads: its target's path, a relative target taken from the link's
// directory, links after links followed (at most 40). `path` itself when it is no link; empty
// when a link on the way cannot be read.
std::string FinalTarget(const std::string& path);

}  // namespace Platform
