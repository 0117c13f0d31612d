#pragma once
// Files as the file change run needs them: read one file start to end, copy one, describe and
// delete one (writing new content beside a file is TemporaryFile.h's job). Every
// failing call returns false (or an empty result) and leaves its error code in LastError();
// a short read or write is a failure too.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Directory.h"

namespace Platform {

namespace Detail {
struct FileAccess;
}

// A file's permission bits, owner and link count. Mode is AttributesFailed when they could not
// be read.
struct FileAttributes {
  std::uint32_t Mode = 0;
  std::uint32_t Owner = 0;
  std::uint32_t Group = 0;
  std::uint64_t LinkCount = 0;
};
constexpr std::uint32_t AttributesFailed = 0xFFFFFFFFu;

// What tells one version of a file from another: a rewrite compares the file it read with the
// file it is about to replace.
struct FileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::uint64_t Size = 0;
  std::int64_t ModifiedNanoseconds = 0;
  std::int64_t ChangedNanoseconds = 0;
  bool operator==(const FileIdentity& other) const;
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

constexpr std::uint64_t NoPosition = ~std::uint64_t{0};

// An open file; closed when destroyed (a failure there is not reported: call Close to see it).
class File {
 public:
  explicit File(int descriptor) : Descriptor(descriptor) {}
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads exactly `count` bytes; false on an error or when the file ends first (then the
  // error code is 0).
  bool ReadExactly(void* buffer, std::size_t count);
  // Reads up to `capacity` bytes, fewer only at the end of the file; `got` is 0 at its end.
  bool ReadSome(void* buffer, std::size_t capacity, std::size_t& got);
  // Writes all `count` bytes.
  bool WriteAll(const void* data, std::size_t count);
  // The current offset, or NoPosition.
  std::uint64_t Position() const;
  // Makes the written content durable.
  bool Sync();
  // Starts writing the content to disk without waiting, so a later Sync (of this file or of
  // its whole file system) finds most of it written.
  bool StartWriteback();
  // Makes everything written to this file's file system durable: one flush for many files.
  bool SyncFileSystem();
  // Gives the file these permission bits, and this owner where the process may.
  bool ApplyAttributes(const FileAttributes& attributes);
  // The open file's identity and attributes.
  bool Describe(FileIdentity& identity, FileAttributes& attributes) const;
  // Closes the file; later calls do nothing and succeed.
  bool Close();
  // Waits for the toolkit's advisory lock on the file (released when the file is closed), so
  // two runs never check and replace one file at the same time. False where the file system
  // keeps no locks; the caller then goes on without.
  bool LockExclusive();

 private:
  friend class TemporaryFile;
  friend struct Detail::FileAccess;
  int Descriptor;
};

// Opens an existing regular file for reading; null on failure. Anything else (a FIFO, a
// device) is refused with EINVAL, never waited on.
std::unique_ptr<File> OpenForReading(const std::string& path);

// Creates the file `path` for writing, mode 0644 less the umask: a new file only, so an
// existing file or a link planted at the name is never written through. Null on failure.
std::unique_ptr<File> CreateNewFile(const std::string& path);

// Opens the entry `name` of `directory` for reading when it is a regular file and no link (a
// link there is ELOOP); null on failure.
std::unique_ptr<File> OpenForReading(const Directory& directory, const std::string& name);

// The identity of the entry `name` of `directory` itself (a link is not followed).
bool DescribeEntry(const Directory& directory, const std::string& name, FileIdentity& identity);

// Follows the entry `name` of `directory` while it is a symbolic link: each link's text is
// taken relative to the handle of the directory holding it (its directory part opened as the
// text says, links in it followed), so no path is ever looked up from the top again. On
// return `directory` and `name` are the entry that is no link (it may not exist). False with
// the error code (ELOOP after 40 links) when a link cannot be followed.
bool ResolveFinalLink(std::shared_ptr<const Directory>& directory, std::string& name);

// How the access rules of a file were given to its new content.
enum class AccessOutcome {
  Kept,          // owner, group, permission bits, ACL and extended attributes all as before
  OwnerNotKept,  // the owner or group cannot be the old file's, and that was not allowed
  Failed         // something else could not be set (the error code says why)
};

// Gives `to` (new content without a name yet) the access rules of `from`, whose attributes
// are `attributes`: first the owner and group, then the permission bits, then the ACL and
// extended attributes `from` shows to this process (those the new file got from its folder's
// default ACL and `from` lacks are removed), set-id bits last. An owner or group that cannot
// be kept is OwnerNotKept unless `allowOwnerChange`; then the new owner is the process's and
// the set-id bits are dropped.
AccessOutcome KeepAccessRules(const File& from, File& to, const FileAttributes& attributes,
                              bool allowOwnerChange);

// Makes `to` a copy of `from`'s content with `from`'s permission bits. `to` is replaced in one
// step, so it is either as it was or a complete, durable copy.
bool CopyFile(const std::string& from, const std::string& to);

bool DeleteFile(const std::string& path);

// The attributes of the file `path` names (links followed); Mode is AttributesFailed on
// failure.
FileAttributes GetAttributes(const std::string& path);
bool SetAttributes(const std::string& path, const FileAttributes& attributes);

// The identity of the file `path` names (links followed).
bool Describe(const std::string& path, FileIdentity& identity);

// The entry a rename to `path` must replace to change the file `path` names: the path itself
// unless its last component is a symbolic link, else the path with every link resolved; the
// path itself when it cannot be resolved.
std::string ResolveLinks(const std::string& path);

}  // namespace Platform
