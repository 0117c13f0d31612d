#include "LineTester.h"

#include <algorithm>
#include <cctype>

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchInfo;

bool WordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

}  // namespace

// One compiled pattern and what its last operation found.
struct LineTester::Pattern {
  RegularExpression Re;
  bool Empty = false;
  std::vector<Span> Found;

  void OnMatch(RegularExpression*, const REMatchInfo& info, unsigned int, std::uint64_t) {
    Take(info);
  }
  void OnGrep(RegularExpression*, const REMatchInfo& info, unsigned int, std::uint64_t, bool&) {
    Take(info);
  }
  void Take(const REMatchInfo& info) {
    if (info.empty() || info[0].Position < 0) return;
    const auto start = static_cast<std::size_t>(info[0].Position);
    Found.push_back(Span{start, start + info[0].MatchString.size()});
  }

  // The text starts `offset` bytes into a line: its start is then no line, buffer or word
  // start for anchors, and the spans found are moved back into the line's offsets.
  void SetText(std::string_view line, std::size_t offset, std::size_t end) {
    Re.SetStringToMatch(std::string(line.substr(offset, end - offset)));
    SetFlag(RegularExpression::MatchNotBeginningOfLine, offset != 0);
    SetFlag(RegularExpression::MatchNotBeginningOfBuffer, offset != 0);
    SetFlag(RegularExpression::MatchNotBeginningOfWord,
            offset != 0 && WordCharacter(line[offset - 1]));
    SetFlag(RegularExpression::MatchNotEndOfLine, end != line.size());
    SetFlag(RegularExpression::MatchNotEndOfBuffer, end != line.size());
    SetFlag(RegularExpression::MatchNotEndOfWord, end != line.size() && WordCharacter(line[end]));
    Found.clear();
  }
  void SetFlag(RegularExpression::Matches flag, bool on) {
    if (on)
      Re.AddMatchOption(flag);
    else if (Re.IsMatchOption(flag))
      Re.DeleteMatchOption(flag);
  }
};

LineTester::LineTester(const LinePatterns& patterns) : Patterns(patterns) {
  for (const std::string& text : patterns.Each()) {
    auto pattern = std::make_unique<Pattern>();
    pattern->Empty = text.empty();
    patterns.ConfigureString(pattern->Re, text);
    pattern->Re.ParseExpression();
    pattern->Re.SetOnMatchingClosure(
        RegularExpression::MatchEventClosure(pattern.get(), &Pattern::OnMatch));
    pattern->Re.SetOnSearchingClosure(
        RegularExpression::MatchEventClosure(pattern.get(), &Pattern::OnMatch));
    pattern->Re.SetOnGreppingClosure(
        RegularExpression::ContinueMatchEventClosure(pattern.get(), &Pattern::OnGrep));
    Compiled.push_back(std::move(pattern));
  }
}

LineTester::~LineTester() = default;

bool LineTester::Test(std::string_view line, std::vector<Span>* spans) {
  if (spans != nullptr) spans->clear();
  Gathered.clear();
  bool matched = false;
  for (const auto& pattern : Compiled) {
    if (TestOne(*pattern, line, spans != nullptr ? &Gathered : nullptr)) {
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

bool LineTester::TestOne(Pattern& pattern, std::string_view line, std::vector<Span>* spans) {
  const LineSearchSettings& settings = Patterns.Settings();
  if (pattern.Empty) {
    // The empty pattern matches emptily: every line, as a whole only when it is empty.
    if (settings.LineRegexp) return line.empty();
    if (settings.WordRegexp) return line.empty() || !WordCharacter(line[0]);
    return true;
  }
  if (settings.LineRegexp) {
    pattern.SetText(line, 0, line.size());
    if (!Noted(pattern, pattern.Re.MatchAll())) return false;
    if (spans != nullptr) spans->push_back(Span{0, line.size()});
    return true;
  }
  if (settings.WordRegexp) {
    bool any = false;
    Span found;
    for (std::size_t from = 0; from <= line.size() && WordAt(pattern, line, from, found);) {
      any = true;
      if (spans == nullptr) return true;
      spans->push_back(found);
      from = found.End > found.Start ? found.End : found.End + 1;
    }
    return any;
  }
  pattern.SetText(line, 0, line.size());
  if (spans == nullptr) return Noted(pattern, pattern.Re.Search());
  Noted(pattern, pattern.Re.Grep() != 0);
  spans->insert(spans->end(), pattern.Found.begin(), pattern.Found.end());
  return !pattern.Found.empty();
}

// The first match at or after `from` that stands as a whole word: a match whose ends touch
// word characters is tried shorter from the same start, then from the next start.
bool LineTester::WordAt(Pattern& pattern, std::string_view line, std::size_t from, Span& found) {
  for (std::size_t start = from; start <= line.size(); ++start) {
    pattern.SetText(line, start, line.size());
    if (!Noted(pattern, pattern.Re.Search()) || pattern.Found.empty()) return false;
    const Span first{start + pattern.Found[0].Start, start + pattern.Found[0].End};
    start = first.Start;
    if (start != 0 && WordCharacter(line[start - 1])) continue;
    for (std::size_t end = first.End; end > start; --end) {
      if (end != line.size() && WordCharacter(line[end])) continue;
      if (end != first.End) {
        pattern.SetText(line, start, end);
        if (!Noted(pattern, pattern.Re.MatchAll())) continue;
      }
      found = Span{start, end};
      return true;
    }
  }
  return false;
}

bool LineTester::Noted(Pattern& pattern, bool result) {
  if (Abandon.empty() && pattern.Re.LastOperationAbandoned())
    Abandon = pattern.Re.GetAbandonReason();
  return result;
}

}  // namespace RegexTool
