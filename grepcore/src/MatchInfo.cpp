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

void PointAt(std::string_view& text, const char* first, const char* last) {
  text = first == nullptr ? std::string_view()
                          : std::string_view(first, static_cast<std::size_t>(last - first));
}

}  // namespace

void FillMatchViewInfo(const grepcore::Match& match, REMatchViewInfo& info) {
  Common::FillMatchRecords(match, info, Common::PositionRule{0, -1}, &PointAt);
}

void FillFileMatchViewInfo(const grepcore::MaskSearch& search, REMatchViewInfo& info) {
  Common::FillFileMatchRecords(search, info, &PointAt);
}

void FillMatchInfo(const grepcore::Match& match, REMatchInfo& info) {
  Common::FillMatchRecords(match, info, Common::PositionRule{0, -1}, &AssignText);
}

REMatchInfo FileGrepMatchInfo(const grepcore::MaskSearch& search) {
  return Common::FileMatchRecords<REMatchInfo>(search, &AssignText);
}

REMatchInfo BuildMatchInfo(const grepcore::Match& match) {
  REMatchInfo info;
  FillMatchInfo(match, info);
  return info;
}

}  // namespace RegexClass
