#pragma once
// The results of one match of a Pattern: the engine's sub-matches plus the line number and
// line start of the match. Offsets count bytes from the origin of the operation that filled
// the results: the start of the searched range (for a grep, of the whole range).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace GrepEngine {

// One sub-match (or the prefix or suffix) as a view into the searched text. The bytes stay
// valid as long as the text does.
struct SubMatch {
  bool Matched = false;
  std::int64_t Position = -1;   // offset of the first byte from the origin; -1 when not matched
  const char* First = nullptr;  // [First, Last): the bytes; both null when not matched
  const char* Last = nullptr;

  std::size_t Length() const { return static_cast<std::size_t>(Last - First); }
  std::string Text() const { return std::string(First, Last); }
};

class MatchResults {
 public:
  MatchResults();
  ~MatchResults();
  MatchResults(const MatchResults&) = delete;
  MatchResults& operator=(const MatchResults&) = delete;

  // True when the whole match ([0]) matched.
  bool Matched() const;
  // Sub-matches including the whole match; 0 when nothing matched.
  unsigned Size() const;
  // Sub-match i; an index at or beyond Size() gives one that did not match.
  SubMatch Sub(unsigned i) const;
  // The text from where the search began to the match (for a grep: from the end of the
  // previous match) and from the match to the end of the range. An empty one counts as not
  // matched, as the engine reports it.
  SubMatch Prefix() const;
  SubMatch Suffix() const;
  // The line of the match's start, counted from 1 at the origin (each LF before the match
  // starts a new line), and the offset of that line's first byte.
  unsigned Line() const;
  std::uint64_t LineStart() const;
  // True when the engine gave up on the expression (complexity or stack limit) instead of
  // deciding whether it matches; the results then hold no match.
  bool Abandoned() const;
  // Why it gave up: the engine's error code (error_complexity or error_stack; ErrorTextOf()
  // gives its message); 0 when it did not.
  unsigned AbandonCode() const;

  struct Impl;  // the engine's match_results; defined inside the engine only
  Impl& Internals() { return *Body; }
  const Impl& Internals() const { return *Body; }

 private:
  std::unique_ptr<Impl> Body;
};

}  // namespace GrepEngine
