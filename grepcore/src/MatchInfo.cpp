#include "MatchInfo.h"

#include <stdexcept>
#include <utility>

#include "EventSlots.h"
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

REMatchViewInfo::REMatchViewInfo(std::vector<REMatchView> records) { Assign(std::move(records)); }

void REMatchViewInfo::Assign(std::vector<REMatchView> records) {
  Records = std::move(records);
  Count = Records.size();
  Known.assign(Count, true);
  Source = nullptr;
}

void REMatchViewInfo::Describe(const grepcore::Match& match) {
  Source = &match;
  Count = Common::MatchRecordCount(match);
  Records.resize(Count);
  Known.assign(Count, false);
}

const REMatchView& REMatchViewInfo::operator[](size_type i) const {
  if (!Known[i]) {
    Common::FillMatchRecord(*Source, i, Records[i], Common::PositionRule{0, -1}, &PointAt);
    Known[i] = true;
  }
  return Records[i];
}

const REMatchView& REMatchViewInfo::at(size_type i) const {
  if (i >= Count) throw std::out_of_range("REMatchViewInfo::at");
  return (*this)[i];
}

REMatchViewInfo::const_iterator REMatchViewInfo::begin() const {
  for (size_type i = 0; i < Count; ++i) (*this)[i];
  return Records.cbegin();
}

REMatchViewInfo::const_iterator REMatchViewInfo::end() const {
  return Records.cbegin() + static_cast<std::ptrdiff_t>(Count);
}

void FillMatchViewInfo(const grepcore::Match& match, REMatchViewInfo& info) {
  info.Describe(match);
}

void FillFileMatchViewInfo(const grepcore::MaskSearch& search, REMatchViewInfo& info) {
  std::vector<REMatchView> records;
  Common::FillFileMatchRecords(search, records, &PointAt);
  info.Assign(std::move(records));
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

bool ContinueMatchEvents::Any() const {
  return HasHandler(Plain, Bound) || HasHandler(PlainView, BoundView);
}

void ContinueMatchEvents::Fire(RegularExpression* sender, const grepcore::Match& match,
                               bool& bcontinue) {
  if (HasHandler(Plain, Bound)) {
    FillMatchInfo(match, Info);
    RegexClass::Fire(Plain, Bound, sender, static_cast<const REMatchInfo&>(Info),
                     static_cast<unsigned>(match.Line()), match.LineStart(), bcontinue);
  }
  if (HasHandler(PlainView, BoundView)) {
    FillMatchViewInfo(match, Views);
    RegexClass::Fire(PlainView, BoundView, sender, static_cast<const REMatchViewInfo&>(Views),
                     static_cast<unsigned>(match.Line()), match.LineStart(), bcontinue);
  }
}

}  // namespace RegexClass
