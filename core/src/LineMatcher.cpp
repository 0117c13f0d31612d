#include "LineMatcher.h"

#include <algorithm>
#include <cstring>

#include "engine/LineCounter.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace grepcore {
namespace {

std::size_t LineEnd(std::string_view content, std::size_t from) {
  const void* newline = from < content.size()
                            ? std::memchr(content.data() + from, '\n', content.size() - from)
                            : nullptr;
  return newline == nullptr
             ? content.size()
             : static_cast<std::size_t>(static_cast<const char*>(newline) - content.data());
}

}  // namespace

// Follows the matches of the joined grep through the text.
class LineMatcher::TextRun {
 public:
  TextRun(LineMatcher& owner, std::string_view content, bool wantSpans, Sink& sink)
      : Owner(owner),
        Content(content),
        WantSpans(wantSpans),
        Test(owner.Patterns.CandidatesNeedTest()),
        Out(sink) {}

  // A match of `length` bytes at `start`, on the line starting at `startOfLine` whose index
  // in the text is `index`. False when nothing more is wanted from this text.
  bool Found(std::size_t start, std::size_t length, std::size_t startOfLine, std::uint64_t index) {
    if (Stopped) return false;
    const std::size_t end = start + length;
    // An empty match after the last newline is on no line.
    if (start == Content.size() && (Content.empty() || Content.back() == '\n')) return true;
    if (start < Settled) {
      // Begun on a line already settled: only lines it runs into beyond those are left.
      if (end > Settled && Settled < Content.size()) {
        const auto newlines =
            std::count(Content.begin() + static_cast<std::ptrdiff_t>(start),
                       Content.begin() + static_cast<std::ptrdiff_t>(Settled), '\n');
        TestTouched(Settled, end, index + static_cast<std::uint64_t>(newlines));
      }
      return !Stopped;
    }
    if (PendingStart != NoLine && start > PendingEnd) Flush();
    if (Stopped) return false;
    std::size_t lineStart = PendingStart != NoLine ? PendingStart : startOfLine;
    if (lineStart == NoLine) {
      const void* newline =
          start > Settled ? ::memrchr(Content.data() + Settled, '\n', start - Settled) : nullptr;
      lineStart =
          newline == nullptr
              ? Settled
              : static_cast<std::size_t>(static_cast<const char*>(newline) - Content.data()) + 1;
    }
    const std::size_t lineEnd = PendingStart != NoLine ? PendingEnd : LineEnd(Content, start);
    if (end > lineEnd) {
      // Over a newline: each line it touches is tested as its own text, this one included.
      PendingStart = NoLine;
      TestTouched(lineStart, end, index);
      return !Stopped;
    }
    if (PendingStart == NoLine) {
      PendingStart = lineStart;
      PendingEnd = lineEnd;
      PendingIndex = index;
      Pending.clear();
    }
    if (!WantSpans || Test) {
      Flush();  // nothing more to learn from this line
      Settled = lineEnd + 1;
      return !Stopped;
    }
    if (end > start) Pending.push_back(Span{start - lineStart, end - lineStart});
    return true;
  }

  void Finish() { Flush(); }
  // Everything before this offset is reported or settled.
  std::size_t SettledTo() const { return Settled; }

  static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

 private:
  void Flush() {
    if (PendingStart == NoLine) return;
    const std::size_t start = PendingStart, end = PendingEnd;
    PendingStart = NoLine;
    Settled = end + 1;
    if (Stopped) return;
    if (Test) {
      TestLine(PendingIndex, start, end);
    } else if (!Out.Line(PendingIndex, start, end, Pending)) {
      Stopped = true;
    }
  }

  // Each line from the one starting at `from` to the one holding the byte before `end`.
  void TestTouched(std::size_t from, std::size_t end, std::uint64_t index) {
    while (from < end && from < Content.size() && !Stopped) {
      const std::size_t to = LineEnd(Content, from);
      TestLine(index++, from, to);
      Settled = to + 1;
      from = to + 1;
    }
  }

  void TestLine(std::uint64_t index, std::size_t start, std::size_t end) {
    std::vector<Span>& spans = Owner.Spans;
    const bool holds =
        Owner.Tester.Test(Content.substr(start, end - start), WantSpans ? &spans : nullptr);
    if (Owner.Tester.AbandonCode() != 0) Stopped = true;  // the rest cannot be trusted
    if (!holds || Stopped) return;
    if (!WantSpans) spans.clear();
    if (!Out.Line(index, start, end, spans)) Stopped = true;
  }

  LineMatcher& Owner;
  std::string_view Content;
  bool WantSpans;
  bool Test;
  Sink& Out;
  std::size_t Settled = 0;  // everything before this offset is reported or settled
  std::size_t PendingStart = NoLine, PendingEnd = 0;
  std::uint64_t PendingIndex = 0;
  std::vector<Span> Pending;

 public:
  bool Stopped = false;
};

// The lines the line DFA selects, each tested on its own where a match must be a whole word
// or the whole line (the DFA's lines are those with any match).
class LineMatcher::SelectedLines final : public GrepEngine::LineSelection::Sink {
 public:
  SelectedLines(LineMatcher& owner, std::string_view text, bool wantSpans, LineMatcher::Sink& sink)
      : Owner(owner), Text(text), WantSpans(wantSpans), Out(sink) {}

