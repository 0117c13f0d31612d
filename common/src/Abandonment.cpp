#include "common/Abandonment.h"

namespace Common {

std::string AbandonReason(unsigned code, const GrepEngine::Pattern& pattern) {
  if (code == 0) return std::string();
  return GrepEngine::ErrorTextOf(code, pattern.Locale());
}

}  // namespace Common
