#include "LineSearch.h"

#include <platform/FileContent.h>
#include <platform/NamedInput.h>
#include <platform/StreamIdentity.h>
#include <platform/ThreadSlot.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ExitStatus.h"
#include "InputBlocks.h"
#include "LineMatcher.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

const char* const StandardInputName = "(standard input)";

struct Entry {
  std::string Path;
  bool StandardInput = false;
  std::string Problem;  // a path the walk could not take: the message only
  bool Walked = false;  // met inside a directory (or named by a mask), not named itself
  bool Stream = false;  // named, and not a regular file: read as it comes, like standard input
};

// Entries searched together: files of one directory, by one run of the toolkit's file search
// over `Mask`; or one entry alone (no mask).
struct Batch {
  std::size_t First = 0;
  std::size_t Count = 1;
  std::string Mask;
};

std::string_view BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view DirectoryPart(std::string_view path) {
  return path.substr(0, path.size() - BaseName(path).size());
}

struct Outcome {
  std::string Out;
  std::string Err;
  bool Selected = false;
  bool Trouble = false;
};

std::string Message(const std::string& path, const std::string& what) {
  return "regextool: " + ShownName(path) + ": " + what + "\n";
}

// A text the engine gave up on: what it found is not all there is, so only its word is told.
Outcome AbandonedOutcome(const std::string& path, const std::string& reason) {
  Outcome outcome;
  outcome.Err = Message(path, reason);
  outcome.Trouble = true;
  return outcome;
}

const char* const InputIsOutput = "input file is also the output";

// Feeds a report from a matcher: the matching lines, and the lines between them where the
// report needs every line.
class ReportFeed {
 public:
  ReportFeed(LineReport& report, const LineOutput& options, std::string_view content,
             std::uint64_t first)
      : Report(report), Every(options.NeedsEveryLine()), Content(content), NextNumber(first) {}
  ReportFeed(const ReportFeed&) = delete;
  ReportFeed& operator=(const ReportFeed&) = delete;

  bool OnMatching(std::uint64_t number, std::size_t start, std::size_t end,
                  const std::vector<Span>& spans) {
    if (Every && !Between(start)) return false;
    if (!Report.Line(number, Content.substr(start, end - start), true, spans)) Stopped = true;
    Cursor = end + 1;
    NextNumber = number + 1;
    return !Stopped;
  }

  void Finish() {
    if (Every && !Stopped) Between(Content.size());
  }

 private:
  // The lines from the cursor up to `limit`, none of them matching.
  bool Between(std::size_t limit) {
    while (Cursor < limit && Cursor < Content.size()) {
      std::size_t end = Content.find('\n', Cursor);
      if (end == std::string_view::npos) end = Content.size();
      if (!Report.Line(NextNumber++, Content.substr(Cursor, end - Cursor), false, NoSpans)) {
        Stopped = true;
        return false;
      }
      Cursor = end + 1;
    }
    return true;
  }

  LineReport& Report;
  bool Every;
  std::string_view Content;
  std::uint64_t NextNumber;
  std::size_t Cursor = 0;
  const std::vector<Span> NoSpans;

 public:
  bool Stopped = false;
};

// One thread's tools: its own pattern objects and read buffer.
class FileSearcher {
 public:
  FileSearcher(const LineSearchCommand& command, const LinePatterns& patterns, bool fileNames)
      : Command(command), Options(command.Output), Matcher(patterns) {
    Options.FileNames = fileNames;
  }

  // One file; `holdsMatch` false when a search of it found nothing already.
  Outcome Search(const std::string& path, bool holdsMatch = true) {
    Outcome outcome;
    if (!holdsMatch && !Options.NeedsEveryLine()) {
      // No line to print: a file that cannot be read is worth a word, and a count or a name
      // needs to know only that the file is text.
      if (IsTheOutput(path, outcome)) return outcome;
      Platform::FileContent file;
      if (!file.Open(path.c_str())) {
        Fail(path, outcome);
        return outcome;
      }
      if (!Options.Count && !Options.FilesWithoutMatch) return outcome;
      Buffer.resize(std::max<std::size_t>(Buffer.size(), 8 * 1024));
      std::size_t got = 0;
      if (!file.Read(Buffer.data(), 8 * 1024, got)) {
        Fail(path, outcome);
        return outcome;
      }
      if (!Command.Text && FirstBlockHoldsNul(std::string_view(Buffer.data(), got))) return outcome;
      LineReport report(Options, path, outcome.Out);
      report.Finish();
      outcome.Selected = Options.FilesWithoutMatch;
      return outcome;
    }
    std::string_view content;
    if (!Read(path, outcome, content)) return outcome;
    LineReport report(Options, path, outcome.Out);
    ReportFeed feed(report, Options, content, 1);
    if (holdsMatch)
      Matcher.Scan(content, 1, Options.NeedsSpans(),
                   [&](std::uint64_t number, std::size_t start, std::size_t end,
                       const std::vector<Span>& spans) {
                     return feed.OnMatching(number, start, end, spans);
                   });
    if (holdsMatch && !Matcher.AbandonReason().empty())
      return AbandonedOutcome(path, Matcher.AbandonReason());
    feed.Finish();
    report.Finish();
    outcome.Selected = Options.FilesWithoutMatch ? report.Selected() == 0 : report.Selected() != 0;
    return outcome;
  }

