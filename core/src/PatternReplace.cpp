// Replacing a Pattern's matches by a format: every match, or the first.
#include <optional>

#include "EngineError.h"
#include "MatchAccess.h"
#include "PatternData.h"
#include "engine/Matching.h"
#include "grepcore/Regex.h"

namespace grepcore {
namespace {

// The engine's merge, as the pattern class's: exactly the grep's matches, each expanded with
// the groups a reader of the match gets; with `copy` the text around them kept.
Result<std::string> Merged(const Pattern& pattern, std::string_view text, std::string_view format,
                           bool copy, const MatchOptions& options) {
  text = Addressable(text);
  std::string out;
  if (copy) out.reserve(text.size());  // the output is about the text's size
  unsigned abandonCode = 0;
  if (!GrepEngine::MergeInto(EnginePattern(pattern), text.data(), text.data() + text.size(),
                             std::string(format), copy, EngineMatchWord(options), out,
                             &abandonCode))
    return EngineGaveUp(abandonCode, EnginePattern(pattern));
  return out;
}

}  // namespace

Result<std::string> Pattern::Replace(std::string_view text, std::string_view format,
                                     const MatchOptions& options) const {
  return Merged(*this, text, format, true, options);
}

Result<std::string> Pattern::Expand(std::string_view text, std::string_view format,
                                    const MatchOptions& options) const {
  return Merged(*this, text, format, false, options);
}

Result<std::string> Pattern::ReplaceFirst(std::string_view text, std::string_view format,
                                          const MatchOptions& options) const {
  Result<std::optional<Match>> first = Search(text, options);
  if (!first) return first.Error();
  if (!first->has_value()) return std::string(text);
  const Match& match = **first;
  std::string out;
  out.reserve(text.size());
  out.append(text.substr(0, match.Position()));
  out.append(match.Format(format));
  out.append(text.substr(match.End()));
  return out;
}

}  // namespace grepcore
