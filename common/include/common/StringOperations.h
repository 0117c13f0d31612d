#pragma once
// The string operations both pattern objects run over StringToMatch, on the core's pattern:
// the anchored match and the search, and the grep and the merge whose per-match steps fire the
// object's events. Each sets `abandonReason` to the core's message when the engine gives up
// and leaves it alone otherwise: the object clears it when its operation starts.

#include <cstdint>
#include <locale>
#include <memory>
#include <string>
#include <string_view>

#include "common/CurrentMatchGuards.h"
#include "grepcore/Regex.h"

namespace Common {

enum class StringMatchKind { Match, MatchAll, Search };

// The match `kind` finds in `text` (for MatchAll only one that reaches the text's end), into
// `current`; false when there is none or the engine gave up.
bool RunStringMatch(const grepcore::Pattern& pattern, std::string_view text, StringMatchKind kind,
                    unsigned matchFlags, std::unique_ptr<grepcore::Match>& current,
                    std::string& abandonReason);

// An anchored match or search with `current` holding the match while `report(match)` runs;
// `current` is empty again on every way out. True on a match.
template <class Report>
bool StringMatchOperation(const grepcore::Pattern& pattern, const std::string& text,
                          StringMatchKind kind, unsigned matchFlags,
                          std::unique_ptr<grepcore::Match>& current, std::string& abandonReason,
                          Report report) {
  const ResetOnExit reset(current);
  if (!RunStringMatch(pattern, text, kind, matchFlags, current, abandonReason)) return false;
  report(*current);
  return true;
}

// The expansion of `format` for the match being reported (a grep's or merge's when set, else
// a match's or search's); empty when there is none or `format` is empty.
void FormatCurrentMatch(const grepcore::Match* grepMatch, const grepcore::Match* match,
                        const std::string& format, const std::locale& locale, std::string& out);

// The merge without a handler, over `text` itself.
void PlainMerge(const grepcore::Pattern& pattern, const std::string& text,
                const std::string& format, bool copy, unsigned matchFlags, std::string& out,
                std::string& abandonReason);

// Walks the matches of `text`, each handed to `step` (which returns false to stop); returns
// the matches walked, the one at which `step` stopped included, and those before the engine
// gave up.
template <class Step>
unsigned WalkMatches(const grepcore::Pattern& pattern, std::string_view text, unsigned matchFlags,
                     std::string& abandonReason, Step step) {
  grepcore::MatchRange range = pattern.Matches(text, grepcore::MatchOptions::FromWord(matchFlags));
  unsigned count = 0;
  for (const grepcore::Match& match : range) {
    ++count;
    if (!step(match)) break;
  }
  const grepcore::Status outcome = range.Outcome();
  if (!outcome) abandonReason = outcome.Error().Message;
  return count;
}

// Every successive match of `text`, each handed to `step`; returns the count. The walk keeps
// the text it started on, so a step may assign the object's text meanwhile.
template <class Step>
unsigned GrepText(const grepcore::Pattern& pattern, std::shared_ptr<const std::string> held,
                  unsigned matchFlags, bool hasStep, std::string& abandonReason, Step step) {
  const std::string& text = *held;
  if (!hasStep) {
    // The count is the core's callback loop, well ahead of a walk on dense matches; only when
    // the engine gives up does a walk find how many matches came before.
    const grepcore::Result<std::size_t> count =
        pattern.Count(text, grepcore::MatchOptions::FromWord(matchFlags));
    if (count) return static_cast<unsigned>(*count);
    return WalkMatches(pattern, text, matchFlags, abandonReason,
                       [](const grepcore::Match&) { return true; });
  }
  return WalkMatches(pattern, text, matchFlags, abandonReason, step);
}

// The per-match step of a grep: the match is the object's current one while `fire(match,
// bcontinue)` runs (bcontinue true on entry); returns bcontinue.
template <class Fire>
bool GrepMatchStep(const grepcore::Match*& current, const grepcore::Match& match, Fire fire) {
  bool bcontinue = true;
  const ReportingMatch reporting(current, match);
  fire(match, bcontinue);
  return bcontinue;
}

// The state of a merge with a handler: the merged text, the output so far and how far the text
// has been copied.
struct MergeRun {
  const std::string& Text;
  bool Copy;
  std::string& Output;
  std::uint64_t& Position;
};

// The per-match step of a merge with a handler: the text before the match is copied (with
// Copy), the handler sees the match (current while it runs) and, when it leaves bcontinue set,
// `format(replacement)` is appended. Returns bcontinue.
template <class Fire, class Format>
bool MergeMatchStep(MergeRun run, const grepcore::Match*& current, const grepcore::Match& match,
                    Fire fire, Format format) {
  bool bcontinue = true;
  const ReportingMatch reporting(current, match);
  const std::uint64_t start = match.Position();
  if (run.Copy && run.Position != start) {
    run.Output.append(run.Text, run.Position, start - run.Position);
    run.Position = start;
  }
  fire(match, bcontinue);
  if (bcontinue) {
    std::string replacement;
    format(replacement);  // reads the format string now: a handler may have changed it
    run.Output += replacement;
    if (run.Copy) run.Position += match.Length();
  }
  return bcontinue;
}

// Runs a merge with a handler over the text it starts on, which it keeps (a handler may assign
// the object's text meanwhile): `step(run, match)` is the object's per-match step. The output is emptied first; the text
// after the last match is appended with Copy. When the engine gives up the output is empty.
template <class Step>
void MergeWithStep(const grepcore::Pattern& pattern, std::shared_ptr<const std::string> held,
                   bool copy, unsigned matchFlags, std::string& output, std::uint64_t& position,
                   std::string& abandonReason, Step step) {
  output.clear();
  position = 0;
  const std::string& merged = *held;
  const MergeRun run{merged, copy, output, position};
  std::string reason;
  WalkMatches(pattern, merged, matchFlags, reason,
              [&](const grepcore::Match& match) { return step(run, match); });
  if (!reason.empty()) {
    // As the merge without a handler: no partial result, whose rest would look unmatched.
    abandonReason = std::move(reason);
    output.clear();
    return;
  }
  if (copy && position != merged.size()) output.append(merged, position, std::string::npos);
}

}  // namespace Common
