// The file rewrite against an in-memory model: random content, random non-overlapping matches
// and replacements must give exactly the model's bytes, and a match that is not in place must
// leave the file as it was.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/FileRewrite.h"

namespace {

std::string Directory() {
  static const std::string directory = [] {
    char name[] = "/tmp/greptoolkit-fuzz-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    return std::string(name);
  }();
  return directory;
}

void WriteFile(const std::string& path, const std::string& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
    std::abort();
  ::close(fd);
}

std::string ReadFile(const std::string& path) {
  std::string content;
  const int fd = ::open(path.c_str(), O_RDONLY);
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) content.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const std::string content = input.Piece();
  std::vector<std::int64_t> positions;
  std::vector<std::string> matched, replacements;
  std::string model;
  std::size_t offset = 0;
  bool corrupt = false;
  while (!input.Empty() && positions.size() < 64) {
    const std::size_t gap = input.Take<std::uint8_t>();
    const std::size_t length = input.Take<std::uint8_t>() % 8;
    const bool wrong = (input.Take<std::uint8_t>() & 0x1F) == 0;  // now and then a stale match
    std::string replacement = input.Piece();
    if (offset + gap + length > content.size()) break;
    positions.push_back(static_cast<std::int64_t>(offset + gap));
    std::string match = content.substr(offset + gap, length);
    if (wrong && !match.empty()) {
      match[0] = static_cast<char>(~match[0]);  // no longer what the file holds there
      corrupt = true;
    }
    model.append(content, offset, gap);
    model += replacement;
    matched.push_back(match);
    replacements.push_back(std::move(replacement));
    offset += gap + length;
  }
  model.append(content, offset, std::string::npos);

  std::vector<Common::Replacement> plan;
  for (std::size_t i = 0; i < positions.size(); ++i) plan.push_back({positions[i], &matched[i], &replacements[i]});
  const std::string path = Directory() + "/file";
  WriteFile(path, content);
  std::vector<Common::ProblemReport> problems;
  const bool changed = Common::RewriteFile(path, plan, "", problems);
  const std::string result = ReadFile(path);
  if (corrupt) {
    if (changed || result != content || problems.size() != 1) __builtin_trap();
  } else if (!changed || result != model || !problems.empty()) {
    __builtin_trap();
  }
  return 0;
}
