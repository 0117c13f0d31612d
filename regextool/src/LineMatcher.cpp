#include "LineMatcher.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace RegexTool {
namespace {

using RegexClass::REMatchViewInfo;
using RegexClass::RegularExpression;

std::size_t LineEnd(std::string_view content, std::size_t from) {
  const void* newline = from < content.size()
                            ? std::memchr(content.data() + from, '\n', content.size() - from)
                            : nullptr;
  return newline == nullptr ? content.size()
                            : static_cast<std::size_t>(static_cast<const char*>(newline) - content.data());
}

}  // namespace

// Follows the whole-text grep's matches through the text.
class LineMatcher::TextRun {
 public:
  TextRun(LineMatcher& owner, std::string_view content, std::uint64_t firstNumber, bool wantSpans,
          const MatchingLineSink& sink)
      : Owner(owner), Content(content), WantSpans(wantSpans), Test(owner.Patterns.CandidatesNeedTest()),
        Sink(sink), CountedNumber(firstNumber) {}

  void OnMatch(RegularExpression*, const REMatchViewInfo& info, unsigned int,
               std::uint64_t startOfLine, bool& bcontinue) {
    if (Stopped || info.empty() || info[0].Position < 0) return;
    const auto start = static_cast<std::size_t>(info[0].Position);
    const std::size_t end = start + info[0].MatchString.size();
    // An empty match after the last newline is on no line.
    if (start == Content.size() && (Content.empty() || Content.back() == '\n')) return;
    if (start < Settled) {
      // Begun on a line already settled: only lines it runs into beyond those are left.
      if (end > Settled && Settled < Content.size()) {
        TestTouched(Settled, end, NumberAt(Settled));
        if (Stopped) bcontinue = false;
      }
      return;
    }
    if (end > Content.size() || startOfLine > start) {
      bcontinue = false;  // not a match of this text: nothing more can be trusted
      return;
    }
    if (PendingStart != NoLine && start > PendingEnd) Flush();
    if (Stopped) {
      bcontinue = false;
      return;
    }
    const std::size_t lineStart = PendingStart != NoLine ? PendingStart : static_cast<std::size_t>(startOfLine);
    const std::size_t lineEnd = PendingStart != NoLine ? PendingEnd : LineEnd(Content, start);
    if (end > lineEnd) {
      // Over a newline: each line it touches is tested as its own text, this one included.
      PendingStart = NoLine;
      TestTouched(lineStart, end, NumberAt(lineStart));
      if (Stopped) bcontinue = false;
      return;
    }
    if (PendingStart == NoLine) {
      PendingStart = lineStart;
      PendingEnd = lineEnd;
      PendingNumber = NumberAt(lineStart);
      Pending.clear();
    }
    if (!WantSpans || Test) {
      Flush();  // nothing more to learn from this line
      Settled = lineEnd + 1;
      if (Stopped) bcontinue = false;
      return;
    }
    if (end > start) Pending.push_back(Span{start - lineStart, end - lineStart});
  }

  void Finish() { Flush(); }

 private:
  static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

  // The number of the line starting at `lineStart`, counted on from the last line asked for
  // (asked for in order, so the text is counted once).
  std::uint64_t NumberAt(std::size_t lineStart) {
    CountedNumber += static_cast<std::uint64_t>(
        std::count(Content.begin() + static_cast<std::ptrdiff_t>(CountedStart),
                   Content.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n'));
    CountedStart = lineStart;
    return CountedNumber;
  }

  void Flush() {
    if (PendingStart == NoLine) return;
    const std::size_t start = PendingStart, end = PendingEnd;
    PendingStart = NoLine;
    Settled = end + 1;
    if (Stopped) return;
    if (Test) {
      TestLine(PendingNumber, start, end);
    } else if (!Sink(PendingNumber, start, end, Pending)) {
      Stopped = true;
    }
  }

  // Each line from the one starting at `from` to the one holding the byte before `end`.
  void TestTouched(std::size_t from, std::size_t end, std::uint64_t number) {
    while (from < end && from < Content.size() && !Stopped) {
      const std::size_t to = LineEnd(Content, from);
      TestLine(number++, from, to);
      Settled = to + 1;
      from = to + 1;
    }
  }

  void TestLine(std::uint64_t number, std::size_t start, std::size_t end) {
    std::vector<Span>& spans = Owner.Spans;
    if (!Owner.Tester.Test(Content.substr(start, end - start), WantSpans ? &spans : nullptr)) return;
    if (!WantSpans) spans.clear();
    if (!Sink(number, start, end, spans)) Stopped = true;
  }

  LineMatcher& Owner;
  std::string_view Content;
  bool WantSpans;
  bool Test;
  const MatchingLineSink& Sink;
  std::size_t Settled = 0;  // everything before this offset is reported or settled
  std::size_t PendingStart = NoLine, PendingEnd = 0;
  std::uint64_t PendingNumber = 0;
  std::vector<Span> Pending;
  bool Stopped = false;
  std::uint64_t CountedNumber;
  std::size_t CountedStart = 0;
};

LineMatcher::LineMatcher(const LinePatterns& patterns) : Patterns(patterns), Tester(patterns) {
  if (!patterns.WholeTextUsable()) return;
  patterns.ConfigureWholeText(WholeText);
  WholeText.ParseExpression();
}

void LineMatcher::Scan(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
                       const MatchingLineSink& sink) {
  if (!Patterns.WholeTextUsable()) {
    ScanLines(text, firstNumber, wantSpans, sink);
    return;
  }
  TextRun run(*this, text, firstNumber, wantSpans, sink);
  WholeText.SetStringToMatch(std::string(text));
  WholeText.SetOnGreppingViewClosure(
      RegularExpression::ContinueMatchViewEventClosure(&run, &TextRun::OnMatch));
  WholeText.Grep();
  WholeText.SetOnGreppingViewClosure(RegularExpression::ContinueMatchViewEventClosure());
  WholeText.SetStringToMatch(std::string());  // the text is not kept past its search
  run.Finish();
}

void LineMatcher::ScanLines(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
                            const MatchingLineSink& sink) {
  std::uint64_t number = firstNumber;
  for (std::size_t start = 0; start < text.size(); ++number) {
    const std::size_t end = LineEnd(text, start);
    if (Tester.Test(text.substr(start, end - start), wantSpans ? &Spans : nullptr)) {
      if (!wantSpans) Spans.clear();
      if (!sink(number, start, end, Spans)) return;
    }
    start = end + 1;
  }
}

}  // namespace RegexTool
