#include "engine/Matching.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>

#include "CaseFormat.h"
#include "EngineGuard.h"
#include "GrepStepRule.h"
#include "GroupFilling.h"
#include "MatchFlagTranslation.h"
#include "MatchResultsImpl.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "ReferenceRoute.h"
#include "WholeMatchFinder.h"
#include "engine/LineCounter.h"
#include "engine/OptionWords.h"
#include "unicode/Utf8.h"
#include "unicode/WordCharacters.h"

namespace GrepEngine {

namespace {

namespace rc = boost::regex_constants;

void StoreLine(const LineCounter& lines, MatchResults::Impl& impl) {
  impl.Line = lines.Line();
  impl.LineStart = lines.LineStart();
}

// Keeps a match the reference engine found, and how to resolve its groups later.
void StoreEngineMatch(MatchResults::Impl& impl, const Pattern& pattern, const char* base,
                      FlagBits step) {
  impl.TakeEngineResults();
  impl.Source = &pattern;
  impl.Base = base;
  impl.StepFlags = step;
}

// Keeps a whole match found by the finder, and how to fill its groups later.
void StoreSpan(MatchResults::Impl& impl, const Pattern& pattern, Span span, const char* searchFirst,
               const char* searchLast, const char* base, FlagBits step) {
  impl.TakeSpan(span.First, span.Last, searchFirst, searchLast, pattern.MarkCount());
  impl.Source = &pattern;
  impl.Base = base;
  impl.StepFlags = step;
}

bool FindOne(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
             FlagBits flags, MatchResults& out) {
  MatchResults::Impl& impl = out.Internals();
  impl.Reset(first);
  if (pattern.Failed()) return false;
  WholeMatchFinder finder(pattern, matchWord, first, last);
  if (finder.Usable()) {
    const Span span = finder.Find(first, last, false);
    if (!span.Found()) return false;
    StoreSpan(impl, pattern, span, first, last, first, flags);
    impl.KeptSource = pattern.shared_from_this();
    return true;
  }
  const Regex& expression = pattern.Internals().ExpressionFor(flags);
  const bool found = Guarded(
      [&] {
        return boost::regex_search(first, last, impl.Results, expression, AsMatchFlags(flags));
      },
      impl.AbandonCode);
  if (!found) {
    const unsigned abandonCode = impl.AbandonCode;
    impl.Reset(first);
    impl.AbandonCode = abandonCode;
    impl.Abandoned = abandonCode != 0;
    return false;
  }
  StoreEngineMatch(impl, pattern, first, flags);
  // The groups are worked out when read, which may be after the caller let go of the pattern.
  impl.KeptSource = pattern.shared_from_this();
  return true;
}

// The reference engine's grep: the step from one match to the next is regex_iterator's, so
// a grep finds exactly the matches a merge replaces.
GrepOutcome ReferenceGrep(const Pattern& pattern, const char* first, const char* last,
                          FlagBits flags, GrepCallback callback) {
  GrepOutcome outcome;
  const Regex& expression = pattern.Internals().ExpressionFor(flags);
  MatchResults current;
  MatchResults::Impl& impl = current.Internals();
  impl.Reset(first);
  LineCounter lines(first);
  const char* from = first;
  for (bool afterMatch = false;; afterMatch = true) {
    const FlagBits step =
        GrepStepFlags(flags, first, from, afterMatch, afterMatch && impl.Last == impl.First);
    unsigned abandonCode = 0;
    // `first` as the base: anchors and word edges see the bytes before `from`.
    const bool found = Guarded(
        [&] {
          return boost::regex_search(from, last, impl.Results, expression, AsMatchFlags(step),
                                     first);
        },
        abandonCode);
    if (abandonCode != 0) {
      outcome.Abandoned = true;
      outcome.AbandonCode = abandonCode;
      break;
    }
    if (!found) break;
    StoreEngineMatch(impl, pattern, first, step);
    ++outcome.Count;
    impl.PendingLines = &lines;
    const bool goOn = callback(current);
    impl.PendingLines = nullptr;
    if (!goOn) break;
    from = impl.Last;
  }
  return outcome;
}

// The same grep over the finder's matches; the groups are filled only when read.
GrepOutcome FinderGrep(const Pattern& pattern, WholeMatchFinder& finder, const char* first,
                       const char* last, FlagBits flags, GrepCallback callback) {
  GrepOutcome outcome;
  MatchResults current;
  MatchResults::Impl& impl = current.Internals();
  impl.Reset(first);
  LineCounter lines(first);
  const char* from = first;
  for (bool afterMatch = false;; afterMatch = true) {
    // The finder's routes are all leftmost-longest: after any match, no empty one.
    const FlagBits step = GrepStepFlags(flags, first, from, afterMatch, afterMatch);
    const Span span = finder.Find(from, last, afterMatch);
    if (!span.Found()) break;
    StoreSpan(impl, pattern, span, from, last, first, step);
    ++outcome.Count;
    impl.PendingLines = &lines;
    const bool goOn = callback(current);
    impl.PendingLines = nullptr;
    if (!goOn) break;
    from = span.Last;
  }
  return outcome;
}

// Whether `format` may read the prefix: $` or its names, $PREMATCH and ${^PREMATCH}. A false
// yes only costs a search.
bool ReadsPrefix(const std::string& format) {
  return format.find('`') != std::string::npos || format.find("PREMATCH") != std::string::npos;
}

// The results a format reads: the groups, and a prefix from where the search began (the
// groups' own search began at the match).
const boost::match_results<const char*>& FormatResults(const MatchResults::Impl& impl,
                                                       const std::string& format,
                                                       boost::match_results<const char*>& scratch) {
  FillGroups(impl);
  if (impl.Results.empty() || !ReadsPrefix(format) ||
      impl.Results.prefix().first == impl.SearchFirst || impl.Source == nullptr)
    return impl.Results;
  unsigned abandonCode = 0;
  const bool found = Guarded(
      [&] {
        return boost::regex_search(impl.SearchFirst, impl.SearchLast, scratch,
                                   impl.Source->Internals().ExpressionFor(impl.StepFlags),
                                   AsMatchFlags(impl.StepFlags), impl.Base);
      },
      abandonCode);
  if (!found) return impl.Results;
  ApplyPosixGroups(*impl.Source, impl.Base, impl.StepFlags, scratch);
  return scratch;
}

// A format without the format syntax's two special characters is its own expansion.
bool IsPlainFormat(const std::string& format) {
  return format.find_first_of("$\\") == std::string::npos;
}

bool IsWholeMatchFormat(const std::string& format) { return format == "$&" || format == "$0"; }

// Appends the expansion of `format` for `impl`'s match; false when the engine gave up (then
// `abandonCode` says why). `cases` is the format read for its case escapes.
bool AppendFormatted(const MatchResults::Impl& impl, const std::string& format,
                     const CaseFormat& cases, const Regex& traits, std::string& out,
                     unsigned& abandonCode) {
  if (IsPlainFormat(format)) {
    out += format;
    return true;
  }
  if (IsWholeMatchFormat(format)) {
    out.append(impl.First, impl.Last);
    return true;
  }
  boost::match_results<const char*> scratch;
  const boost::match_results<const char*>& results = FormatResults(impl, format, scratch);
  if (results.empty()) return true;  // the groups could not be found: nothing to expand
  Guarded(
      [&] {
        if (cases.Active())
          return cases.Expand(
              [&](const std::string& piece, std::string& into) {
                results.format(std::back_inserter(into), piece, rc::format_default, traits);
                return true;
              },
              out);
        results.format(std::back_inserter(out), format, rc::format_default, traits);
        return true;
      },
      abandonCode);
  return abandonCode == 0;
}

}  // namespace

bool MatchAt(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
             MatchResults& out) {
  // A continuous search keeps leftmost-longest at `first` without requiring the match to
  // reach `last`, which regex_match would.
  return FindOne(pattern, first, last, matchWord | MatchBits::Continuous,
                 TranslateMatchFlags(matchWord) | Bits(rc::match_continuous), out);
}

bool SearchIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
              MatchResults& out) {
  if (!FindOne(pattern, first, last, matchWord, TranslateMatchFlags(matchWord), out)) return false;
  LineCounter lines(first);
  lines.AdvanceTo(out.Internals().First);
  StoreLine(lines, out.Internals());
  return true;
}

