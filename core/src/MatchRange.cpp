// The walk of a range: one engine step per match, into the range's one Match.
#include "grepcore/MatchRange.h"

#include "EngineError.h"
#include "MatchAccess.h"
#include "MatchWalk.h"

namespace grepcore {

MatchRange MatchAccess::Range(std::unique_ptr<MatchWalk> walk) {
  return MatchRange(std::move(walk));
}

MatchRange::MatchRange(std::unique_ptr<MatchWalk> walk) : Walk(std::move(walk)) {
  Current.Compiled = Walk->Compiled;
  Current.Searched = Walk->Text;
  Current.Link.Walk = Walk.get();
}

// The walk stays where it is on the heap; the match, moved, is linked to it again.
MatchRange::MatchRange(MatchRange&& other) noexcept
    : Walk(std::move(other.Walk)),
      Current(std::move(other.Current)),
      Started(other.Started),
      Finished(other.Finished) {
  Current.Link.Walk = Walk.get();
}

MatchRange& MatchRange::operator=(MatchRange&& other) noexcept {
  Walk = std::move(other.Walk);
  Current = std::move(other.Current);
  Current.Link.Walk = Walk.get();
  Started = other.Started;
  Finished = other.Finished;
  return *this;
}
MatchRange::~MatchRange() = default;

MatchRange::Iterator MatchRange::begin() {
  if (!Started && !Advance()) return end();
  return Finished ? end() : Iterator(this);
}

bool MatchRange::Advance() {
  if (Finished || Walk == nullptr) return false;
  GrepEngine::StepMatch next;
  const bool found =
      Started ? Walk->Steps.After(Walk->Latest, next) : Walk->Steps.First(Walk->Text.data(), next);
  Started = true;
  if (!found) {
    Walk->AbandonCode = Walk->Steps.AbandonCode();
    Finished = true;
    return false;
  }
  Walk->Latest = next;
  MatchAccess::MoveTo(Current, next);
  return true;
}

Status MatchRange::Outcome() const {
  if (Walk == nullptr || Walk->AbandonCode == 0) return Done{};
  return EngineGaveUp(Walk->AbandonCode, *Walk->Compiled->Engine);
}

}  // namespace grepcore
