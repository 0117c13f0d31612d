#include "common/ChangeRun.h"

#include "platform/Files.h"

namespace Common {

bool PrepareFileSearch(GrepEngine::FileSearch& search, const std::string& expression,
                       const std::string& mask, bool caseInsensitive) {
  if (expression.empty() || mask.empty()) return false;
  return search.SetExpression(expression.c_str(), caseInsensitive) == 0;
}

void CloseAndDeleteTemporary(void* input, void* output, const std::string& temporaryName) {
  if (input != nullptr) static_cast<Platform::File*>(input)->Close();
  if (output != nullptr) static_cast<Platform::File*>(output)->Close();
  Platform::DeleteFile(temporaryName);
}

std::uint64_t OpenFilePosition(void* handle) {
  if (handle == nullptr) return 0;
  const std::uint64_t position = static_cast<const Platform::File*>(handle)->Position();
  return position == Platform::NoPosition ? 0 : position;
}

}  // namespace Common
