#include "LineTester.h"

#include <algorithm>
#include <cctype>

#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace grepcore {
namespace {

bool WordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

}  // namespace

// Whether a word character touches a match of `pattern` in `line` from before `at` or from `at`.
bool WordBefore(const GrepEngine::Pattern& pattern, std::string_view line, std::size_t at) {
  return at != 0 && GrepEngine::WordCharacterBefore(pattern, line.data(), line.data() + at);
}
bool WordAfter(const GrepEngine::Pattern& pattern, std::string_view line, std::size_t at) {
  return at != line.size() &&
         GrepEngine::WordCharacterAt(pattern, line.data() + at, line.data() + line.size());
}

unsigned LineTester::WordFor(const GrepEngine::Pattern& pattern, std::string_view line,
                             std::size_t offset, std::size_t end) const {
  namespace Bits = GrepEngine::MatchBits;
  unsigned word = Patterns.MatchWord;
  if (offset != 0) word |= Bits::NotBeginningOfLine | Bits::NotBeginningOfBuffer;
  if (WordBefore(pattern, line, offset)) word |= Bits::NotBeginningOfWord;
  if (end != line.size()) word |= Bits::NotEndOfLine | Bits::NotEndOfBuffer;
  if (WordAfter(pattern, line, end)) word |= Bits::NotEndOfWord;
  return word;
}

bool LineTester::Test(std::string_view line, std::vector<Span>* spans) {
  if (spans != nullptr) spans->clear();
  Gathered.clear();
  bool matched = false;
  for (const auto& pattern : Patterns.Each) {
    if (TestOne(pattern.get(), line, spans != nullptr ? &Gathered : nullptr)) {
      matched = true;
      if (spans == nullptr) return true;
    }
  }
  if (spans == nullptr || Gathered.empty()) return matched;
  std::sort(Gathered.begin(), Gathered.end(), [](const Span& a, const Span& b) {
    return a.Start != b.Start ? a.Start < b.Start : a.End > b.End;
  });
  for (const Span& span : Gathered) {
    if (span.End == span.Start) continue;
    if (!spans->empty() && span.Start < spans->back().End) continue;
    spans->push_back(span);
  }
  return matched;
}

bool LineTester::TestOne(const GrepEngine::Pattern* pattern, std::string_view line,
                         std::vector<Span>* spans) {
  const LinePatternOptions& options = Patterns.Options;
  if (pattern == nullptr) {
    // The empty pattern matches emptily: every line, as a whole only when it is empty.
    if (options.WholeLine) return line.empty();
    if (options.WholeWord) return line.empty() || !WordCharacter(line[0]);
    return true;
  }
  const char* first = line.data();
  const char* last = first + line.size();
  if (options.WholeLine) {
    if (!Noted(GrepEngine::MatchAt(*pattern, first, last, WordFor(*pattern, line, 0, line.size()),
                                   Results)) ||
        Results.Sub(0).Length() != line.size())
      return false;
    if (spans != nullptr) spans->push_back(Span{0, line.size()});
    return true;
  }
  if (options.WholeWord) {
    bool any = false;
    Span found;
    for (std::size_t from = 0; from <= line.size() && WordAt(*pattern, line, from, found);) {
      any = true;
      if (spans == nullptr) return true;
      spans->push_back(found);
      from = found.End > found.Start ? found.End : found.End + 1;
    }
    return any;
  }
  const unsigned word = WordFor(*pattern, line, 0, line.size());
  if (spans == nullptr) return Noted(GrepEngine::SearchIn(*pattern, first, last, word, Results));
  const std::size_t before = spans->size();
  const GrepEngine::GrepOutcome outcome =
      GrepEngine::GrepIn(*pattern, first, last, word, [&](const GrepEngine::MatchResults& match) {
        const GrepEngine::SubMatch whole = match.Sub(0);
        const auto start = static_cast<std::size_t>(whole.First - first);
        spans->push_back(Span{start, start + whole.Length()});
        return true;
      });
  if (outcome.Abandoned && Abandon == 0) Abandon = outcome.AbandonCode;
  return spans->size() != before;
}

// The first match at or after `from` that stands as a whole word: a match whose ends touch
// word characters is tried shorter from the same start, then from the next start.
bool LineTester::WordAt(const GrepEngine::Pattern& pattern, std::string_view line, std::size_t from,
                        Span& found) {
  const auto splits = [&](std::size_t at) {
    return GrepEngine::SplitsCharacter(pattern, line.data(), line.data() + at,
                                       line.data() + line.size());
  };
  for (std::size_t start = from; start <= line.size(); ++start) {
    if (splits(start)) continue;
    if (!Noted(GrepEngine::SearchIn(pattern, line.data() + start, line.data() + line.size(),
                                    WordFor(pattern, line, start, line.size()), Results)))
      return false;
    const GrepEngine::SubMatch whole = Results.Sub(0);
    const Span first{static_cast<std::size_t>(whole.First - line.data()),
                     static_cast<std::size_t>(whole.Last - line.data())};
    start = first.Start;
    if (splits(start) || WordBefore(pattern, line, start)) continue;
    // An empty match stands alone where no word character touches it, as grep takes it; a
    // longer one is not shortened to nothing.
    if (first.End == start && !WordAfter(pattern, line, start)) {
      found = first;
      return true;
    }
    for (std::size_t end = first.End; end > start; --end) {
      if (splits(end) || WordAfter(pattern, line, end)) continue;
      if (end != first.End) {
        if (!Noted(GrepEngine::MatchAt(pattern, line.data() + start, line.data() + end,
                                       WordFor(pattern, line, start, end), Results)) ||
            Results.Sub(0).Length() != end - start)
          continue;
      }
      found = Span{start, end};
      return true;
    }
  }
  return false;
}

bool LineTester::Noted(bool result) {
  if (Abandon == 0 && Results.Abandoned()) Abandon = Results.AbandonCode();
  return result;
}

}  // namespace grepcore
