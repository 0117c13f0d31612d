#include "ChangeFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace grepcore {

std::string JoinedPath(const std::string& directory, const std::string& name) {
  if (directory.empty() || directory == ".") return name;
  return directory.back() == '/' ? directory + name : directory + "/" + name;
}

Platform::DirectoryIdentity WalkedDirectoryIdentity(const WalkedFile& file) {
  if (!file.Directory) return {};
  if (file.Directory->Open) return file.Directory->Open->Identity();
  return file.Directory->Identity;
}

std::shared_ptr<const Platform::Directory> WalkedDirectory(const WalkedFile& file) {
  if (!file.Directory) return nullptr;
  // The path must still lead to the directory walked: a tree moved meanwhile is not written.
  auto byPath = std::make_shared<Platform::Directory>();
  if (!byPath->Open(file.Directory->Path) || byPath->Identity() != WalkedDirectoryIdentity(file))
    return nullptr;
  if (file.Directory->Open) return file.Directory->Open;
  return byPath;
}

int ReadEntry(const Platform::Directory& directory, const std::string& name, std::uint64_t device,
              std::uint64_t inode, ReadContent& content) {
  content.Length = 0;
  const std::unique_ptr<Platform::File> input = Platform::OpenForReading(directory, name);
  if (!input || !input->Describe(content.Identity, content.Attributes))
    return Platform::LastError();
  if ((device != 0 || inode != 0) &&
      (content.Identity.Device != device || content.Identity.Inode != inode))
    return ESTALE;
  std::vector<char>& buffer = content.Buffer;
  const std::size_t wanted = static_cast<std::size_t>(content.Identity.Size) + 1;
  if (buffer.size() < wanted) buffer.resize(wanted);
  for (;;) {
    std::size_t got = 0;  // fewer than asked for only at the end of the file
    if (!input->ReadSome(buffer.data() + content.Length, buffer.size() - content.Length, got))
      return Platform::LastError();
    content.Length += got;
    if (content.Length < buffer.size()) return 0;
    buffer.resize(buffer.size() * 2);  // the file grew since it was described
  }
}

namespace {

constexpr std::uint64_t Prime = 0x9E3779B97F4A7C15ull;

std::uint64_t Mix(std::uint64_t lane, std::uint64_t word) {
  lane ^= word;
  lane *= 0xFF51AFD7ED558CCDull;
  return lane ^ (lane >> 29);
}

}  // namespace

// Four independent multiply-mix lanes over 8-byte words, folded at the end: cheap beside the
// read, and any changed byte changes its lane.
FingerprintMaker::FingerprintMaker() : Lanes{Prime, Prime ^ 1, Prime ^ 2, Prime ^ 3} {}

void FingerprintMaker::Add(std::string_view bytes) {
  Length += bytes.size();
  if (Held != 0) {
    const std::size_t piece = std::min(bytes.size(), sizeof(Pending) - Held);
    std::memcpy(Pending + Held, bytes.data(), piece);
    Held += piece;
    bytes.remove_prefix(piece);
    if (Held < sizeof(Pending)) return;
    Block(Pending);
    Held = 0;
  }
  while (bytes.size() >= sizeof(Pending)) {
    Block(bytes.data());
    bytes.remove_prefix(sizeof(Pending));
  }
  std::memcpy(Pending, bytes.data(), bytes.size());
  Held = bytes.size();
}

void FingerprintMaker::Block(const char* at) {
  for (std::uint64_t& lane : Lanes) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    lane = Mix(lane, word);
    at += 8;
  }
}

std::uint64_t FingerprintMaker::Finish() const {
  std::uint64_t result = Length;
  for (std::uint64_t lane : Lanes) result = Mix(result, lane);
  for (std::size_t at = 0; at < Held; at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, Pending + at, std::min<std::size_t>(8, Held - at));
    result = Mix(result, word ^ (static_cast<std::uint64_t>(at) << 56));
  }
  return Mix(result, Prime);
}

std::uint64_t Fingerprint(std::string_view content) {
  FingerprintMaker maker;
  maker.Add(content);
  return maker.Finish();
}

bool LooksBinary(std::string_view content) {
  constexpr std::size_t FirstBlock = 8 * 1024;
  const std::size_t length = content.size() < FirstBlock ? content.size() : FirstBlock;
  return length != 0 && std::memchr(content.data(), '\0', length) != nullptr;
}

ChangeProblem Problem(const PlannedFile& file, ChangeProblemKind kind, std::string message,
                      unsigned error) {
  ChangeProblem problem;
  problem.Kind = kind;
  problem.Name = file.File.Shown;
  problem.SystemError = error;
  problem.Message = std::move(message);
  return problem;
}

}  // namespace grepcore
