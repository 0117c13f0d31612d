#include "FileMask.h"

namespace grepcore {

FileMask::FileMask(const std::string& mask) {
  const std::string::size_type slash = mask.rfind('/');
  if (slash == std::string::npos) {
    ListedDirectory = ".";
    Pattern = mask;
    return;
  }
  Prefix = mask.substr(0, slash + 1);
  // "/name" lists the root; "dir/name" lists "dir/" (the same directory as "dir").
  ListedDirectory = Prefix;
  Pattern = mask.substr(slash + 1);
}

bool FileMask::Matches(const std::string& name) const { return WildcardMatch(Pattern, name); }

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  // Greedy with one backtrack point: on a mismatch after a *, that * takes one byte more.
  // Only the latest * ever needs to grow, so this stays linear-times-pattern.
  std::size_t p = 0, n = 0;
  std::size_t starAt = std::string::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && pattern[p] == name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace grepcore
