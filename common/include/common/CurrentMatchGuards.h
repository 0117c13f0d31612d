#pragma once
// The object's current match is readable only while a handler runs. These guards clear it on
// every way out of an operation, a handler's exception included.

#include <memory>

#include "engine/MatchResults.h"

namespace Common {

class ResetOnExit {
 public:
  explicit ResetOnExit(std::unique_ptr<GrepEngine::MatchResults>& current) : Current(current) {}
  ~ResetOnExit() { Current.reset(); }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  std::unique_ptr<GrepEngine::MatchResults>& Current;
};

class ReportingMatch {
 public:
  ReportingMatch(const GrepEngine::MatchResults*& slot, const GrepEngine::MatchResults& match)
      : Slot(slot) {
    Slot = &match;
  }
  ~ReportingMatch() { Slot = nullptr; }
  ReportingMatch(const ReportingMatch&) = delete;
  ReportingMatch& operator=(const ReportingMatch&) = delete;

 private:
  const GrepEngine::MatchResults*& Slot;
};

}  // namespace Common
