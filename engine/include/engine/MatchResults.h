#pragma once
// The results of one match of a Pattern: the engine's sub-matches plus the line number and
// line start of the match.

#include <memory>

namespace GrepEngine {

class MatchResults {
 public:
  MatchResults();
  ~MatchResults();
  MatchResults(const MatchResults&) = delete;
  MatchResults& operator=(const MatchResults&) = delete;

  struct Impl;  // the engine's match_results; defined inside the engine only
  Impl& Internals() { return *Body; }
  const Impl& Internals() const { return *Body; }

 private:
  std::unique_ptr<Impl> Body;
};

}  // namespace GrepEngine