  bool Line(std::size_t start, std::size_t end) override {
    const std::uint64_t index = Owner.LineIndexOf(Text.data(), start);
    std::vector<Span>& spans = Owner.Spans;
    if (Owner.Patterns.CandidatesNeedTest()) {
      const bool holds =
          Owner.Tester.Test(Text.substr(start, end - start), WantSpans ? &spans : nullptr);
      if (Owner.Tester.AbandonCode() != 0) return false;
      if (!holds) return true;
    }
    if (!WantSpans) spans.clear();
    return Out.Line(index, start, end, spans);
  }

 private:
  LineMatcher& Owner;
  std::string_view Text;
  bool WantSpans;
  LineMatcher::Sink& Out;
};

// The lines the line DFA selects with their matches, which it finds too.
class LineMatcher::SelectedMatches final : public GrepEngine::LineSelection::MatchSink {
 public:
  SelectedMatches(LineMatcher& owner, std::string_view text, LineMatcher::Sink& sink)
      : Owner(owner), Text(text), Out(sink) {}

  bool Line(std::size_t start, std::size_t end,
            const std::vector<GrepEngine::LineMatch>& matches) override {
    std::vector<Span>& spans = Owner.Spans;
    spans.clear();
    for (const GrepEngine::LineMatch& match : matches)
      spans.push_back(Span{match.Start, match.End});
    return Out.Line(Owner.LineIndexOf(Text.data(), start), start, end, spans);
  }

 private:
  LineMatcher& Owner;
  std::string_view Text;
  LineMatcher::Sink& Out;
};

LineMatcher::LineMatcher(const LinePatterns::Data& patterns)
    : Patterns(patterns), Tester(patterns) {
  if (patterns.Selector) Selection = std::make_unique<GrepEngine::LineSelection>(patterns.Selector);
}

bool LineMatcher::SelectLines(std::string_view text, bool wantSpans, Sink& sink) {
  SelectedLines lines(*this, text, wantSpans, sink);
  Selection->Scan(text.data(), text.data() + text.size(), lines);
  Abandon = Tester.AbandonCode();
  return Abandon == 0;
}

std::uint64_t LineMatcher::LineIndexOf(const char* first, std::size_t offset) {
  CountedLines += GrepEngine::CountNewlines(first + CountedTo, first + offset);
  CountedTo = offset;
  return CountedLines;
}

std::uint64_t LineMatcher::LineFeedsIn(std::string_view text) const {
  const std::size_t counted = std::min(CountedTo, text.size());
  return CountedLines + GrepEngine::CountNewlines(text.data() + counted, text.data() + text.size());
}

bool LineMatcher::Scan(std::string_view text, bool wantSpans, Sink& sink) {
  Abandon = 0;
  CountedTo = 0;
  CountedLines = 0;
  Tester.ClearAbandon();
  if (!Patterns.Joined) {
    const bool done = ScanLines(text, wantSpans, sink);
    Abandon = Tester.AbandonCode();
    return done && Abandon == 0;
  }
  // Where only the line matters, the grep goes on from the next line, not the next match.
  const bool linesOnly = !wantSpans || Patterns.CandidatesNeedTest();
  if (linesOnly && Selection) return SelectLines(text, wantSpans, sink);
  if (Selection && Patterns.Selector->FindsMatches()) {
    SelectedMatches lines(*this, text, sink);
    Selection->ScanMatches(text.data(), text.data() + text.size(), lines);
    return true;  // the DFAs never give up
  }
  TextRun run(*this, text, wantSpans, sink);
  const bool byLine = linesOnly && Patterns.RestartsCheaply;
  const unsigned word = Patterns.MatchWord | GrepEngine::MatchBits::NotDotNewline;
  const char* const first = text.data();
  const char* const last = first + text.size();
  std::size_t from = 0;  // a line start
  GrepEngine::BufferOutcome outcome;
  for (;;) {
    std::size_t resume = from;
    outcome = GrepEngine::SearchBuffer(
        Patterns.Plan, first + from, last, word, [&](const GrepEngine::FoundMatch& match) {
          const GrepEngine::SubMatch whole = match.Sub(0);
          const auto start = static_cast<std::size_t>(whole.First - first);
          if (!run.Found(start, whole.Length(), TextRun::NoLine, LineIndexOf(first, start)))
            return false;
          if (byLine && run.SettledTo() > start) {
            // The rest of the line is settled: a search that can skip goes on from the next
            // line; one that cannot is started again there.
            if (match.SkipTo(first + run.SettledTo())) return true;
            resume = run.SettledTo();
            return false;
          }
          return true;
        });
    if (outcome.Abandoned || run.Stopped || resume == from || resume >= text.size()) break;
    from = resume;
  }
  run.Finish();
  Abandon = outcome.Abandoned ? outcome.AbandonCode : Tester.AbandonCode();
  return Abandon == 0;
}

bool LineMatcher::ScanLines(std::string_view text, bool wantSpans, Sink& sink) {
  std::uint64_t index = 0;
  for (std::size_t start = 0; start < text.size(); ++index) {
    const std::size_t end = LineEnd(text, start);
    const bool holds = Tester.Test(text.substr(start, end - start), wantSpans ? &Spans : nullptr);
    if (Tester.AbandonCode() != 0) return false;
    if (holds) {
      if (!wantSpans) Spans.clear();
      if (!sink.Line(index, start, end, Spans)) return true;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace grepcore
