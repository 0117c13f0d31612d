#include "LineMatcher.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "Glob.h"

namespace RegexTool {
namespace {

using RegexClass::REMatchInfo;
using RegexClass::RegularExpression;

// The file search takes a mask: a path holding a mask's wildcards cannot name one file.
bool NamesOneFile(const std::string& path) { return path.find_first_of("*?") == std::string::npos; }

std::size_t LineEnd(std::string_view content, std::size_t from) {
  const void* newline = from < content.size()
                            ? std::memchr(content.data() + from, '\n', content.size() - from)
                            : nullptr;
  return newline == nullptr ? content.size()
                            : static_cast<std::size_t>(static_cast<const char*>(newline) - content.data());
}

}  // namespace

// Follows the file search's matches through the content.
class LineMatcher::FileRun {
 public:
  FileRun(LineMatcher& owner, std::string_view content, bool wantSpans, const MatchingLineSink& sink)
      : Owner(owner), Content(content), WantSpans(wantSpans),
        Test(owner.Patterns.CandidatesNeedTest()), Sink(sink) {}

  void OnMatch(RegularExpression*, std::string, const REMatchInfo& info, unsigned int line,
               bool& bcontinue) {
    if (Stopped || info.empty() || info[0].Position < 0) return;
    const auto start = static_cast<std::size_t>(info[0].Position);
    const std::size_t end = start + info[0].MatchString.size();
    // An empty match after the last newline is on no line.
    if (start == Content.size() && (Content.empty() || Content.back() == '\n')) return;
    if (start < Settled) {
      // Begun on a line already settled: only lines it runs into beyond those are left.
      if (end > Settled && Settled < Content.size()) {
        const auto newlines = std::count(Content.begin() + static_cast<std::ptrdiff_t>(start),
                                         Content.begin() + static_cast<std::ptrdiff_t>(Settled), '\n');
        TestTouched(Settled, end, line + static_cast<std::uint64_t>(newlines));
        if (Stopped) bcontinue = false;
      }
      return;
    }
    if (end > Content.size()) {
      // The file grew or changed after it was read: what was read is what is reported.
      bcontinue = false;
      return;
    }
    if (PendingStart != NoLine && start > PendingEnd) Flush();
    if (Stopped) {
      bcontinue = false;
      return;
    }
    std::size_t lineStart = PendingStart;
    if (lineStart == NoLine) {
      lineStart = start;
      while (lineStart > Settled && Content[lineStart - 1] != '\n') --lineStart;
    }
    const std::size_t lineEnd = PendingStart != NoLine ? PendingEnd : LineEnd(Content, start);
    if (end > lineEnd) {
      // Over a newline: each line it touches is tested as its own text, this one included.
      PendingStart = NoLine;
      TestTouched(lineStart, end, line);
      if (Stopped) bcontinue = false;
      return;
    }
    if (PendingStart == NoLine) {
      PendingStart = lineStart;
      PendingEnd = lineEnd;
      PendingNumber = line;
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
};

LineMatcher::LineMatcher(const LinePatterns& patterns) : Patterns(patterns), Tester(patterns) {
  if (patterns.FileSearchUsable()) patterns.ConfigureFileSearch(FileSearch);
}

void LineMatcher::Scan(const std::string& path, std::string_view content, bool wantSpans,
                       const MatchingLineSink& sink) {
  if (!Patterns.FileSearchUsable() || !NamesOneFile(path)) {
    ScanText(content, 1, wantSpans, sink);
    return;
  }
  FileRun run(*this, content, wantSpans, sink);
  FileSearch.SetFilesToMatch(path);
  FileSearch.SetOnGreppingFilesClosure(
      RegularExpression::FileMatchEventClosure(&run, &FileRun::OnMatch));
  FileSearch.GrepFiles();
  run.Finish();
}

void LineMatcher::ScanText(std::string_view content, std::uint64_t firstNumber, bool wantSpans,
                           const MatchingLineSink& sink) {
  std::uint64_t number = firstNumber;
  for (std::size_t start = 0; start < content.size(); ++number) {
    const std::size_t end = LineEnd(content, start);
    if (Tester.Test(content.substr(start, end - start), wantSpans ? &Spans : nullptr)) {
      if (!wantSpans) Spans.clear();
      if (!sink(number, start, end, Spans)) return;
    }
    start = end + 1;
  }
}

}  // namespace RegexTool
