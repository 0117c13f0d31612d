// The matching operations of a Pattern: whole text, anchored, search, the range and the count.
#include <optional>

#include "EngineError.h"
#include "MatchAccess.h"
#include "MatchWalk.h"
#include "PatternData.h"
#include "engine/GrepSteps.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "grepcore/Regex.h"

namespace grepcore {
namespace {

namespace Bits = GrepEngine::MatchBits;

// The first match at or after `from` under `matchWord`: found, not found, or the engine's
// giving up.
struct FirstMatch {
  bool Found = false;
  GrepEngine::StepMatch Step;
  unsigned AbandonCode = 0;
};

FirstMatch FindFirst(const Pattern& pattern, std::string_view text, std::size_t from,
                     unsigned matchWord) {
  FirstMatch first;
  GrepEngine::GrepSteps steps(EnginePattern(pattern), text.data(), text.data() + text.size(),
                              matchWord);
  first.Found = steps.First(text.data() + from, first.Step);
  first.AbandonCode = steps.AbandonCode();
  return first;
}

Result<std::optional<Match>> MatchOf(const Pattern& pattern, std::string_view text,
                                     const FirstMatch& first) {
  if (first.AbandonCode != 0) return EngineGaveUp(first.AbandonCode, EnginePattern(pattern));
  if (!first.Found) return std::optional<Match>();
  return std::optional<Match>(MatchAccess::Make(pattern.Data(), text, first.Step));
}

}  // namespace

Result<bool> Pattern::FullMatch(std::string_view text, const MatchOptions& options) const {
  text = Addressable(text);
  // The longest match at the start reaches the end when any does.
  const unsigned word =
      (EngineMatchWord(options) & ~static_cast<unsigned>(Bits::Shortest)) | Bits::Continuous;
  const FirstMatch first = FindFirst(*this, text, 0, word);
  if (first.AbandonCode != 0) return EngineGaveUp(first.AbandonCode, EnginePattern(*this));
  return first.Found && first.Step.Last == text.data() + text.size();
}

Result<bool> Pattern::Contains(std::string_view text, const MatchOptions& options) const {
  text = Addressable(text);
  const FirstMatch first = FindFirst(*this, text, 0, EngineMatchWord(options));
  if (first.AbandonCode != 0) return EngineGaveUp(first.AbandonCode, EnginePattern(*this));
  return first.Found;
}

Result<std::optional<Match>> Pattern::MatchAt(std::string_view text,
                                              const MatchOptions& options) const {
  text = Addressable(text);
  return MatchOf(*this, text,
                 FindFirst(*this, text, 0, EngineMatchWord(options) | Bits::Continuous));
}

Result<std::optional<Match>> Pattern::Search(std::string_view text,
                                             const MatchOptions& options) const {
  return Search(text, 0, options);
}

Result<std::optional<Match>> Pattern::Search(std::string_view text, std::size_t from,
                                             const MatchOptions& options) const {
  if (from > text.size()) {
    Error error;
    error.Kind = ErrorKind::BadArgument;
    error.Message = "the search starts beyond the text's end";
    return error;
  }
  text = Addressable(text);
  return MatchOf(*this, text, FindFirst(*this, text, from, EngineMatchWord(options)));
}

MatchRange Pattern::Matches(std::string_view text, const MatchOptions& options) const {
  return MatchAccess::Range(
      std::make_unique<MatchWalk>(Compiled, Addressable(text), EngineMatchWord(options)));
}

Result<std::size_t> Pattern::Count(std::string_view text, const MatchOptions& options) const {
  text = Addressable(text);
  std::size_t count = 0;  // the engine's own count is 32 bits wide
  const GrepEngine::GrepOutcome outcome =
      GrepEngine::GrepIn(EnginePattern(*this), text.data(), text.data() + text.size(),
                         EngineMatchWord(options), [&count](const GrepEngine::MatchResults&) {
                           ++count;
                           return true;
                         });
  if (outcome.Abandoned) return EngineGaveUp(outcome.AbandonCode, EnginePattern(*this));
  return count;
}

}  // namespace grepcore
