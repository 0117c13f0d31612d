#include "grepcore/Streams.h"

#include <cstring>
#include <memory>

#include "IoError.h"
#include "platform/Descriptors.h"
#include "platform/Files.h"
#include "platform/NamedInput.h"
#include "platform/StreamIdentity.h"
#include "platform/ThreadSlot.h"

namespace grepcore {
namespace {

constexpr std::size_t ChunkSize = 64 * 1024;

Error IoError(const std::string& path) { return grepcore::IoError(Platform::LastError(), path); }

// Appends what `read` delivers until the end; false at a failed read.
template <class Read>
bool AppendAll(std::string& text, std::uint64_t known, Read read) {
  if (known != 0) text.reserve(static_cast<std::size_t>(known));
  char chunk[ChunkSize];
  for (;;) {
    std::size_t got = 0;
    if (!read(chunk, sizeof chunk, got)) return false;
    if (got == 0) return true;
    // append grows the capacity geometrically and touches only what it fills.
    text.append(chunk, got);
  }
}

}  // namespace

Result<std::string> ReadWholeInput(int descriptor) {
  std::string text;
  const bool read = AppendAll(text, Platform::RemainingInRegularFile(descriptor),
                              [descriptor](char* into, std::size_t capacity, std::size_t& got) {
                                return Platform::ReadDescriptor(descriptor, into, capacity, got);
                              });
  if (!read) return IoError(std::string());
  return text;
}

Result<std::string> ReadWholeFile(const std::string& path) {
  Platform::NamedInput input;
  if (!input.Open(path.c_str())) return IoError(path);
  std::string text;
  const bool read = AppendAll(text, input.Remaining(),
                              [&input](char* into, std::size_t capacity, std::size_t& got) {
                                return input.Read(into, capacity, got);
                              });
  if (!read) return IoError(path);
  return text;
}

Result<bool> WriteNewFile(const std::string& path, std::string_view content) {
  const std::unique_ptr<Platform::File> file = Platform::CreateNewFile(path);
  if (!file) return IoError(path);
  if (!file->WriteAll(content.data(), content.size()) || !file->Close()) return IoError(path);
  return true;
}

Result<std::size_t> ReadBlock(int descriptor, char* into, std::size_t capacity) {
  std::size_t got = 0;
  if (!Platform::ReadDescriptor(descriptor, into, capacity, got)) return IoError(std::string());
  return got;
}

bool IsTerminal(int descriptor) { return Platform::IsTerminal(descriptor); }

Result<StreamIdentity> IdentifyStream(int descriptor) {
  Platform::StreamIdentity platform;
  if (!Platform::IdentifyDescriptor(descriptor, platform)) return IoError(std::string());
  StreamIdentity identity;
  identity.RegularFile = platform.Kind == Platform::StreamKind::RegularFile;
  identity.Pipe = platform.Pipe;
  identity.Device = platform.Device;
  identity.Inode = platform.Inode;
  return identity;
}

bool OutputWriter::Write(const char* data, std::size_t count) {
  if (FirstError != 0 || !Open) return false;
  if (Platform::WriteAllToDescriptor(Descriptor, data, count)) return true;
  FirstError = Platform::LastError();
  return false;
}

int OutputWriter::Close() {
  if (!Open) return FirstError;
  Open = false;
  if (!Platform::CloseDescriptor(Descriptor) && FirstError == 0) FirstError = Platform::LastError();
  return FirstError;
}

void IgnoreBrokenPipe() { Platform::IgnoreBrokenPipe(); }

std::uint64_t RaiseOpenDescriptorLimit() { return Platform::RaiseOpenDescriptorLimit(); }

}  // namespace grepcore
