#include "MatchInfo.h"

#include "common/MatchVector.h"
#include "engine/FileSearch.h"

namespace RegexClass {

void FillMatchInfo(const GrepEngine::MatchResults& match, REMatchInfo& info) {
  const auto parts = Common::MatchVectorParts(match);
  info.resize(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const GrepEngine::SubMatch& part = parts[i];
    REMatch& record = info[i];
    if (part.Matched) {
      record.MatchString.assign(part.First, part.Last);
      record.Position = part.Position;
    } else {
      record.MatchString.clear();
      record.Position = -1;
    }
  }
}

REMatchInfo FileGrepMatchInfo(const GrepEngine::FileSearch& search) {
  REMatchInfo info(search.Marks());
  for (unsigned i = 0; i < info.size(); ++i) {
    info[i].MatchString = search.What(i);
    info[i].Position = search.Position(i);
  }
  return info;
}

REMatchInfo BuildMatchInfo(const GrepEngine::MatchResults& match) {
  REMatchInfo info;
  FillMatchInfo(match, info);
  return info;
}

}  // namespace RegexClass
