#include "LineMatcher.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchViewInfo;

std::size_t LineEnd(std::string_view content, std::size_t from) {
  const void* newline = from < content.size()
                            ? std::memchr(content.data() + from, '\n', content.size() - from)
                            : nullptr;
  return newline == nullptr
             ? content.size()
             : static_cast<std::size_t>(static_cast<const char*>(newline) - content.data());
}

}  // namespace

// Follows the matches of a grep over a text (the whole-text grep's, or the file search's in
// one file) through that text.
class LineMatcher::TextRun {
 public:
  TextRun(LineMatcher& owner, std::string_view content, std::uint64_t firstNumber, bool wantSpans,
          const MatchingLineSink& sink)
      : Owner(owner),
        Content(content),
        WantSpans(wantSpans),
        Test(owner.Patterns.CandidatesNeedTest()),
        Sink(sink),
        FirstNumber(firstNumber) {}

  void OnMatch(RegularExpression*, const REMatchViewInfo& info, unsigned int line,
               std::uint64_t startOfLine, bool& bcontinue) {
    if (info.empty() || info[0].Position < 0) return;
    Found(static_cast<std::size_t>(info[0].Position), info[0].MatchString.size(),
          static_cast<std::size_t>(startOfLine), line, bcontinue);
  }

  // A match of `length` bytes at `start`, on the line starting at `startOfLine` (NoLine: to be
  // found) whose index in the text is `line` (from 1), as the search counted it. Clears
  // `bcontinue` when nothing more is wanted from this text.
  void Found(std::size_t start, std::size_t length, std::size_t startOfLine, unsigned int line,
             bool& bcontinue) {
    const std::uint64_t number = FirstNumber - 1 + line;
    if (Stopped) {
      bcontinue = false;
      return;
    }
    const std::size_t end = start + length;
    // An empty match after the last newline is on no line.
    if (start == Content.size() && (Content.empty() || Content.back() == '\n')) return;
    if (start < Settled) {
      // Begun on a line already settled: only lines it runs into beyond those are left.
      if (end > Settled && Settled < Content.size()) {
        const auto newlines =
            std::count(Content.begin() + static_cast<std::ptrdiff_t>(start),
                       Content.begin() + static_cast<std::ptrdiff_t>(Settled), '\n');
        TestTouched(Settled, end, number + static_cast<std::uint64_t>(newlines));
        if (Stopped) bcontinue = false;
      }
      return;
    }
    if (end > Content.size() || (startOfLine != NoLine && startOfLine > start)) {
      // Not a match of this text (a file that changed after it was read): nothing more of
      // it can be trusted.
      Stopped = true;
      bcontinue = false;
      return;
    }
    if (PendingStart != NoLine && start > PendingEnd) Flush();
    if (Stopped) {
      bcontinue = false;
      return;
    }
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
      TestTouched(lineStart, end, number);
      if (Stopped) bcontinue = false;
      return;
    }
    if (PendingStart == NoLine) {
      PendingStart = lineStart;
      PendingEnd = lineEnd;
      PendingNumber = number;
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

  static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

 private:
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
    const bool holds =
        Owner.Tester.Test(Content.substr(start, end - start), WantSpans ? &spans : nullptr);
    if (!Owner.Tester.AbandonReason().empty()) Stopped = true;  // the rest cannot be trusted
    if (!holds || Stopped) return;
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
  std::uint64_t FirstNumber;
};

// Follows the file search's matches from file to file.
class LineMatcher::FilesRun {
 public:
  FilesRun(LineMatcher& owner, bool wantSpans, const FileEntry& enter, const MatchingLineSink& sink)
      : Owner(owner), WantSpans(wantSpans), Enter(enter), Sink(sink) {}

  void OnMatch(RegularExpression*, std::string_view file, const REMatchViewInfo& info,
               unsigned int line, bool& bcontinue) {
    if (file != Name) {
      Finish();
      Name.assign(file.data(), file.size());
      const std::string_view* text = Enter(Name);
      if (text != nullptr) Current = std::make_unique<TextRun>(Owner, *text, 1, WantSpans, Sink);
    }
    if (!Current || info.empty() || info[0].Position < 0) return;
    bool more = true;
    Current->Found(static_cast<std::size_t>(info[0].Position), info[0].MatchString.size(),
                   TextRun::NoLine, line, more);
    if (!more) Finish();  // this file is done; the search goes on with the next
    (void)bcontinue;
  }

  void Finish() {
    if (Current) Current->Finish();
    Current.reset();
  }

 private:
  LineMatcher& Owner;
  bool WantSpans;
  const FileEntry& Enter;
  const MatchingLineSink& Sink;
  std::string Name;
  std::unique_ptr<TextRun> Current;
};

LineMatcher::LineMatcher(const LinePatterns& patterns) : Patterns(patterns), Tester(patterns) {
  if (patterns.FileSearchUsable()) patterns.ConfigureFileSearch(FileSearch);
  if (!patterns.WholeTextUsable()) return;
  patterns.ConfigureWholeText(WholeText);
  WholeText.ParseExpression();
}

void LineMatcher::ScanFiles(const std::string& mask, bool wantSpans, const FileEntry& enter,
                            const MatchingLineSink& sink) {
  Abandon.clear();
  Tester.ClearAbandon();
  FilesRun run(*this, wantSpans, enter, sink);
  FileSearch.SetFilesToMatch(mask);
  FileSearch.SetOnGreppingFilesViewClosure(
      RegularExpression::FileMatchViewEventClosure(&run, &FilesRun::OnMatch));
  FileSearch.GrepFiles();
  FileSearch.SetOnGreppingFilesViewClosure(RegularExpression::FileMatchViewEventClosure());
  run.Finish();
  Abandon = FileSearch.GetAbandonReason();
  if (Abandon.empty()) Abandon = Tester.AbandonReason();
}

void LineMatcher::Scan(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
                       const MatchingLineSink& sink) {
  Abandon.clear();
  Tester.ClearAbandon();
  if (!Patterns.WholeTextUsable()) {
    ScanLines(text, firstNumber, wantSpans, sink);
    Abandon = Tester.AbandonReason();
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
  Abandon = WholeText.GetAbandonReason();
  if (Abandon.empty()) Abandon = Tester.AbandonReason();
}

void LineMatcher::ScanLines(std::string_view text, std::uint64_t firstNumber, bool wantSpans,
                            const MatchingLineSink& sink) {
  std::uint64_t number = firstNumber;
  for (std::size_t start = 0; start < text.size(); ++number) {
    const std::size_t end = LineEnd(text, start);
    const bool holds = Tester.Test(text.substr(start, end - start), wantSpans ? &Spans : nullptr);
    if (!Tester.AbandonReason().empty()) return;
    if (holds) {
      if (!wantSpans) Spans.clear();
      if (!sink(number, start, end, Spans)) return;
    }
    start = end + 1;
  }
}

}  // namespace RegexTool
