#include "common/MatchVector.h"

namespace Common {

std::vector<GrepEngine::SubMatch> MatchVectorParts(const GrepEngine::MatchResults& match) {
  const unsigned count = match.Matched() ? match.Size() : 0;
  std::vector<GrepEngine::SubMatch> parts;
  parts.reserve(count + 2);
  for (unsigned i = 0; i < count; ++i) parts.push_back(match.Sub(i));
  parts.push_back(match.Prefix());
  parts.push_back(match.Suffix());
  return parts;
}

}  // namespace Common