  // The files of a batch, by one run of the file search; one outcome per file.
  void SearchBatch(const std::vector<Entry>& entries, const Batch& batch,
                   std::vector<Outcome>& outcomes) {
    outcomes.assign(batch.Count, Outcome());
    std::unordered_map<std::string_view, std::size_t> byName;
    for (std::size_t i = 0; i < batch.Count; ++i)
      byName.emplace(BaseName(entries[batch.First + i].Path), i);
    std::vector<bool> entered(batch.Count, false);
    std::size_t current = 0;
    std::string_view content;
    std::unique_ptr<LineReport> report;
    std::unique_ptr<ReportFeed> feed;
    auto close = [&] {
      if (!feed) return;
      feed->Finish();
      report->Finish();
      outcomes[current].Selected =
          Options.FilesWithoutMatch ? report->Selected() == 0 : report->Selected() != 0;
      feed.reset();
      report.reset();
    };
    const FileEntry enter = [&](const std::string& file) -> const std::string_view* {
      close();
      const auto found = byName.find(BaseName(file));
      if (found == byName.end() || entered[found->second]) return nullptr;  // not one of ours
      current = found->second;
      entered[current] = true;
      const std::string& path = entries[batch.First + current].Path;
      if (!Read(path, outcomes[current], content)) return nullptr;
      report = std::make_unique<LineReport>(Options, path, outcomes[current].Out);
      feed = std::make_unique<ReportFeed>(*report, Options, content, 1);
      return &content;
    };
    Matcher.ScanFiles(batch.Mask, Options.NeedsSpans(), enter,
                      [&](std::uint64_t number, std::size_t start, std::size_t end,
                          const std::vector<Span>& spans) {
                        return feed && feed->OnMatching(number, start, end, spans);
                      });
    close();
    if (!Matcher.AbandonReason().empty()) {
      // The engine gave up on a file of the batch: each is searched again alone, which names it.
      for (std::size_t i = 0; i < batch.Count; ++i)
        outcomes[i] = Search(entries[batch.First + i].Path);
      return;
    }
    for (std::size_t i = 0; i < batch.Count; ++i)
      if (!entered[i]) outcomes[i] = Search(entries[batch.First + i].Path, false);
  }

  // Standard input, block by block, each written out before the next is read.
  Outcome SearchInput(int input, std::ostream& out) {
    Outcome outcome;
    Platform::StreamIdentity identity;
    if (Platform::IdentifyDescriptor(input, identity) && Feeds(identity)) {
      outcome.Err = Message(StandardInputName, InputIsOutput);
      outcome.Trouble = true;
      return outcome;
    }
    InputBlocks blocks(input);
    return SearchBlocks(blocks, StandardInputName, out);
  }

  // A file named on the command line that is no regular file (a FIFO, a device), read as
  // standard input is.
  Outcome SearchNamedStream(const std::string& path, std::ostream& out) {
    Outcome outcome;
    Platform::NamedInput input;
    if (!input.Open(path.c_str())) {
      Fail(path, outcome);
      return outcome;
    }
    if (Feeds(input.Identity())) {
      outcome.Err = Message(path, InputIsOutput);
      outcome.Trouble = true;
      return outcome;
    }
    InputBlocks blocks([&input](char* into, std::size_t capacity, std::size_t& got) {
      return input.Read(into, capacity, got) ? 0 : Platform::LastError();
    });
    return SearchBlocks(blocks, path, out);
  }

