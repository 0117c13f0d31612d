#include "engine/Matching.h"

#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>

#include "LineCounter.h"
#include "MatchFlagTranslation.h"
#include "MatchResultsImpl.h"
#include "PatternImpl.h"
#include "PosixGroups.h"

namespace GrepEngine {

namespace {

namespace rc = boost::regex_constants;

// Runs one engine call. The engine reports giving up (complexity or stack limit) by throwing;
// that becomes `abandoned`. Running out of memory is the one failure that stays an exception.
template <class Run>
bool Guarded(Run&& run, bool& abandoned) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    abandoned = true;
    return false;
  }
}

void StoreLine(const LineCounter& lines, MatchResults::Impl& impl) {
  impl.Line = lines.Line();
  impl.LineStart = lines.LineStart();
}

bool FindOne(const Pattern& pattern, const char* first, const char* last, FlagBits flags,
             MatchResults& out) {
  MatchResults::Impl& impl = out.Internals();
  impl.Reset(first);
  if (pattern.Failed()) return false;
  const Regex& expression = pattern.Internals().Expression;
  const bool found =
      Guarded([&] { return boost::regex_search(first, last, impl.Results, expression, AsMatchFlags(flags)); },
              impl.Abandoned);
  // Now, not when read: the results may outlive the pattern.
  if (found) ApplyPosixGroups(pattern, first, flags, impl.Results);
  if (!found) {
    const bool abandoned = impl.Abandoned;
    impl.Reset(first);
    impl.Abandoned = abandoned;
  }
  return found;
}

}  // namespace

bool MatchAt(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
             MatchResults& out) {
  // A continuous search keeps leftmost-longest at `first` without requiring the match to
  // reach `last`, which regex_match would.
  return FindOne(pattern, first, last, TranslateMatchFlags(matchWord) | Bits(rc::match_continuous), out);
}

bool SearchIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
              MatchResults& out) {
  if (!FindOne(pattern, first, last, TranslateMatchFlags(matchWord), out)) return false;
  LineCounter lines(first);
  lines.AdvanceTo(out.Internals().Results[0].first);
  StoreLine(lines, out.Internals());
  return true;
}

GrepOutcome GrepIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
                   GrepCallback callback) {
  GrepOutcome outcome;
  if (pattern.Failed()) return outcome;
  const Regex& expression = pattern.Internals().Expression;
  const FlagBits flags = TranslateMatchFlags(matchWord);

  MatchResults current;
  MatchResults::Impl& impl = current.Internals();
  impl.Reset(first);
  LineCounter lines(first);
  const char* from = first;
  // The step from one match to the next is regex_iterator's, so a grep finds exactly the
  // matches a merge replaces.
  for (bool afterMatch = false;; afterMatch = true) {
    FlagBits step = flags;
    if (afterMatch) {
      // No empty match where the last one ended (after an empty one, that also moves on).
      if (impl.Results.length() == 0 || (flags & Bits(rc::match_posix)))
        step |= Bits(rc::match_not_initial_null);
      if (from != first) step |= Bits(rc::match_prev_avail);
    }
    bool abandoned = false;
    // `first` as the base: anchors and word edges see the bytes before `from`.
    const bool found = Guarded(
        [&] { return boost::regex_search(from, last, impl.Results, expression, AsMatchFlags(step), first); },
        abandoned);
    if (abandoned) {
      outcome.Abandoned = true;
      break;
    }
    if (!found) break;
    OwePosixGroups(pattern, first, step, impl);
    ++outcome.Count;
    impl.PendingLines = &lines;
    const bool goOn = callback(current);
    impl.PendingLines = nullptr;
    if (!goOn) break;
    from = impl.Results[0].second;
  }
  return outcome;
}

GrepOutcome GrepInWindows(const Pattern& pattern, const char* first, const char* last,
                          unsigned matchWord, WindowSource windows, GrepCallback callback,
                          const TextPlace& place) {
  GrepOutcome outcome;
  if (pattern.Failed()) return outcome;
  const Regex& expression = pattern.Internals().Expression;
  const FlagBits flags = TranslateMatchFlags(matchWord);
  // Inside the text a window's end is a LF, not the text's end: a line end and a word end
  // may be there whatever the match word says of the text's end, but the buffer's end is not.
  const FlagBits innerEnd =
      (flags & ~Bits(rc::match_not_eol | rc::match_not_eow)) | Bits(rc::match_not_eob);

  // In a part of a text the engine's base is the LF before the part: a window there sees a
  // line start exactly as in the whole text, and never the text's start.
  const char* base = place.AfterText ? first - 1 : first;

  MatchResults current;
  MatchResults::Impl& impl = current.Internals();
  impl.Reset(first);
  impl.OriginOffset = place.Offset;
  LineCounter lines(first, place.Offset, place.Line);
  const char* from = first;
  bool afterMatch = false;
  for (;;) {
    const SearchWindow window = windows(from);
    if (window.First == nullptr || window.Last <= from) break;
    FlagBits step = window.Last == last && place.EndsText ? flags : innerEnd;
    if (window.First != base) step |= Bits(rc::match_prev_avail);
    if (afterMatch && window.First == from) step |= Bits(rc::match_not_initial_null);
    bool abandoned = false;
    const bool found = Guarded(
        [&] {
          return boost::regex_search(window.First, window.Last, impl.Results, expression, AsMatchFlags(step), base);
        },
        abandoned);
    if (abandoned) {
      outcome.Abandoned = true;
      break;
    }
    if (!found) {
      from = window.Last;
      afterMatch = false;
      continue;
    }
    OwePosixGroups(pattern, base, step, impl);
    ++outcome.Count;
    impl.PendingLines = &lines;
    const bool goOn = callback(current);
    impl.PendingLines = nullptr;
    if (!goOn) break;
    from = impl.Results[0].second;
    afterMatch = true;
  }
  return outcome;
}

bool MergeInto(const Pattern& pattern, const char* first, const char* last,
               const std::string& format, bool copy, unsigned matchWord, std::string& out) {
  out.clear();
  if (pattern.Failed()) return true;
  FlagBits flags = TranslateMatchFlags(matchWord);
  if (!copy) flags |= Bits(rc::format_no_copy);
  // regex_replace's own loop, over the grep's matches, so that the groups are POSIX's.
  const char* copied = first;
  bool failed = false;
  const GrepOutcome outcome = GrepIn(pattern, first, last, matchWord, [&](const MatchResults& match) {
    const MatchResults::Impl& impl = match.Internals();
    impl.ResolveGroups();
    if (copy) out.append(copied, impl.Results[0].first);
    Guarded(
        [&] {
          impl.Results.format(std::back_inserter(out), format, AsMatchFlags(flags), pattern.Internals().Expression);
          return true;
        },
        failed);
    copied = impl.Results[0].second;
    return !failed;
  });
  if (outcome.Abandoned || failed) {
    out.clear();
    return false;
  }
  if (copy) out.append(copied, last);
  return true;
}

bool FormatMatch(const MatchResults& match, const std::string& format, std::string& out,
                 const std::locale& locale) {
  out.clear();
  if (!match.Matched()) return false;
  // The format takes its character traits from an expression; an empty one imbued with
  // `locale` carries them.
  Regex traitsCarrier;
  traitsCarrier.imbue(locale);
  match.Internals().ResolveGroups();
  bool failed = false;
  Guarded(
      [&] {
        match.Internals().Results.format(std::back_inserter(out), format, rc::format_default,
                                         traitsCarrier);
        return true;
      },
      failed);
  if (failed) out.clear();
  return !failed;
}

}  // namespace GrepEngine
