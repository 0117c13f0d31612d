// A match's views, its lazily worked out groups and line, and its format.
#include <optional>
#include <utility>

#include "MatchAccess.h"
#include "MatchWalk.h"
#include "PatternData.h"
#include "engine/LineCounter.h"
#include "engine/Matching.h"

namespace grepcore {
Match MatchAccess::Make(std::shared_ptr<const PatternData> compiled, std::string_view text,
                        const GrepEngine::StepMatch& step) {
  Match match;
  match.Compiled = std::move(compiled);
  match.Searched = text;
  MoveTo(match, step);
  return match;
}

void MatchAccess::MoveTo(Match& match, const GrepEngine::StepMatch& step) {
  const char* origin = match.Searched.data();
  match.First = static_cast<std::size_t>(step.First - origin);
  match.Last = static_cast<std::size_t>(step.Last - origin);
  match.SearchFirst = static_cast<std::size_t>(step.SearchFirst - origin);
  match.StepFlags = step.Flags;
  // Lines stays where the count has come to, at or before this match.
  match.LineKnown = false;
  match.GroupsKnown = false;
}

const GrepEngine::MatchResults& MatchAccess::Described(
    const Match& match, std::optional<GrepEngine::MatchResults>& own) {
  GrepEngine::MatchResults& results =
      match.Link.Walk != nullptr ? match.Link.Walk->Scratch : own.emplace();
  const char* origin = match.Searched.data();
  GrepEngine::DescribeStep(*match.Compiled->Engine, origin, origin + match.Searched.size(),
                           GrepEngine::StepMatch{origin + match.First, origin + match.Last,
                                                 origin + match.SearchFirst, match.StepFlags},
                           results);
  return results;
}

grepcore::Group Match::Group(std::size_t i) const {
  if (i == 0) return grepcore::Group(Text(), First);
  if (i >= Size()) return grepcore::Group();
  ResolveGroups();
  return Groups[i - 1];
}

std::size_t Match::Size() const { return Compiled->Engine->MarkCount(); }

void Match::ResolveGroups() const {
  if (GroupsKnown) return;
  // The engine works the groups out exactly as for a grep's match: the match is described by
  // how the step that found it searched.
  std::optional<GrepEngine::MatchResults> own;
  const GrepEngine::MatchResults& results = MatchAccess::Described(*this, own);
  Groups.clear();
  for (unsigned n = 1; n < results.Size(); ++n) {
    const GrepEngine::SubMatch sub = results.Sub(n);
    Groups.push_back(sub.Matched ? grepcore::Group(std::string_view(sub.First, sub.Length()),
                                                   static_cast<std::size_t>(sub.Position))
                                 : grepcore::Group());
  }
  GroupsKnown = true;
}

std::size_t Match::Line() const {
  if (!LineKnown) {
    const char* origin = Searched.data();
    GrepEngine::LineCounter lines(origin, origin + Lines.Scanned, origin + Lines.Start,
                                  static_cast<unsigned>(Lines.Line));
    lines.AdvanceTo(origin + First);
    Lines = LinePlace{First, lines.Line(), static_cast<std::size_t>(lines.LineStart())};
    LineKnown = true;
  }
  return Lines.Line;
}

std::size_t Match::LineStart() const {
  Line();
  return Lines.Start;
}

std::string_view Match::LineText() const {
  const std::size_t start = LineStart();
  const std::size_t end = Searched.find('\n', start);
  return Searched.substr(start, (end == std::string_view::npos ? Searched.size() : end) - start);
}

std::string Match::Format(std::string_view format) const {
  return Format(format, Compiled->Engine->Locale());
}

std::string Match::Format(std::string_view format, const std::locale& locale) const {
  std::optional<GrepEngine::MatchResults> own;
  const GrepEngine::MatchResults& results = MatchAccess::Described(*this, own);
  std::string out;
  GrepEngine::FormatMatch(results, std::string(format), out, locale);
  return out;
}

}  // namespace grepcore