 private:
  // The lines of `blocks`, reported as `name` and written out block by block.
  Outcome SearchBlocks(InputBlocks& blocks, const std::string& name, std::ostream& out) {
    Outcome outcome;
    std::string text;
    LineReport report(Options, name, text);
    std::string_view lines;
    std::uint64_t number = 1;
    bool first = true;
    while (blocks.Next(lines)) {
      if (first && !Command.Text && FirstBlockHoldsNul(lines)) return outcome;
      first = false;
      ReportFeed feed(report, Options, lines, number);
      Matcher.Scan(
          lines, number, Options.NeedsSpans(),
          [&](std::uint64_t n, std::size_t start, std::size_t end, const std::vector<Span>& spans) {
            return feed.OnMatching(n, start, end, spans);
          });
      if (!Matcher.AbandonReason().empty())
        return AbandonedOutcome(StandardInputName, Matcher.AbandonReason());
      feed.Finish();
      number += static_cast<std::uint64_t>(std::count(lines.begin(), lines.end(), '\n')) +
                (lines.back() != '\n' ? 1 : 0);
      out << text;
      text.clear();
      if (feed.Stopped || !out) break;
    }
    if (blocks.Error() != 0) {
      outcome.Err = Message(name, std::strerror(blocks.Error()));
      outcome.Trouble = true;
    }
    report.Finish();
    out << text;
    outcome.Selected = Options.FilesWithoutMatch ? report.Selected() == 0 : report.Selected() != 0;
    return outcome;
  }

  // True when what `identity` names is the output file and lines are printed: reading it
  // would read back the lines written, until the disk is full. Only names or counts (-l, -L,
  // -c, -q) cannot feed the input, as in grep.
  bool Feeds(const Platform::StreamIdentity& identity) const {
    return !Options.Listing() && identity.SameRegularFile(Command.OutputFile);
  }

  bool IsTheOutput(const std::string& path, Outcome& outcome) const {
    if (Command.OutputFile.Kind != Platform::StreamKind::RegularFile || Options.Listing())
      return false;
    Platform::StreamIdentity identity;
    if (!Platform::IdentifyPath(path, identity) || !Feeds(identity)) return false;
    outcome.Err = Message(path, InputIsOutput);
    outcome.Trouble = true;
    return true;
  }

  // Reads the file into the buffer; false (with the outcome saying why, or nothing for a
  // binary file) when it is not to be searched.
  bool Read(const std::string& path, Outcome& outcome, std::string_view& content) {
    if (IsTheOutput(path, outcome)) return false;
    Platform::FileContent file;
    std::uint64_t length = 0;
    if (!file.Open(path.c_str()) || !file.ReadAll(Buffer, length)) {
      Fail(path, outcome);
      return false;
    }
    content = std::string_view(Buffer.data(), static_cast<std::size_t>(length));
    return Command.Text || !FirstBlockHoldsNul(content);
  }

  static void Fail(const std::string& path, Outcome& outcome) {
    outcome.Err = Message(path, std::strerror(Platform::LastError()));
    outcome.Trouble = true;
  }

  const LineSearchCommand& Command;
  LineOutput Options;
  LineMatcher Matcher;
  std::vector<char> Buffer;
};

// The extension (".txt") every name of entries [first, end) ends in, or empty.
std::string CommonExtension(const std::vector<Entry>& entries, std::size_t first, std::size_t end) {
  std::string_view extension = BaseName(entries[first].Path);
  const std::size_t dot = extension.rfind('.');
  if (dot == std::string_view::npos || extension.find_first_of("*?") != std::string_view::npos)
    return {};
  extension = extension.substr(dot);
  for (std::size_t k = first; k < end; ++k) {
    const std::string_view name = BaseName(entries[k].Path);
    if (name.size() <= extension.size() || name.substr(name.size() - extension.size()) != extension)
      return {};
  }
  return std::string(extension);
}

// Walked files of one directory go to the file search together, which lists the directory
// once for all of them; a mask with their common extension keeps it to files like them. A
// large directory is split by the first byte of the names, so that threads share it.
std::vector<Batch> Batches(const std::vector<Entry>& entries, const LinePatterns& patterns) {
  constexpr std::size_t LargeDirectory = 64;
  std::vector<Batch> batches;
  for (std::size_t i = 0; i < entries.size();) {
    const Entry& first = entries[i];
    const std::string_view directory = DirectoryPart(first.Path);
    const bool groupable = patterns.FileSearchUsable() && first.Walked &&
                           directory.find_first_of("*?") == std::string_view::npos;
    std::size_t end = i + 1;
    while (groupable && end < entries.size() && entries[end].Walked &&
           DirectoryPart(entries[end].Path) == directory)
      ++end;
    if (end - i < 2) {
      batches.push_back(Batch{i, 1, {}});
      i = end;
      continue;
    }
    const std::string extension = CommonExtension(entries, i, end);
    if (end - i <= LargeDirectory) {
      batches.push_back(Batch{i, end - i, std::string(directory) + "*" + extension});
      i = end;
      continue;
    }
    for (std::size_t k = i; k < end;) {
      const char lead = BaseName(entries[k].Path)[0];
      std::size_t stop = k + 1;
      while (stop < end && BaseName(entries[stop].Path)[0] == lead) ++stop;
      if (lead == '*' || lead == '?') {
        for (; k < stop; ++k) batches.push_back(Batch{k, 1, {}});
      } else {
        batches.push_back(Batch{k, stop - k, std::string(directory) + lead + "*" + extension});
      }
      k = stop;
    }
    i = end;
  }
  return batches;
}

