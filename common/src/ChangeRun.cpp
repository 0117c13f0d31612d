#include "common/ChangeRun.h"

#include "platform/Files.h"

namespace Common {

bool PrepareFileSearch(grepcore::MaskSearch& search, const std::string& expression,
                       const std::string& mask, bool caseInsensitive) {
  if (expression.empty() || mask.empty()) return false;
  return search.SetExpression(expression.c_str(), caseInsensitive) == 0;
}

void CloseAndDeleteTemporary(void* input, void* output, const std::string& temporaryName) {
  if (input != nullptr) static_cast<Platform::File*>(input)->Close();
  if (output != nullptr) static_cast<Platform::File*>(output)->Close();
  Platform::DeleteFile(temporaryName);
}

FileLocation LocationOfMatch(const grepcore::MaskSearch& search, const std::string& name) {
  grepcore::MaskSearch::WalkedLocation walked = search.CurrentLocation();
  FileLocation location;
  if (walked.Directory && walked.Directory->IsOpen()) {
    location = FileLocation{std::move(walked.Directory), std::move(walked.Name), walked.Device,
                            walked.Inode, name};
  } else if (!LocateFile(name, location)) {
    location = FileLocation();
  }
  location.ShownName = name;
  return location;
}

std::unique_ptr<FileRewriter> MakeRewriter(const ChangeRunWork& work, FileLocation location,
                                           const std::string& saveName) {
  std::string saveOwnName;
  if (!saveName.empty()) {
    const std::size_t slash = saveName.rfind('/');
    saveOwnName = slash == std::string::npos ? saveName : saveName.substr(slash + 1);
  }
  auto rewriter = std::make_unique<FileRewriter>(std::move(location), std::move(saveOwnName));
  rewriter->SetAllowOwnerChange(work.AllowOwnerChange);
  return rewriter;
}

std::uint64_t OpenFilePosition(void* handle) {
  if (handle == nullptr) return 0;
  const std::uint64_t position = static_cast<const Platform::File*>(handle)->Position();
  return position == Platform::NoPosition ? 0 : position;
}

}  // namespace Common
