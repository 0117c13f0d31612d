#include "MatchInfo.h"

#include "common/MatchVector.h"

namespace RegexClass {

REMatchInfo BuildMatchInfo(const GrepEngine::MatchResults& match) {
  REMatchInfo info;
  const auto parts = Common::MatchVectorParts(match);
  info.reserve(parts.size());
  for (const GrepEngine::SubMatch& part : parts) {
    REMatch record;
    if (part.Matched) {
      record.MatchString = part.Text();
      record.Position = part.Position;
    }
    info.push_back(std::move(record));
  }
  return info;
}

}  // namespace RegexClass
