#pragma once
// Output to a file descriptor through a buffer, written by the core's writer, which keeps why
// a write failed, so the program can say so once and exit with trouble instead of losing
// output without a word.

#include <grepcore/Streams.h>

#include <cstddef>
#include <streambuf>
#include <vector>

namespace RegexTool {

class DescriptorOutput : public std::streambuf {
 public:
  // `bufferSize` 0 writes every piece at once (for the error stream).
  explicit DescriptorOutput(int descriptor, std::size_t bufferSize = 64 * 1024);
  ~DescriptorOutput() override;  // writes what is left; a failure then goes unreported
  DescriptorOutput(const DescriptorOutput&) = delete;
  DescriptorOutput& operator=(const DescriptorOutput&) = delete;

  // Writes what is buffered and closes the descriptor, whose close may report a failed
  // delayed write too. Returns the error number of the first failure, 0 when all was written.
  int Close();

  // The error number of the first failed write, 0 while none failed. Once a write failed,
  // every later one is dropped and the stream the buffer serves goes bad.
  int Error() const { return Writer.Error(); }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* data, std::streamsize count) override;
  int sync() override;

 private:
  bool Drain();

  grepcore::OutputWriter Writer;
  std::vector<char> Buffer;
};

}  // namespace RegexTool