GrepOutcome GrepIn(const Pattern& pattern, const char* first, const char* last, unsigned matchWord,
                   GrepCallback callback) {
  if (pattern.Failed()) return GrepOutcome();
  const FlagBits flags = TranslateMatchFlags(matchWord);
  WholeMatchFinder finder(pattern, matchWord, first, last);
  if (finder.Usable()) return FinderGrep(pattern, finder, first, last, flags, callback);
  return ReferenceGrep(pattern, first, last, flags, callback);
}

GrepOutcome ReferenceGrepIn(const Pattern& pattern, const char* first, const char* last,
                            unsigned matchWord, GrepCallback callback) {
  if (pattern.Failed()) return GrepOutcome();
  return ReferenceGrep(pattern, first, last, TranslateMatchFlags(matchWord), callback);
}

Route PlannedRoute(const Pattern& pattern, unsigned matchWord, const char* first,
                   const char* last) {
  return WholeMatchFinder(pattern, matchWord, first, last).Chosen();
}

namespace {

// The reference engine's search in one window; false when it finds nothing or gives up (then
// outcome.Abandoned).
bool FindInWindow(const SearchWindow& window, MatchResults::Impl& impl, const Pattern& pattern,
                  FlagBits step, const char* base, GrepOutcome& outcome) {
  const Regex& expression = pattern.Internals().ExpressionFor(step);
  unsigned abandonCode = 0;
  const bool found = Guarded(
      [&] {
        return boost::regex_search(window.First, window.Last, impl.Results, expression,
                                   AsMatchFlags(step), base);
      },
      abandonCode);
  outcome.Abandoned = abandonCode != 0;
  outcome.AbandonCode = abandonCode;
  if (found) StoreEngineMatch(impl, pattern, base, step);
  return found;
}

}  // namespace

