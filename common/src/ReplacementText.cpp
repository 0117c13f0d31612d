#include "common/ReplacementText.h"

#include "engine/Matching.h"

namespace Common {

bool ReplacementText(const CompiledPattern& pattern, unsigned matchFlags, const std::string& matched,
                     const std::string& format, std::string& replacement) {
  if (!pattern || pattern->Failed()) {
    replacement = matched;
    return true;
  }
  return GrepEngine::MergeInto(*pattern, matched.data(), matched.data() + matched.size(), format,
                               true, matchFlags, replacement);
}

}  // namespace Common