std::vector<Entry> Entries(const LineSearchCommand& command) {
  std::vector<Entry> entries;
  auto walk = [&](PathSelection selection) {
    std::vector<WalkProblem> problems;
    const std::string named = selection.Paths.empty() ? std::string() : selection.Paths[0];
    WalkPaths(
        selection,
        [&](const std::string& file) {
          Entry entry{file, false, {}, file != named};
          Platform::StreamIdentity identity;
          entry.Stream = !entry.Walked && Platform::IdentifyPath(file, identity) &&
                         identity.Kind == Platform::StreamKind::Other;
          entries.push_back(std::move(entry));
        },
        problems);
    for (WalkProblem& problem : problems)
      entries.push_back(Entry{std::move(problem.Path), false, std::move(problem.Message), false});
  };
  if (command.Selection.Paths.empty()) {
    walk(command.Selection);
    return entries;
  }
  for (const std::string& path : command.Selection.Paths) {
    if (path == "-") {
      entries.push_back(Entry{StandardInputName, true, {}, false});
      continue;
    }
    PathSelection one = command.Selection;
    one.Paths = {path};
    walk(std::move(one));
  }
  return entries;
}

// Names are shown unless one file (or standard input) was named and is all there is.
bool ShowNames(const LineSearchCommand& command, const std::vector<Entry>& entries) {
  if (command.NoFileNames) return false;
  if (command.ForceFileNames) return true;
  const std::vector<std::string>& paths = command.Selection.Paths;
  if (paths.size() != 1 || entries.size() != 1) return true;
  return !(entries[0].Path == paths[0] || (entries[0].StandardInput && paths[0] == "-"));
}

// Writes the outcomes in order as the threads finish them.
class OrderedOutput {
 public:
  OrderedOutput(const LineOutput& options, std::ostream& out, std::ostream& err)
      : Options(options), Out(out), Err(err) {}

  // False once nothing more should be written (output failed, or -q found its line).
  bool Write(const Outcome& outcome) {
    if (Options.Context() && !outcome.Out.empty() && Printed) Out << "--\n";
    if (!outcome.Out.empty()) Printed = true;
    Out << outcome.Out;
    Err << outcome.Err;
    Selected = Selected || outcome.Selected;
    Trouble = Trouble || outcome.Trouble;
    return Out && !(Options.Quiet && Selected);
  }

  int Status() const {
    if (Options.Quiet && Selected) return Found;
    if (Trouble) return ExitStatus::Trouble;
    return Selected ? Found : NothingFound;
  }

  bool Printed = false;
  bool Selected = false;
  bool Trouble = false;

 private:
  const LineOutput& Options;
  std::ostream& Out;
  std::ostream& Err;
};

Outcome ProblemOutcome(const Entry& entry) {
  Outcome outcome;
  outcome.Err = Message(entry.Path, entry.Problem);
  outcome.Trouble = true;
  return outcome;
}

// The outcomes of one batch (standard input aside, which is written as it is read).
void SearchBatch(FileSearcher& searcher, const std::vector<Entry>& entries, const Batch& batch,
                 std::vector<Outcome>& outcomes) {
  if (!batch.Mask.empty()) {
    searcher.SearchBatch(entries, batch, outcomes);
    return;
  }
  outcomes.assign(1, Outcome());
  const Entry& entry = entries[batch.First];
  if (!entry.Problem.empty())
    outcomes[0] = ProblemOutcome(entry);
  else if (!entry.StandardInput && !entry.Stream)
    outcomes[0] = searcher.Search(entry.Path);
}

// Several threads take batches in turn; the main thread writes each file's outcome as soon as
// those before it are written, and handles standard input where it stands.
class ParallelSearch {
 public:
  ParallelSearch(const LineSearchCommand& command, const LinePatterns& patterns, bool names,
                 const std::vector<Entry>& entries, const std::vector<Batch>& batches)
      : Command(command),
        Patterns(patterns),
        Names(names),
        Items(entries),
        Jobs(batches),
        Results(entries.size()),
        Done(entries.size(), false) {}

