#pragma once
// How the change run reaches a walked file: its directory (the walk's handle, checked to be
// still what its path leads to), its content read once through that handle and checked to be
// the entry walked, and the fingerprint that tells later whether it is still that content.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DirectoryHandle.h"
#include "grepcore/Change.h"
#include "grepcore/Walk.h"
#include "platform/Files.h"
#include "platform/ThreadSlot.h"

namespace grepcore {

// The path of the entry `name` of the directory reached as `directory` ("x" for "./x").
std::string JoinedPath(const std::string& directory, const std::string& name);

// The directory `file` was walked in, when its path still leads to it: the walk's handle, or
// a new one when the walk let its handle go; null when it was moved or replaced.
std::shared_ptr<const Platform::Directory> WalkedDirectory(const WalkedFile& file);

// The identity of the directory `file` was walked in (all zero when not known).
Platform::DirectoryIdentity WalkedDirectoryIdentity(const WalkedFile& file);

// A file's content as read, with what the file was when read.
struct ReadContent {
  std::vector<char> Buffer;  // reused from file to file
  std::size_t Length = 0;
  Platform::FileIdentity Identity;
  Platform::FileAttributes Attributes;

  std::string_view Text() const { return std::string_view(Buffer.data(), Length); }
};

// Reads the entry `name` of `directory` whole into `content` when it is a regular file and
// still the entry `device`, `inode` (0, 0: whatever is there); 0, or the error number
// (ELOOP for a link there, ESTALE for another file).
int ReadEntry(const Platform::Directory& directory, const std::string& name, std::uint64_t device,
              std::uint64_t inode, ReadContent& content);

// A fingerprint of a file's content: equal contents give equal ones, and any change to the
// bytes all but surely changes it. Made from the whole content at once or piece by piece.
class FingerprintMaker {
 public:
  FingerprintMaker();
  void Add(std::string_view bytes);
  std::uint64_t Finish() const;
  std::uint64_t Size() const { return Length; }

 private:
  void Block(const char* at);
  std::uint64_t Lanes[4];
  char Pending[32];
  std::size_t Held = 0;
  std::uint64_t Length = 0;
};
std::uint64_t Fingerprint(std::string_view content);

// A NUL byte among the first 8 KiB.
bool LooksBinary(std::string_view content);

// Records in plan.Collisions each saved copy of a file to write that would take another planned
// saved copy's name or an existing file's. With `ownCopies` an existing file that holds the
// file's own content, as planned, is no collision: it is the saved copy an apply of a kept plan
// made before it was cut short, the file itself still unchanged.
void FindCollisions(ChangePlan& plan, bool ownCopies);

// Whether the entry of `file`'s saved copy name in `directory` holds the content `file` had.
bool HoldsContentOf(const Platform::Directory& directory, const PlannedFile& file);

// A problem with `file`, named as it is shown.
ChangeProblem Problem(const PlannedFile& file, ChangeProblemKind kind, std::string message,
                      unsigned error = 0);

}  // namespace grepcore
