#pragma once
// One match of a Pattern in a text: views into the text with their positions, never a copy.
// A Match stays valid after the operation that found it has returned, for as long as the text
// lives (it holds the compiled pattern itself). Its groups and its line are worked out the first
// time they are read, and kept: so one Match is read by one thread at a time, and copies are
// independent of each other.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Export.h"

namespace grepcore {

// One group of a match: a view into the text and its position; not Matched() when the group
// took no part in the match (then Text() is empty and Position() is npos).
class Group {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  Group() = default;
  Group(std::string_view text, std::size_t position) : Bytes(text), At(position) {}

  bool Matched() const { return At != npos; }
  std::string_view Text() const { return Bytes; }
  std::size_t Position() const { return At; }
  std::size_t End() const { return Matched() ? At + Bytes.size() : npos; }
  std::size_t Length() const { return Bytes.size(); }
  operator std::string_view() const { return Bytes; }  // NOLINT: a group reads as its text

 private:
  std::string_view Bytes;
  std::size_t At = npos;
};

struct PatternData;  // the compiled form, shared by copies; defined inside the toolkit only
struct MatchWalk;    // a range's walk; defined inside the toolkit only

class GREPCORE_EXPORT Match {
 public:
  // The whole match, and where it lies in the searched text (byte offsets from its start).
  std::string_view Text() const { return Searched.substr(First, Last - First); }
  std::size_t Position() const { return First; }
  std::size_t End() const { return Last; }
  std::size_t Length() const { return Last - First; }
  operator std::string_view() const { return Text(); }  // NOLINT: a match reads as its text

  // Group i: 0 is the whole match, 1..Size()-1 the pattern's groups by the POSIX rules; an i
  // at or beyond Size() gives a group that is not Matched().
  grepcore::Group Group(std::size_t i) const;
  std::size_t Size() const;

  // The line holding the match's start: its number (from 1; each LF before the match starts
  // a new one), the offset of its first byte, and its text without the LF that ends it.
  std::size_t Line() const;
  std::size_t LineStart() const;
  std::string_view LineText() const;

  // The expansion of `format` for this match, in the engine's format syntax: $& or $0 the
  // whole match, $1..$99 the groups, $` the text from the previous match (or the text's
  // start) to this one, $' the rest of the text, $$ a dollar, and the character escapes.
  // Empty when the engine gives up working out the groups.
  std::string Format(std::string_view format) const;

  // The whole text the match was found in.
  std::string_view Subject() const { return Searched; }

  // The text from where the search that found the match began to the match (for a match of
  // Matches(), from the previous match's end; for Search(text, from), from `from`), and the
  // text from the match to the subject's end: what a format's $` and $' stand for. Either may
  // be empty.
  grepcore::Group Prefix() const {
    return grepcore::Group(Searched.substr(SearchFirst, First - SearchFirst), SearchFirst);
  }
  grepcore::Group Suffix() const { return grepcore::Group(Searched.substr(Last), Last); }

 private:
  friend struct MatchAccess;  // the toolkit's operations make and move matches
  friend class MatchRange;
  Match() = default;

  // How far the line count has come: the bytes before Scanned are counted, and they end in
  // line Line, which starts at Start. A range's walk hands it on from match to match.
  struct LinePlace {
    std::size_t Scanned = 0;
    std::size_t Line = 1;
    std::size_t Start = 0;
  };

  // The walk whose working room the range's own match borrows to work out its groups; a copy
  // of the match is on its own.
  struct WalkLink {
    MatchWalk* Walk = nullptr;
    WalkLink() = default;
    WalkLink(const WalkLink&) noexcept {}
    WalkLink& operator=(const WalkLink&) noexcept {
      Walk = nullptr;
      return *this;
    }
  };

  void ResolveGroups() const;

  std::shared_ptr<const PatternData> Compiled;
  std::string_view Searched;
  std::size_t First = 0;
  std::size_t Last = 0;
  std::size_t SearchFirst = 0;  // where the search that found the match began
  std::uint32_t StepFlags = 0;  // how it searched: the groups are worked out the same way
  mutable LinePlace Lines;
  mutable bool LineKnown = false;
  mutable std::vector<grepcore::Group> Groups;  // 1..; empty until read
  mutable bool GroupsKnown = false;
  WalkLink Link;
};

}  // namespace grepcore