  void Run(unsigned int threads, int input, std::ostream& out, OrderedOutput& output) {
    std::vector<std::thread> workers;
    struct Joiner {
      ParallelSearch& Search;
      std::vector<std::thread>& Threads;
      ~Joiner() {
        {
          std::lock_guard<std::mutex> lock(Search.Lock);
          Search.Stop = true;
        }
        Search.WorkReady.notify_all();
        for (std::thread& thread : Threads) thread.join();
      }
    } joiner{*this, workers};
    for (unsigned int i = 0; i < threads; ++i) workers.emplace_back([this] { Work(); });

    FileSearcher own(Command, Patterns, Names);
    for (std::size_t i = 0; i < Items.size(); ++i) {
      Outcome outcome;
      if (Items[i].StandardInput) {
        outcome = own.SearchInput(input, out);
      } else if (Items[i].Stream) {
        outcome = own.SearchNamedStream(Items[i].Path, out);
      } else {
        std::unique_lock<std::mutex> lock(Lock);
        ResultReady.wait(lock, [&] { return Done[i]; });
        outcome = std::move(Results[i]);
        Results[i] = Outcome();
      }
      std::exception_ptr failure;
      {
        std::lock_guard<std::mutex> lock(Lock);
        Written = i + 1;
        failure = Failure;
      }
      WorkReady.notify_all();
      if (failure) std::rethrow_exception(failure);
      if (!output.Write(outcome)) break;
    }
  }

 private:
  void Work() {
    try {
      FileSearcher searcher(Command, Patterns, Names);
      std::vector<Outcome> outcomes;
      for (;;) {
        std::size_t index;
        {
          std::unique_lock<std::mutex> lock(Lock);
          // Keep within a window of the writer, so finished outcomes never pile up.
          WorkReady.wait(lock, [&] {
            return Stop || Next >= Jobs.size() || Jobs[Next].First < Written + Window;
          });
          if (Stop || Next >= Jobs.size()) return;
          index = Next++;
        }
        const Batch& batch = Jobs[index];
        SearchBatch(searcher, Items, batch, outcomes);
        {
          std::lock_guard<std::mutex> lock(Lock);
          for (std::size_t i = 0; i < batch.Count; ++i) {
            Results[batch.First + i] = std::move(outcomes[i]);
            Done[batch.First + i] = true;
          }
        }
        ResultReady.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(Lock);
      if (!Failure) Failure = std::current_exception();
      std::fill(Done.begin(), Done.end(), true);  // the writer stops at the failure
      ResultReady.notify_all();
    }
  }

  static constexpr std::size_t Window = 1024;

  const LineSearchCommand& Command;
  const LinePatterns& Patterns;
  bool Names;
  const std::vector<Entry>& Items;
  const std::vector<Batch>& Jobs;
  std::vector<Outcome> Results;
  std::vector<bool> Done;
  std::mutex Lock;
  std::condition_variable WorkReady;
  std::condition_variable ResultReady;
  std::size_t Next = 0;
  std::size_t Written = 0;
  bool Stop = false;
  std::exception_ptr Failure;
};

}  // namespace

int RunLineSearch(const LineSearchCommand& command, int input, std::ostream& out,
                  std::ostream& err) {
  LinePatterns patterns;
  std::string error;
  if (!patterns.Prepare(command.Search, error)) {
    err << "regextool: bad pattern: " << error << '\n';
    return Trouble;
  }
  const std::vector<Entry> entries = Entries(command);
  const std::vector<Batch> batches = Batches(entries, patterns);
  const bool names = ShowNames(command, entries);
  OrderedOutput output(command.Output, out, err);
  const unsigned int threads =
      static_cast<unsigned int>(std::min<std::size_t>(command.Threads, batches.size()));
  if (threads <= 1) {
    FileSearcher searcher(command, patterns, names);
    std::vector<Outcome> outcomes;
    for (const Batch& batch : batches) {
      const Entry& first = entries[batch.First];
      if (first.StandardInput || first.Stream) {
        const Outcome outcome = first.StandardInput ? searcher.SearchInput(input, out)
                                                    : searcher.SearchNamedStream(first.Path, out);
        if (!output.Write(outcome)) break;
        continue;
      }
      SearchBatch(searcher, entries, batch, outcomes);
      bool more = true;
      for (const Outcome& outcome : outcomes)
        if (more) more = output.Write(outcome);
      if (!more) break;
    }
  } else {
    ParallelSearch search(command, patterns, names, entries, batches);
    search.Run(threads, input, out, output);
  }
  return output.Status();
}

}  // namespace RegexTool
