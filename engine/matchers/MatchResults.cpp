#include "GroupFilling.h"
#include "MatchResultsImpl.h"

namespace GrepEngine {

namespace {

SubMatch View(const char* first, const char* last, const MatchResults::Impl& impl) {
  SubMatch view;
  view.Matched = true;
  view.Position = static_cast<std::int64_t>(impl.OriginOffset) + (first - impl.Origin);
  view.First = first;
  view.Last = last;
  return view;
}

}  // namespace

MatchResults::MatchResults() : Body(std::make_unique<Impl>()) {}
MatchResults::~MatchResults() = default;

bool MatchResults::Matched() const { return Body->Found; }

unsigned MatchResults::Size() const { return Body->Found ? Body->Marks : 0u; }

SubMatch MatchResults::Sub(unsigned i) const {
  if (i >= Size()) return SubMatch();
  if (i == 0) return View(Body->First, Body->Last, *Body);
  FillGroups(*Body);
  const auto& results = Body->Results;
  if (results.empty() || i >= results.size() || !results[static_cast<int>(i)].matched)
    return SubMatch();
  const auto& sub = results[static_cast<int>(i)];
  return View(sub.first, sub.second, *Body);
}

// An empty prefix or suffix counts as not matched, as the engine reports it.
SubMatch MatchResults::Prefix() const {
  if (!Matched() || Body->SearchFirst == Body->First) return SubMatch();
  return View(Body->SearchFirst, Body->First, *Body);
}

SubMatch MatchResults::Suffix() const {
  if (!Matched() || Body->Last == Body->SearchLast) return SubMatch();
  return View(Body->Last, Body->SearchLast, *Body);
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

unsigned MatchResults::AbandonCode() const { return Body->AbandonCode; }

}  // namespace GrepEngine
