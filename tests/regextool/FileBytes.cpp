#include "FileBytes.h"

#include <platform/OffsetReader.h>
#include <platform/ThreadSlot.h>

namespace RegexTool {

struct FileBytes::Reader {
  Platform::OffsetReader File;
};

FileBytes::FileBytes() : File(std::make_unique<Reader>()) {}
FileBytes::~FileBytes() = default;

bool FileBytes::Open(const std::string& path) {
  if (File->File.Open(path.c_str())) return true;
  LastError = Platform::LastError();
  return false;
}

std::uint64_t FileBytes::Size() const { return File->File.SizeAtOpen(); }

bool FileBytes::ReadAt(std::uint64_t offset, char* into, std::size_t capacity, std::size_t& got) {
  if (File->File.ReadAt(offset, into, capacity, got)) return true;
  LastError = Platform::LastError();
  return false;
}

}  // namespace RegexTool
