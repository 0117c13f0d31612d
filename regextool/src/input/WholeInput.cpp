#include "WholeInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace RegexTool {
namespace {

class OpenFile {
 public:
  explicit OpenFile(const std::string& name) : Descriptor(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (Descriptor >= 0) ::close(Descriptor);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int Descriptor;
};

// What is left of a regular file from the current offset: the room to make at once.
std::size_t KnownRemainder(int descriptor) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const off_t offset = ::lseek(descriptor, 0, SEEK_CUR);
  if (offset < 0 || offset >= status.st_size) return 0;
  return static_cast<std::size_t>(status.st_size - offset);
}

}  // namespace

int ReadWholeDescriptor(int descriptor, std::string& text) {
  const std::size_t known = KnownRemainder(descriptor);
  if (known != 0) text.reserve(text.size() + known);
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
    if (count == 0) return 0;
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // append grows the capacity geometrically and touches only what it fills.
    text.append(chunk, static_cast<std::size_t>(count));
  }
}

int ReadSomeOfDescriptor(int descriptor, char* into, std::size_t capacity, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t count = ::read(descriptor, into, capacity);
    if (count >= 0) {
      got = static_cast<std::size_t>(count);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int ReadWholeFile(const std::string& name, std::string& text) {
  const OpenFile file(name);
  if (file.Descriptor < 0) return errno;
  return ReadWholeDescriptor(file.Descriptor, text);
}

}  // namespace RegexTool
