#include "common/StringOperations.h"

#include <optional>
#include <utility>

namespace Common {

bool RunStringMatch(const grepcore::Pattern& pattern, std::string_view text, StringMatchKind kind,
                    unsigned matchFlags, std::unique_ptr<grepcore::Match>& current,
                    std::string& abandonReason) {
  const grepcore::MatchOptions options = grepcore::MatchOptions::FromWord(matchFlags);
  grepcore::Result<std::optional<grepcore::Match>> found = kind == StringMatchKind::Search
                                                               ? pattern.Search(text, options)
                                                               : pattern.MatchAt(text, options);
  if (!found) {
    abandonReason = found.Error().Message;
    return false;
  }
  if (!found->has_value()) return false;
  // MatchAll takes the anchored match, as found under the match options, only when it reaches
  // the end (unlike FullMatch, which would look for a longer one under MatchShortest).
  if (kind == StringMatchKind::MatchAll && (*found)->End() != text.size()) return false;
  current = std::make_unique<grepcore::Match>(std::move(**found));
  return true;
}

void FormatCurrentMatch(const grepcore::Match* grepMatch, const grepcore::Match* match,
                        const std::string& format, const std::locale& locale, std::string& out) {
  out.clear();
  if (format.empty()) return;
  const grepcore::Match* current = grepMatch != nullptr ? grepMatch : match;
  if (current == nullptr) return;
  out = current->Format(format, locale);
}

void PlainMerge(const grepcore::Pattern& pattern, const std::string& text,
                const std::string& format, bool copy, unsigned matchFlags, std::string& out,
                std::string& abandonReason) {
  // No handler runs, so nothing can change the text meanwhile: the core reads it in place.
  const grepcore::MatchOptions options = grepcore::MatchOptions::FromWord(matchFlags);
  grepcore::Result<std::string> merged =
      copy ? pattern.Replace(text, format, options) : pattern.Expand(text, format, options);
  if (!merged) {
    out.clear();
    abandonReason = merged.Error().Message;
    return;
  }
  out = std::move(*merged);
}

}  // namespace Common
