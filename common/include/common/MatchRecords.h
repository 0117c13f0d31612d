#pragma once
// Filling a library's match records from the engine: the string operations' vector (whole
// match, sub-expressions, prefix, suffix) and the file grep's (whole match and sub-expressions,
// positions from the file's start). Records are any type with MatchString and Position; each
// library says how its text is made and how a position is written.

#include <cstdint>
#include <string>

#include "common/MatchVector.h"
#include "engine/FileSearch.h"
#include "engine/MatchResults.h"

namespace Common {

// Where a string operation's records count from: a part that took part gets its offset plus
// `Shift`; one that did not gets `Absent` and an empty text.
struct PositionRule {
  std::int64_t Shift = 0;
  std::int64_t Absent = -1;
};

// Written over `info`, reusing its records' buffers from match to match.
template <class Records, class MakeText>
void FillMatchRecords(const GrepEngine::MatchResults& match, Records& info, PositionRule rule,
                      MakeText makeText) {
  using Position = decltype(info[0].Position);
  const auto parts = MatchVectorParts(match);
  info.resize(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const GrepEngine::SubMatch& part = parts[i];
    auto& record = info[i];
    if (part.Matched) {
      makeText(record.MatchString, part.First, part.Last);
      record.Position = static_cast<Position>(part.Position + rule.Shift);
    } else {
      makeText(record.MatchString, nullptr, nullptr);
      record.Position = static_cast<Position>(rule.Absent);
    }
  }
}

// The file grep's records of the search's current match, written over `info` from the file's
// bytes (no copy is made when `makeText` only points at them).
template <class Records, class MakeText>
void FillFileMatchRecords(const GrepEngine::FileSearch& search, Records& info, MakeText makeText) {
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
Records FileMatchRecords(const GrepEngine::FileSearch& search, MakeText makeText) {
  Records info;
  FillFileMatchRecords(search, info, makeText);
  return info;
}

}  // namespace Common
