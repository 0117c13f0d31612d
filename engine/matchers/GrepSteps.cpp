#include "engine/GrepSteps.h"

#include "EngineGuard.h"
#include "GrepStepRule.h"
#include "MatchFlagTranslation.h"
#include "MatchResultsImpl.h"
#include "PatternImpl.h"
#include "WholeMatchFinder.h"

namespace GrepEngine {

struct GrepSteps::Impl {
  Impl(const Pattern& pattern, const char* first, const char* last, unsigned matchWord)
      : Source(pattern),
        Text(first),
        End(last),
        Flags(TranslateMatchFlags(matchWord)),
        Finder(pattern, matchWord, first, last) {}

  // One step of GrepIn's loop, on the route its finder chose.
  bool Step(const char* from, bool afterMatch, bool afterEmpty, StepMatch& out) {
    AbandonCode = 0;
    const FlagBits step = GrepStepFlags(Flags, Text, from, afterMatch, afterEmpty);
    if (Finder.Usable()) {
      const Span span = Finder.Find(from, End, afterMatch);
      if (!span.Found()) return false;
      out = StepMatch{span.First, span.Last, from, step};
      return true;
    }
    const bool found = Guarded(
        [&] {
          return boost::regex_search(from, End, Results, Source.Internals().ExpressionFor(step),
                                     AsMatchFlags(step), Text);
        },
        AbandonCode);
    if (!found) return false;
    out = StepMatch{Results[0].first, Results[0].second, from, step};
    return true;
  }

  const Pattern& Source;
  const char* Text;
  const char* End;
  FlagBits Flags;
  WholeMatchFinder Finder;
  boost::match_results<const char*> Results;  // kept from step to step: its room is reused
  unsigned AbandonCode = 0;
};

GrepSteps::GrepSteps(const Pattern& pattern, const char* first, const char* last,
                     unsigned matchWord) {
  // A pattern that failed to compile matches nothing, and has no expression to plan for.
  if (!pattern.Failed()) Body = std::make_unique<Impl>(pattern, first, last, matchWord);
}

GrepSteps::~GrepSteps() = default;

bool GrepSteps::First(const char* from, StepMatch& out) {
  return Body != nullptr && Body->Step(from, false, false, out);
}

bool GrepSteps::After(const StepMatch& previous, StepMatch& out) {
  return Body != nullptr && Body->Step(previous.Last, true, previous.First == previous.Last, out);
}

unsigned GrepSteps::AbandonCode() const { return Body == nullptr ? 0u : Body->AbandonCode; }

void DescribeStep(const Pattern& pattern, const char* first, const char* last,
                  const StepMatch& step, MatchResults& out) {
  MatchResults::Impl& impl = out.Internals();
  impl.Reset(first);
  if (pattern.Failed()) return;
  impl.TakeSpan(step.First, step.Last, step.SearchFirst, last, pattern.MarkCount());
  impl.Source = &pattern;
  impl.Base = first;
  impl.StepFlags = step.Flags;
}

}  // namespace GrepEngine
