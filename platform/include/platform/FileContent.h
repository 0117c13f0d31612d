#pragma once
// The whole content of one file, taken in one pass for searching. Small files are read into a
// buffer the caller reuses from file to file, so a run allocates only as much as its largest
// small file; large files are mapped read-only instead of copied (a mapped file that another
// process truncates meanwhile cannot be read to its end: the usual price of mapping).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform {

class FileContent {
 public:
  // Files of at least this many bytes are mapped unless the caller says otherwise.
  static constexpr std::uint64_t DefaultMapThreshold = std::uint64_t{1} << 20;

  FileContent() = default;
  ~FileContent();
  FileContent(const FileContent&) = delete;
  FileContent& operator=(const FileContent&) = delete;

  // Opens `path` read-only and takes its content: read into `buffer` (which only ever grows)
  // when it is smaller than `mapThreshold` bytes, else mapped. Any earlier content of this
  // object is let go first. False when the file cannot be opened, sized, read or mapped;
  // the content is then empty and LastError() says why.
  bool Load(const char* path, std::vector<char>& buffer,
            std::uint64_t mapThreshold = DefaultMapThreshold);

  // The content; valid until the next Load, the object's end or a change of the buffer.
  const char* Data() const { return Bytes; }
  std::uint64_t Size() const { return Length; }
  bool Mapped() const { return Mapping != nullptr; }

 private:
  void Release();

  const char* Bytes = nullptr;
  std::uint64_t Length = 0;
  void* Mapping = nullptr;  // the mapped view, when the content is mapped
  std::size_t MappingLength = 0;
};

}  // namespace Platform
