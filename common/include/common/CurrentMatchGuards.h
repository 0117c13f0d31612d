#pragma once
// The object's current match is readable only while a handler runs. These guards clear it on
// every way out of an operation, a handler's exception included.

#include <memory>

#include "grepcore/Match.h"

namespace Common {

class ResetOnExit {
 public:
  explicit ResetOnExit(std::unique_ptr<grepcore::Match>& current) : Current(current) {}
  ~ResetOnExit() { Current.reset(); }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  std::unique_ptr<grepcore::Match>& Current;
};

class ReportingMatch {
 public:
  ReportingMatch(const grepcore::Match*& slot, const grepcore::Match& match) : Slot(slot) {
    Slot = &match;
  }
  ~ReportingMatch() { Slot = nullptr; }
  ReportingMatch(const ReportingMatch&) = delete;
  ReportingMatch& operator=(const ReportingMatch&) = delete;

 private:
  const grepcore::Match*& Slot;
};

}  // namespace Common
