#include "MatchResultsImpl.h"

#include "PosixGroups.h"

namespace GrepEngine {

namespace {

SubMatch ViewOf(const boost::sub_match<const char*>& sub, const MatchResults::Impl& impl) {
  SubMatch view;
  if (!sub.matched) return view;
  view.Matched = true;
  view.Position = static_cast<std::int64_t>(impl.OriginOffset) + (sub.first - impl.Origin);
  view.First = sub.first;
  view.Last = sub.second;
  return view;
}

}  // namespace

void MatchResults::Impl::ResolveGroups() const {
  if (OwedGroups == nullptr) return;
  const Pattern* pattern = OwedGroups;
  OwedGroups = nullptr;
  ApplyPosixGroups(*pattern, OwedBase, OwedFlags, Results);
}

MatchResults::MatchResults() : Body(std::make_unique<Impl>()) {}
MatchResults::~MatchResults() = default;

bool MatchResults::Matched() const {
  // A default-built match_results has no sub-matches at all; [0] would still answer, but
  // asking the size first keeps to the documented use.
  return !Body->Results.empty() && Body->Results[0].matched;
}

unsigned MatchResults::Size() const {
  return Matched() ? static_cast<unsigned>(Body->Results.size()) : 0u;
}

SubMatch MatchResults::Sub(unsigned i) const {
  if (i >= Size()) return SubMatch();
  if (i > 0) Body->ResolveGroups();
  return ViewOf(Body->Results[static_cast<int>(i)], *Body);
}

SubMatch MatchResults::Prefix() const {
  if (!Matched()) return SubMatch();
  return ViewOf(Body->Results.prefix(), *Body);
}

SubMatch MatchResults::Suffix() const {
  if (!Matched()) return SubMatch();
  return ViewOf(Body->Results.suffix(), *Body);
}

unsigned MatchResults::Line() const {
  Body->ResolveLine();
  return Body->Line;
}

std::uint64_t MatchResults::LineStart() const {
  Body->ResolveLine();
  return Body->LineStart;
}
bool MatchResults::Abandoned() const { return Body->Abandoned; }

}  // namespace GrepEngine