GrepOutcome GrepInWindows(const Pattern& pattern, const char* first, const char* last,
                          unsigned matchWord, WindowSource windows, GrepCallback callback,
                          const TextPlace& place) {
  GrepOutcome outcome;
  if (pattern.Failed()) return outcome;
  const FlagBits flags = TranslateMatchFlags(matchWord);
  // Inside the text a window's end is a LF, not the text's end: a line end and a word end
  // may be there whatever the match word says of the text's end, but the buffer's end is not.
  const FlagBits innerEnd =
      (flags & ~Bits(rc::match_not_eol | rc::match_not_eow)) | Bits(rc::match_not_eob);

  // In a part of a text the engine's base is the LF before the part: a window there sees a
  // line start exactly as in the whole text, and never the text's start.
  const char* base = place.AfterText ? first - 1 : first;
  // Inside a text the LF at the range's end is readable: edges look at it as in the whole text.
  WholeMatchFinder finder(pattern, matchWord, base, place.EndsText ? last : last + 1);

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
    if (finder.Usable()) {
      const Span span = finder.Find(window.First, window.Last, afterMatch && window.First == from);
      if (!span.Found()) {
        from = window.Last;
        afterMatch = false;
        continue;
      }
      StoreSpan(impl, pattern, span, window.First, window.Last, base, step);
    } else if (!FindInWindow(window, impl, pattern, step, base, outcome)) {
      if (outcome.Abandoned) break;
      from = window.Last;
      afterMatch = false;
      continue;
    }
    ++outcome.Count;
    impl.PendingLines = &lines;
    const bool goOn = callback(current);
    impl.PendingLines = nullptr;
    if (!goOn) break;
    from = impl.Last;
    afterMatch = true;
  }
  return outcome;
}

bool MergeInto(const Pattern& pattern, const char* first, const char* last,
               const std::string& format, bool copy, unsigned matchWord, std::string& out,
               unsigned* abandonCode) {
  out.clear();
  if (pattern.Failed()) return true;
  const Regex& expression = pattern.Internals().Expression;
  // regex_replace's own loop over the grep's matches: a merge replaces exactly what a grep
  // finds, and formats each match with the groups a reader of the match gets.
  const char* copied = first;
  unsigned formatAbandoned = 0;
  const CaseFormat cases(format, pattern.Locale());
  const GrepOutcome outcome =
      GrepIn(pattern, first, last, matchWord, [&](const MatchResults& match) {
        const MatchResults::Impl& impl = match.Internals();
        if (copy) out.append(copied, impl.First);
        copied = impl.Last;
        return AppendFormatted(impl, format, cases, expression, out, formatAbandoned);
      });
  if (outcome.Abandoned || formatAbandoned != 0) {
    out.clear();
    if (abandonCode != nullptr)
      *abandonCode = outcome.Abandoned ? outcome.AbandonCode : formatAbandoned;
    return false;
  }
  if (copy) out.append(copied, last);
  return true;
}

namespace {

bool WordByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

}  // namespace

bool WordCharacterBefore(const Pattern& pattern, const char* first, const char* at) {
  const Unicode::CodeSet* word = pattern.Internals().Utf8WordCharacters();
  if (word == nullptr) return WordByte(at[-1]);
  return Unicode::WordCharacterBefore(*word, first, at, Unicode::StrayBytes::NoWord);
}

bool WordCharacterAt(const Pattern& pattern, const char* at, const char* last) {
  const Unicode::CodeSet* word = pattern.Internals().Utf8WordCharacters();
  if (word == nullptr) return WordByte(*at);
  return Unicode::WordCharacterAt(*word, at, last, Unicode::StrayBytes::NoWord);
}

bool SplitsCharacter(const Pattern& pattern, const char* first, const char* at, const char* last) {
  return !pattern.Failed() && pattern.Internals().Tree.Utf8() &&
         Unicode::InsideCharacter(first, at, last);
}

bool FormatMatch(const MatchResults& match, const std::string& format, std::string& out,
                 const std::locale& locale) {
  out.clear();
  if (!match.Matched()) return false;
  const MatchResults::Impl& impl = match.Internals();
  unsigned abandonCode = 0;
  const CaseFormat cases(format, locale);
  if (IsPlainFormat(format) || IsWholeMatchFormat(format))
    return AppendFormatted(impl, format, cases, Regex(), out, abandonCode);
  // The format takes its character traits from an expression; an empty one imbued with
  // `locale` carries them.
  Regex traitsCarrier;
  traitsCarrier.imbue(locale);
  const bool done = AppendFormatted(impl, format, cases, traitsCarrier, out, abandonCode);
  if (!done) out.clear();
  return done;
}

}  // namespace GrepEngine
