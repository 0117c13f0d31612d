#include "MatchInfo.h"

#include "common/MatchRecords.h"

namespace RegexClass {
namespace {

void AssignText(std::string& text, const char* first, const char* last) {
  if (first == nullptr)
    text.clear();
  else
    text.assign(first, last);
}

}  // namespace

void FillMatchInfo(const GrepEngine::MatchResults& match, REMatchInfo& info) {
  Common::FillMatchRecords(match, info, Common::PositionRule{0, -1}, &AssignText);
}

REMatchInfo FileGrepMatchInfo(const GrepEngine::FileSearch& search) {
  return Common::FileMatchRecords<REMatchInfo>(search, &AssignText);
}

REMatchInfo BuildMatchInfo(const GrepEngine::MatchResults& match) {
  REMatchInfo info;
  FillMatchInfo(match, info);
  return info;
}

}  // namespace RegexClass
