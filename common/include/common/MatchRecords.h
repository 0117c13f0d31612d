#pragma once
// Filling a library's match records: the string operations' vector from the core's match
// (whole match, sub-expressions, prefix, suffix) and the file grep's from the engine's file
// search (whole match and sub-expressions, positions from the file's start). Records are any type
// with MatchString and Position; each library says how its text is made and how a position is
// written.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/MaskSearch.h"
#include "grepcore/Match.h"

namespace Common {

// Where a string operation's records count from: a part that took part gets its offset plus
// `Shift`; one that did not gets `Absent` and an empty text.
struct PositionRule {
  std::int64_t Shift = 0;
  std::int64_t Absent = -1;
};

// Record `index` of the string operations' records of `match`: the whole match, each group,
// then the prefix and the suffix, which count as taking no part when empty.
template <class Record, class MakeText>
void FillMatchRecord(const grepcore::Match& match, std::size_t index, Record& record,
                     PositionRule rule, MakeText makeText) {
  using Position = decltype(record.Position);
  const std::size_t groups = match.Size();
  const grepcore::Group part = index < groups    ? match.Group(index)
                               : index == groups ? match.Prefix()
                                                 : match.Suffix();
  const bool taken = index < groups ? part.Matched() : part.Length() != 0;
  if (taken) {
    const std::string_view text = part.Text();
    makeText(record.MatchString, text.data(), text.data() + text.size());
    record.Position =
        static_cast<Position>(static_cast<std::int64_t>(part.Position()) + rule.Shift);
  } else {
    makeText(record.MatchString, nullptr, nullptr);
    record.Position = static_cast<Position>(rule.Absent);
  }
}

// How many records the string operations give for `match`.
inline std::size_t MatchRecordCount(const grepcore::Match& match) { return match.Size() + 2; }

// The string operations' records of `match`, written over `info` (reusing its records' buffers
// from match to match).
template <class Records, class MakeText>
void FillMatchRecords(const grepcore::Match& match, Records& info, PositionRule rule,
                      MakeText makeText) {
  info.resize(MatchRecordCount(match));
  for (std::size_t i = 0; i < info.size(); ++i) FillMatchRecord(match, i, info[i], rule, makeText);
}

// The file grep's records of the search's current match, written over `info` from the file's
// bytes (no copy is made when `makeText` only points at them).
template <class Records, class MakeText>
void FillFileMatchRecords(const grepcore::MaskSearch& search, Records& info, MakeText makeText) {
  using Position = decltype(info[0].Position);
  info.resize(search.Marks());
  for (unsigned i = 0; i < info.size(); ++i) {
    const GrepEngine::SubMatch part = search.Sub(i);
    makeText(info[i].MatchString, part.First, part.Last);
    info[i].Position = static_cast<Position>(part.Matched ? part.Position : -1);
  }
}

// The file grep's records of the search's current match, engine positions unchanged.
template <class Records, class MakeText>
Records FileMatchRecords(const grepcore::MaskSearch& search, MakeText makeText) {
  Records info;
  FillFileMatchRecords(search, info, makeText);
  return info;
}

}  // namespace Common
