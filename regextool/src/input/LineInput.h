#pragma once
// Input taken one line at a time, so a command's memory is bounded by the longest line rather
// than by the input: from a descriptor (standard input) through a fixed block, or from a text
// given on the command line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace RegexTool {

class LineInput {
 public:
  // Lines read from `descriptor`, which stays open.
  explicit LineInput(int descriptor);
  // Lines of `text`.
  explicit LineInput(std::string text);
  LineInput(const LineInput&) = delete;
  LineInput& operator=(const LineInput&) = delete;

  // The next line without its line feed, valid until the next call; `terminated` says whether
  // a line feed ended it (the last line may lack one). False at the end of the input or on a
  // read error (see Error).
  bool Next(std::string_view& line, bool& terminated);

  // Whole lines, line feeds included: at least `want` bytes where the input already holds as
  // many, else what whole lines one more read brings; valid until the next call; the last line of the input may lack its line feed. False at the
  // end of the input or on a read error.
  bool NextLines(std::size_t want, std::string_view& lines);

  // The error number of a failed read, 0 while none failed.
  int Error() const { return ReadError; }

 private:
  bool Refill();
  char* Bytes() { return reinterpret_cast<char*>(Buffer.data()); }

  // A byte that growing the buffer leaves as it is: the part not yet read into is never
  // written, so it takes no memory (a buffer grown for one long line stays mostly untouched).
  struct RawByte {
    RawByte() {}  // NOLINT: no initialisation, on purpose
    unsigned char Value;
  };

  int Descriptor = -1;
  std::vector<RawByte> Buffer;
  std::size_t Begin = 0;  // first byte not handed out yet
  std::size_t End = 0;    // end of the bytes read
  bool AtEnd = false;
  int ReadError = 0;
};

}  // namespace RegexTool
