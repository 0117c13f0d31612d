#pragma once
// Open descriptors a program is handed (standard input, output and error): what they are and
// how they are written. Every failing call returns false and leaves its error code in
// LastError().

#include <cstddef>
#include <cstdint>

namespace Platform {

// Whether `descriptor` is an open terminal.
bool IsTerminal(int descriptor);

// What is left of the regular file `descriptor` reads, from its current offset: 0 for anything
// else (a pipe, a terminal), at or past the end, or when it cannot be told.
std::uint64_t RemainingInRegularFile(int descriptor);

// Writes all `count` bytes to `descriptor`, again after a signal interrupted a write. A write
// that takes nothing fails with ENOSPC, so a device that never takes a byte ends the loop.
bool WriteAllToDescriptor(int descriptor, const char* data, std::size_t count);

// Closes `descriptor`, reporting a failure the close shows (a delayed write that failed). An
// interrupted close counts as done: the descriptor is gone either way on this system.
bool CloseDescriptor(int descriptor);

// A write to a pipe whose reader went away then fails with EPIPE instead of ending the
// process with a signal.
void IgnoreBrokenPipe();

// Raises the soft limit on open descriptors to the hard one, grows the descriptor table to
// the first 16,384 (or the limit) while the process has one thread, and returns the limit in
// force (0 when it cannot be read).
std::uint64_t RaiseOpenDescriptorLimit();

}  // namespace Platform
