#include "common/StringOperations.h"

namespace Common {

bool RunStringMatch(const GrepEngine::Pattern& pattern, const std::string& text,
                    StringMatchKind kind, unsigned matchFlags, GrepEngine::MatchResults& match) {
  const char* first = text.data();
  const char* last = first + text.size();
  const bool found = kind == StringMatchKind::Search
                         ? GrepEngine::SearchIn(pattern, first, last, matchFlags, match)
                         : GrepEngine::MatchAt(pattern, first, last, matchFlags, match);
  if (!found) return false;
  return kind != StringMatchKind::MatchAll || match.Sub(0).Last == last;
}

void FormatCurrentMatch(const GrepEngine::MatchResults* grepMatch,
                        const GrepEngine::MatchResults* match, const std::string& format,
                        const std::locale& locale, std::string& out) {
  out.clear();
  if (format.empty()) return;
  const GrepEngine::MatchResults* current = grepMatch != nullptr ? grepMatch : match;
  if (current == nullptr) return;
  GrepEngine::FormatMatch(*current, format, out, locale);
}

void PlainMerge(const GrepEngine::Pattern& pattern, const std::string& text,
                const std::string& format, bool copy, unsigned matchFlags, std::string& out,
                std::string& abandonReason) {
  // No handler runs, so nothing can change the text meanwhile: the engine reads it in place.
  // A copying merge's output is about the text's size; room for it at once spares the
  // doublings of a growing string.
  out.clear();
  if (copy) out.reserve(text.size());
  unsigned abandonCode = 0;
  if (!GrepEngine::MergeInto(pattern, text.data(), text.data() + text.size(), format, copy,
                             matchFlags, out, &abandonCode))
    abandonReason = AbandonReason(abandonCode, pattern);
}

}  // namespace Common
