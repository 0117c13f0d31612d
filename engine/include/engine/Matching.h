#pragma once
// Running a compiled Pattern over a byte range [first, last): anchored match, search, grep,
// merge (search and replace) and the format of one match. A range may hold any bytes, NUL
// included, and is always used to its full length. The match word is the toolkit's
// (MatchBits); leftmost-longest rules apply unless it holds MatchBits::Shortest.
//
// Failures are values:
// - a pattern that failed to compile matches nothing (no match, count 0, empty output);
// - when the engine gives up on an expression while matching (its complexity or stack limit,
//   as with "(a*)*b" over a long run of a's) the operation says so and reports no match.
// The only exception the engine lets out is std::bad_alloc; an exception thrown by a grep
// callback passes through unchanged.
//
// Format strings use the engine's default syntax: $& and $0..$99 (whole match and
// sub-matches), $` and $' (prefix and suffix), $$, and the character escapes.

#include <cstdint>
#include <locale>
#include <memory>
#include <string>
#include <type_traits>

#include "engine/MatchResults.h"
#include "engine/Pattern.h"

namespace GrepEngine {

// Anchored match: true when the expression matches a range that starts at `first` (it need
// not reach `last`). `out` gets the match with line 1 starting at offset 0; offsets count from
// `first`. False when there is no match or the engine gave up (then out.Abandoned()).
bool MatchAt(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
             MatchResults& out);

// The first match anywhere in [first, last). Offsets, Line() and LineStart() count from
// `first`. False when there is no match or the engine gave up (then out.Abandoned()).
bool SearchIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
              MatchResults& out);

// A non-owning reference to the grep's per-match callback: returns true to go on. It refers to
// a callable that must outlive the GrepIn call (a lambda passed in place does).
class GrepCallback {
 public:
  using Function = bool (*)(void* context, const MatchResults& match);

  GrepCallback(Function function, void* context) : Call(function), Context(context) {}

  template <class F, class Callable = std::remove_reference_t<F>,
            class = std::enable_if_t<std::is_object_v<Callable> &&
                                     !std::is_same_v<std::decay_t<F>, GrepCallback>>>
  GrepCallback(F&& callable)  // NOLINT: implicit, so a lambda can be passed directly
      : Call([](void* context, const MatchResults& match) -> bool {
          return (*static_cast<Callable*>(context))(match);
        }),
        Context(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))) {}

  bool operator()(const MatchResults& match) const { return Call(Context, match); }

 private:
  Function Call;
  void* Context;
};

struct GrepOutcome {
  unsigned Count = 0;        // matches found, the one at which the callback stopped included
  bool Abandoned = false;    // the engine gave up; Count holds the matches before that
  unsigned AbandonCode = 0;  // when Abandoned: the engine's error code for why (see ErrorTextOf)
};

// Every successive, non-overlapping match in [first, last), each handed to `callback` as it
// is found; the grep stops at once when the callback returns false. No match is empty where
// the previous one ended (with MatchBits::Shortest: only after an empty one), so a grep always
// moves on and finds exactly the matches MergeInto replaces. With MatchBits::Continuous each
// match must start where the previous one ended. Offsets, Line() and LineStart() count from
// `first`; a match's prefix runs from the end of the previous match. The callback's MatchResults is
// valid only during the call.
GrepOutcome GrepIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
                   GrepCallback callback);

// Where a windowed grep looks next: the part [First, Last) of the text that holds the next
// match after a given position, if there is one (both null: no further match).
struct SearchWindow {
  const char* First = nullptr;
  const char* Last = nullptr;
};

// A non-owning reference to the source of windows: given the position where the grep goes on,
// the window that holds its next match, starting at or after that position.
class WindowSource {
 public:
  template <class F, class Callable = std::remove_reference_t<F>,
            class = std::enable_if_t<std::is_object_v<Callable> &&
                                     !std::is_same_v<std::decay_t<F>, WindowSource>>>
  WindowSource(F&& callable)  // NOLINT: implicit, so a lambda can be passed directly
      : Call([](void* context, const char* from) -> SearchWindow {
          return (*static_cast<Callable*>(context))(from);
        }),
        Context(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))) {}

  SearchWindow operator()(const char* from) const { return Call(Context, from); }

 private:
  SearchWindow (*Call)(void* context, const char* from);
  void* Context;
};

// Where a range lies in a longer text it is a part of, so that a grep over the part reports
// what a grep over the whole text would. By default the range is the whole text.
struct TextPlace {
  std::uint64_t Offset = 0;  // the offset of the range's first byte in the text
  unsigned Line = 1;         // the line of that byte, which begins a line
  bool AfterText = false;    // the text goes on before the range: the byte before `first` is
                             // its LF, and is readable
  bool EndsText = true;      // the range's end is the text's end (else a LF is there)
};

// GrepIn that runs the engine only inside the windows `windows` hands out. The caller
// promises that no match is empty, none crosses a window's end and none lies outside the
// windows, and that each window ends at a LF (or at `last`); then the matches, offsets and
// lines are exactly GrepIn's. Anchors and word edges still see the bytes around a window. A
// match's prefix starts at its window. Not for MatchBits::Continuous. With `place`, [first,
// last) is whole lines of a longer text, and the results are those of GrepIn over the whole
// text that lie in the range.
GrepOutcome GrepInWindows(const Pattern& pattern, const char* first, const char* last,
                          unsigned matchWord, WindowSource windows, GrepCallback callback,
                          const TextPlace& place = TextPlace());

// Search and replace over [first, last): `out` becomes the expansion of `format` for every
// match, with the text between the matches (and after the last) copied when `copy` is set.
// Returns false when the engine gave up; `out` is then empty, never a partial result, and
// `*abandonCode` (when given) is the engine's error code for why. The format's case escapes
// follow the pattern's locale, as FormatMatch's follow its `locale`.
bool MergeInto(const Pattern& pattern, const char* first, const char* last,
               const std::string& format, bool copy, unsigned matchWord, std::string& out,
               unsigned* abandonCode = nullptr);

// Whether a word character ends right before `at` (first < at), or starts at `at` (at < last),
// as a whole-word search sees the text around a match of `pattern`: a byte that is a letter,
// digit or '_' (std::isalnum), or for a UTF-8 pattern a letter or digit of any script (a byte
// that is not UTF-8 is none).
bool WordCharacterBefore(const Pattern& pattern, const char* first, const char* at);
bool WordCharacterAt(const Pattern& pattern, const char* at, const char* last);
// Whether `at` lies inside a character of [first, last) for `pattern`: only ever for a UTF-8
// pattern, inside a well-formed sequence. No match starts or ends there.
bool SplitsCharacter(const Pattern& pattern, const char* first, const char* at, const char* last);

// `out` becomes the expansion of `format` for `match`; case conversions in the format follow
// `locale`: in a UTF-8 locale they change whole characters (CaseFormat.h), else single bytes.
// Empty, and false, when `match` holds no match.
bool FormatMatch(const MatchResults& match, const std::string& format, std::string& out,
                 const std::locale& locale = std::locale());

}  // namespace GrepEngine
