#pragma once
// Every successive match of a Pattern in a text, found one at a time as the range is walked
// (Pattern::Matches). The matches are the grep's: non-overlapping, left to right, and no match
// is empty where the previous one ended, so a walk always moves on (with MatchOptions::Shortest
// that holds only after an empty match; with MatchOptions::Continuous each match starts where
// the previous one ended). The walk copies nothing of the text and allocates nothing of its own
// per match (the engine's backtracking matcher, where a pattern needs it, may, as in any grep).
//
//   grepcore::MatchRange range = pattern.Matches(text);
//   for (const grepcore::Match& match : range) use(match.Text(), match.Line());
//   if (!range.Outcome()) return fail(range.Outcome().Error().Message);  // the engine gave up
//
// The range is an input range: walked once, its iterator's match valid until the next step
// (copy the Match to keep it). The range must outlive its iterators, and the text the range.

#include <cstddef>
#include <iterator>
#include <memory>
#include <string_view>

#include "grepcore/Export.h"
#include "grepcore/Match.h"
#include "grepcore/Result.h"

namespace grepcore {

struct MatchWalk;  // the engine's steps; defined inside the toolkit only

class GREPCORE_EXPORT MatchRange {
 public:
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = grepcore::Match;
    using difference_type = std::ptrdiff_t;
    using pointer = const grepcore::Match*;
    using reference = const grepcore::Match&;

    Iterator() = default;
    reference operator*() const { return Range->Current; }
    pointer operator->() const { return &Range->Current; }
    Iterator& operator++() {
      if (!Range->Advance()) Range = nullptr;
      return *this;
    }
    void operator++(int) { ++*this; }
    // Iterators compare equal when both are at the end (the end iterator is a default one).
    bool operator==(const Iterator& other) const { return Range == other.Range; }
    bool operator!=(const Iterator& other) const { return Range != other.Range; }

   private:
    friend class MatchRange;
    explicit Iterator(MatchRange* range) : Range(range) {}
    MatchRange* Range = nullptr;
  };

  MatchRange(MatchRange&& other) noexcept;
  MatchRange& operator=(MatchRange&& other) noexcept;
  ~MatchRange();

  // The first call finds the first match; later ones go on from where the walk is.
  Iterator begin();
  Iterator end() { return Iterator(); }

  // Done while the walk has found what it has found; an Error (ErrorKind::EngineGaveUp, with
  // the engine's code and message) when the engine gave up: the matches before that were
  // walked, whether more follow is unknown.
  Status Outcome() const;

 private:
  friend struct MatchAccess;
  explicit MatchRange(std::unique_ptr<MatchWalk> walk);
  bool Advance();  // the next match into Current; false at the end or when the engine gave up

  std::unique_ptr<MatchWalk> Walk;
  grepcore::Match Current;
  bool Started = false;
  bool Finished = false;
};

}  // namespace grepcore
