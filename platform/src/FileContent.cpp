#include "platform/FileContent.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FaultSeam.h"

namespace Platform {
namespace {

// A search may take the data pointer of an empty content; it must not be null.
const char EmptyContent[1] = {};

class Descriptor {
 public:
  explicit Descriptor(int fd) : Fd(fd) {}
  ~Descriptor() {
    if (Fd >= 0) {
      const int error = errno;  // closing must not hide the error being reported
      close(Fd);
      errno = error;
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return Fd; }

 private:
  int Fd;
};

// Reads up to `size` bytes; a file that shrank meanwhile gives what it still holds.
bool ReadUpTo(int fd, char* into, std::uint64_t size, std::uint64_t& got) {
  got = 0;
  while (got < size) {
    if (InjectedFault(Call::Read)) return false;
    const ssize_t n = read(fd, into + got, static_cast<std::size_t>(size - got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace

FileContent::~FileContent() { Release(); }

void FileContent::Release() {
  if (Mapping != nullptr) munmap(Mapping, MappingLength);
  Mapping = nullptr;
  MappingLength = 0;
  Bytes = EmptyContent;
  Length = 0;
}

bool FileContent::Load(const char* path, std::vector<char>& buffer, std::uint64_t mapThreshold) {
  Release();
  if (InjectedFault(Call::OpenForReading)) return false;
  const Descriptor file(open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) return false;
  struct stat status;
  if (fstat(file.Get(), &status) != 0) return false;
  const auto size = static_cast<std::uint64_t>(status.st_size);

  if (size > 0 && size >= mapThreshold) {
    if (InjectedFault(Call::Map)) return false;
    void* view = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, file.Get(), 0);
    if (view == MAP_FAILED) return false;
    madvise(view, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
    Mapping = view;
    MappingLength = static_cast<std::size_t>(size);
    Bytes = static_cast<const char*>(view);
    Length = size;
    return true;
  }

  if (buffer.size() < size) buffer.resize(static_cast<std::size_t>(size));
  std::uint64_t got = 0;
  if (!ReadUpTo(file.Get(), buffer.data(), size, got)) return false;
  Bytes = buffer.empty() ? EmptyContent : buffer.data();
  Length = got;
  return true;
}

}  // namespace Platform
