#pragma once
// The string operations both pattern objects run over StringToMatch: the anchored match and
// the search, and the grep and the merge whose per-match steps fire the object's events. Each
// sets `abandonReason` to the engine's message when the engine gives up (see Abandonment.h)
// and leaves it alone otherwise: the object clears it when its operation starts.

#include <cstdint>
#include <memory>
#include <string>

#include "common/Abandonment.h"
#include "common/CurrentMatchGuards.h"
#include "engine/Matching.h"

namespace Common {

enum class StringMatchKind { Match, MatchAll, Search };

// Fills `match`; true on a match (for MatchAll only one that reaches the text's end).
bool RunStringMatch(const GrepEngine::Pattern& pattern, const std::string& text,
                    StringMatchKind kind, unsigned matchFlags, GrepEngine::MatchResults& match);

// An anchored match or search with `current` holding the match while `report(match)` runs;
// `current` is empty again on every way out. True on a match.
template <class Report>
bool StringMatchOperation(const GrepEngine::Pattern& pattern, const std::string& text,
                          StringMatchKind kind, unsigned matchFlags,
                          std::unique_ptr<GrepEngine::MatchResults>& current,
                          std::string& abandonReason, Report report) {
  current = std::make_unique<GrepEngine::MatchResults>();
  const ResetOnExit reset(current);
  GrepEngine::MatchResults& match = *current;
  if (!RunStringMatch(pattern, text, kind, matchFlags, match)) {
    if (match.Abandoned()) abandonReason = AbandonReason(match.AbandonCode(), pattern);
    return false;
  }
  report(match);
  return true;
}

// The expansion of `format` for the match being reported (a grep's or merge's when set, else
// a match's or search's); empty when there is none or `format` is empty.
void FormatCurrentMatch(const GrepEngine::MatchResults* grepMatch,
                        const GrepEngine::MatchResults* match, const std::string& format,
                        const std::locale& locale, std::string& out);

// The merge without a handler, over `text` itself.
void PlainMerge(const GrepEngine::Pattern& pattern, const std::string& text,
                const std::string& format, bool copy, unsigned matchFlags, std::string& out,
                std::string& abandonReason);

// Every successive match of `text`, each handed to `step` (which returns false to stop);
// returns the engine's count. Without a step nothing is copied; with one the grep runs over a
// copy taken now, so a step may assign the object's text meanwhile.
template <class Step>
unsigned GrepText(const GrepEngine::Pattern& pattern, const std::string& text, unsigned matchFlags,
                  bool hasStep, std::string& abandonReason, Step step) {
  GrepEngine::GrepOutcome outcome;
  if (!hasStep) {
    outcome = GrepEngine::GrepIn(pattern, text.data(), text.data() + text.size(), matchFlags,
                                 [](const GrepEngine::MatchResults&) { return true; });
  } else {
    const std::string copy = text;
    outcome = GrepEngine::GrepIn(pattern, copy.data(), copy.data() + copy.size(), matchFlags, step);
  }
  if (outcome.Abandoned) abandonReason = AbandonReason(outcome.AbandonCode, pattern);
  return outcome.Count;
}

// The per-match step of a grep: the match is the object's current one while `fire(match,
// bcontinue)` runs (bcontinue true on entry); returns bcontinue.
template <class Fire>
bool GrepMatchStep(const GrepEngine::MatchResults*& current, const GrepEngine::MatchResults& match,
                   Fire fire) {
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
bool MergeMatchStep(MergeRun run, const GrepEngine::MatchResults*& current,
                    const GrepEngine::MatchResults& match, Fire fire, Format format) {
  bool bcontinue = true;
  const ReportingMatch reporting(current, match);
  const GrepEngine::SubMatch whole = match.Sub(0);
  const std::uint64_t start = static_cast<std::uint64_t>(whole.Position);
  if (run.Copy && run.Position != start) {
    run.Output.append(run.Text, run.Position, start - run.Position);
    run.Position = start;
  }
  fire(match, bcontinue);
  if (bcontinue) {
    std::string replacement;
    format(replacement);  // reads the format string now: a handler may have changed it
    run.Output += replacement;
    if (run.Copy) run.Position += whole.Length();
  }
  return bcontinue;
}

// Runs a merge with a handler over a copy of `text` (a handler may assign the object's text):
// `step(run, match)` is the object's per-match step. The output is emptied first; the text
// after the last match is appended with Copy. When the engine gives up the output is empty.
template <class Step>
void MergeWithStep(const GrepEngine::Pattern& pattern, const std::string& text, bool copy,
                   unsigned matchFlags, std::string& output, std::uint64_t& position,
                   std::string& abandonReason, Step step) {
  output.clear();
  position = 0;
  const std::string merged = text;
  const MergeRun run{merged, copy, output, position};
  const GrepEngine::GrepOutcome outcome =
      GrepEngine::GrepIn(pattern, merged.data(), merged.data() + merged.size(), matchFlags,
                         [&](const GrepEngine::MatchResults& match) { return step(run, match); });
  if (outcome.Abandoned) {
    // As the merge without a handler: no partial result, whose rest would look unmatched.
    abandonReason = AbandonReason(outcome.AbandonCode, pattern);
    output.clear();
    return;
  }
  if (copy && position != merged.size()) output.append(merged, position, std::string::npos);
}

}  // namespace Common
