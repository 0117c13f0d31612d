#include "common/SavedCopies.h"
#include "grepcore/Change.h"

namespace grepcore {

bool ApplyReplacements(std::string_view content,
                       const std::vector<PlannedReplacement>& replacements, std::string& result) {
  result.clear();
  std::size_t copied = 0;
  for (const PlannedReplacement& replacement : replacements) {
    const std::uint64_t position = replacement.Position;
    if (position < copied || position > content.size() ||
        content.substr(static_cast<std::size_t>(position), replacement.Matched.size()) !=
            replacement.Matched)
      return false;
    result.append(content.data() + copied, static_cast<std::size_t>(position) - copied);
    result += replacement.Replacement;
    copied = static_cast<std::size_t>(position) + replacement.Matched.size();
  }
  result.append(content.data() + copied, content.size() - copied);
  return true;
}

std::string SavedCopyName(const std::string& name, const std::string& extension) {
  return Common::SavedCopyName(name, extension);
}

}  // namespace grepcore
