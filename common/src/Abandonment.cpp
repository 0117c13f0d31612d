#include "common/Abandonment.h"

namespace Common {

std::string AbandonReason(unsigned code, const GrepEngine::Pattern& pattern) {
  if (code == 0) return std::string();
  return GrepEngine::ErrorTextOf(code, pattern.Locale());
}

std::string AbandonedFilesReason(const GrepEngine::FileSearch& search) {
  const std::vector<std::string>& files = search.AbandonedFiles();
  const std::vector<unsigned>& codes = search.AbandonedFileCodes();
  const std::shared_ptr<const GrepEngine::Pattern> pattern = search.CompiledPattern();
  std::string reason;
  for (std::size_t i = 0; i < files.size() && i < codes.size() && pattern; ++i) {
    if (!reason.empty()) reason += '\n';
    reason += files[i] + ": " + AbandonReason(codes[i], *pattern);
  }
  return reason;
}

}  // namespace Common
