#pragma once
// Test seam: lets a test make the Nth platform call of one kind fail with a chosen error code,
// so failure paths are reached without root tricks. The plan is per thread, so tests running
// in parallel threads do not disturb each other; with no plan set every call runs normally.

namespace Platform {

enum class Call {
  ThreadSlotAllocate,
  ThreadSlotSet,
  // Reading files and walking directories.
  OpenDirectory,
  ReopenDirectory,  // going back up to a directory a walk has left
  OpenForReading,
  Read,
  // Writing files.
  CreateTemporary,
  Write,
  Position,
  Sync,
  Close,
  CopyFile,
  DeleteFile,
  GetAttributes,
  Describe,
  SetAttributes,
  Replace,
  CopyInPlace,  // one block of a copy over a file that keeps its inode
  OpenAbove,    // the directory above one, opened to read the ignore files over a walk's root
  KindCount  // not a call: the number of kinds
};

// Makes the nth call of `kind` made by this thread from now on (1 = the next one) fail with
// `errorCode`. A later plan for the same kind replaces the earlier one.
void FailCall(Call kind, unsigned nth, int errorCode);

// Makes the calling process die by SIGKILL at the nth call of `kind` made by this thread, as a
// power cut or an operator's kill would stop it there; for tests that check what a later run
// finds.
void KillAtCall(Call kind, unsigned nth);

// Removes every plan of the calling thread.
void ClearFaults();

// Used by the platform layer before each call: true when this call is to fail; the error code
// to report is then stored in errno.
bool InjectedFault(Call kind);

// Sets a plan for the lifetime of a scope.
class ScopedFault {
 public:
  ScopedFault(Call kind, unsigned nth, int errorCode) { FailCall(kind, nth, errorCode); }
  ~ScopedFault() { ClearFaults(); }
  ScopedFault(const ScopedFault&) = delete;
  ScopedFault& operator=(const ScopedFault&) = delete;
};

}  // namespace Platform
