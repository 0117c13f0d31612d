#pragma once
// A file on disk as the positional diff's ByteSource, for the tests that show a diff of a real
// file (and make its reads fail through the platform's fault seam). The program itself shows
// the diff of content the change run already read.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "LineDiff.h"

namespace RegexTool {

// A regular file only, as the search reads it.
class FileBytes : public ByteSource {
 public:
  FileBytes();
  ~FileBytes() override;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  // False (with the error number in Error()) when the file cannot be opened.
  bool Open(const std::string& path);
  std::uint64_t Size() const override;
  bool ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got) override;
  int Error() const { return LastError; }

 private:
  struct Reader;
  std::unique_ptr<Reader> File;
  int LastError = 0;
};

}  // namespace RegexTool
