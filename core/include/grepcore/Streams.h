#pragma once
// The streams a command-line program is handed, as descriptors: standard input read whole or
// block by block, files it names read whole, whether a stream is a terminal, what standard
// output is (so a search passes over the file its lines go to) and writes that keep the first
// failure for the program to report.
//
//   grepcore::Result<std::string> text = grepcore::ReadWholeInput(grepcore::StandardInput);
//   if (!text) std::cerr << "cannot read standard input: " << text.Error().Message << '\n';
//
//   grepcore::OutputWriter out(grepcore::StandardOutput);
//   out.Write(text->data(), text->size());
//   if (out.Close() != 0) return 2;  // the error number of the first failed write or the close
//
// Failures are ErrorKind::Io errors: Code is the error number, Message the system's text for
// it, Path the file concerned (empty for a descriptor).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "grepcore/Export.h"
#include "grepcore/Result.h"

namespace grepcore {

constexpr int StandardInput = 0;
constexpr int StandardOutput = 1;
constexpr int StandardError = 2;

// Everything `descriptor` delivers from where it stands to its end; it stays open. The text is
// sized once from what is left of a regular file, else it grows as the reads come in.
GREPCORE_EXPORT Result<std::string> ReadWholeInput(int descriptor);

// The same for the file `path` names, links followed: a regular file, a FIFO (read until its
// writer closes it), a device. A directory fails as its read does.
GREPCORE_EXPORT Result<std::string> ReadWholeFile(const std::string& path);

// One read of what `descriptor` delivers next, up to `capacity` bytes into `into`: the count
// read, 0 at the end of the input. A reader that waits for no more than a read brings, so a
// slow producer's lines go on at once.
GREPCORE_EXPORT Result<std::size_t> ReadBlock(int descriptor, char* into, std::size_t capacity);

// Whether `descriptor` is an open terminal (colour and progress only go there).
GREPCORE_EXPORT bool IsTerminal(int descriptor);

// What an open stream is: a regular file's device and inode, for SearchOptions::SkipDevice
// and SkipInode, so a search does not read back the lines it writes.
struct StreamIdentity {
  bool RegularFile = false;  // else a pipe, a terminal, a device, a directory
  bool Pipe = false;         // a pipe, a FIFO or a socket: what a writer sends, not a device
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
};

// The identity of the open `descriptor`; an error when it is not open.
GREPCORE_EXPORT Result<StreamIdentity> IdentifyStream(int descriptor);

// Writes to a descriptor the caller keeps open (standard output, standard error): every byte
// of each piece, again after a signal interrupted a write. The first failure is kept; every
// later write is then dropped, so a program says why once instead of losing output silently.
// Destroying the writer leaves the descriptor open.
class OutputWriter {
 public:
  explicit OutputWriter(int descriptor) : Descriptor(descriptor) {}
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // Writes all `count` bytes; false when this or an earlier write failed, or after Close.
  GREPCORE_EXPORT bool Write(const char* data, std::size_t count);

  // Closes the descriptor, whose close may report a failed delayed write too (once; later
  // calls only repeat the result). The error number of the first failure, 0 when all was
  // written.
  GREPCORE_EXPORT int Close();

  // The error number of the first failed write, 0 while none failed.
  int Error() const { return FirstError; }
  bool IsOpen() const { return Open; }

 private:
  int Descriptor;
  bool Open = true;
  int FirstError = 0;
};

// Writes `content` to a new file `path` (an existing name, a link among them, is an error:
// nothing is written through it) and closes it, reporting a failed write or close.
GREPCORE_EXPORT Result<bool> WriteNewFile(const std::string& path, std::string_view content);

// Makes a write to a pipe whose reader went away fail with EPIPE (which OutputWriter keeps)
// instead of ending the process with a signal, perhaps in the middle of rewriting a file.
GREPCORE_EXPORT void IgnoreBrokenPipe();

// Raises the process's soft limit on open descriptors to its hard limit and returns the limit
// now in force (0 when it cannot be read). A walk hands each file on with a handle on its
// directory, so that it is opened where it was found whatever is renamed meanwhile; a program
// that holds the files of a large tree (every directory's handle open until its files are
// searched) needs more descriptors than the usual soft limit of 1024. The process's table of
// descriptors is grown to the first 16,384 at once as well: call it before any thread starts,
// so that no thread waits for the table to grow while a walk opens directories.
GREPCORE_EXPORT std::uint64_t RaiseOpenDescriptorLimit();

}  // namespace grepcore
