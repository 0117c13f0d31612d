#include "GroupFilling.h"

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

}  // namespace

void FillGroups(const MatchResults::Impl& match) {
  if (match.GroupsResolved || !match.Found || match.Source == nullptr) return;
  if (!match.GroupsReady) FillEngineGroups(match);
  match.GroupsResolved = true;
  if (!match.Results.empty())
    ApplyPosixGroups(*match.Source, match.Base, match.StepFlags, match.Results);
}

}  // namespace GrepEngine
