#include "GroupFilling.h"

#include <array>
#include <new>
#include <stdexcept>

#include "PatternImpl.h"
#include "PosixGroups.h"

namespace GrepEngine {

namespace {

// Boost's groups for a whole match another matcher found.
void FillEngineGroups(const MatchResults::Impl& match) {
  match.GroupsReady = true;
  namespace rc = boost::regex_constants;
  // Leftmost-longest, the search's longest match at First is this one whatever empty matches
  // it refused. The shortest rule takes the first match found there, so the search's own
  // refusals stay: its refusal of an empty match where it began applies only there.
  FlagBits refused = Bits(rc::match_not_null | rc::match_not_initial_null);
  if (match.StepFlags & Bits(rc::match_any))
    refused = match.First == match.SearchFirst ? 0 : Bits(rc::match_not_initial_null);
  FlagBits flags = (match.StepFlags & ~refused) | Bits(rc::match_continuous);
  if (match.First != match.Base) flags |= Bits(rc::match_prev_avail);
  bool found = false;
  try {
    found = boost::regex_search(match.First, match.SearchLast, match.Results,
                                match.Source->Internals().ExpressionFor(flags), AsMatchFlags(flags),
                                match.Base);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    found = false;
  }
  if (!found) match.Results = boost::match_results<const char*>();
}

// POSIX's groups in one pass over the match, for a pattern with one parse; false, with the
// results as they were, when the pattern has no such pass or it cannot follow the match.
bool FillOnePassGroups(const MatchResults::Impl& match) {
  namespace rc = boost::regex_constants;
  const Pattern::Impl& pattern = match.Source->Internals();
  const Groups::OnePass* onePass = pattern.OnePassGroups.get();
  if (onePass == nullptr || match.Marks != onePass->GroupCount() + 1) return false;
  // Under the shortest rule the groups are those of the first match the engine finds at
  // First, which need not end at Last.
  if (match.StepFlags & Bits(rc::match_any)) return false;
  auto& results = match.Results;
  const bool engineRan = match.GroupsReady;
  if (engineRan && (results.size() != match.Marks || !results[0].matched)) return false;
  const char* first = engineRan ? results[0].first : match.First;
  const char* last = engineRan ? results[0].second : match.Last;
  const char* searchLast = engineRan ? results.suffix().second : match.SearchLast;
  std::array<Groups::GroupSpan, Groups::OnePass::MostGroups> spans;
  if (!onePass->Follow(GroupTextContext(match.Base, searchLast, match.StepFlags), first, last,
                       spans.data()))
    return false;
  if (!engineRan) {
    // The rest of what the engine's anchored search at First leaves.
    results.set_size(match.Marks, first, searchLast);
    results.set_base(first);
    results.set_named_subs(pattern.ExpressionFor(match.StepFlags).get_named_subs());
    results.set_first(first);
    results.set_second(last);
    match.GroupsReady = true;
  }
  SetGroups(results, first, spans.data());
  return true;
}

}  // namespace

void FillGroups(const MatchResults::Impl& match, GroupRoute route) {
  if (match.GroupsResolved || !match.Found || match.Source == nullptr) return;
  if (route == GroupRoute::Planned && FillOnePassGroups(match)) {
    match.GroupsResolved = true;
    return;
  }
  if (!match.GroupsReady) FillEngineGroups(match);
  match.GroupsResolved = true;
  if (!match.Results.empty())
    ApplyPosixGroups(*match.Source, match.Base, match.StepFlags, match.Results);
}

}  // namespace GrepEngine
