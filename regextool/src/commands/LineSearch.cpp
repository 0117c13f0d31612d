#include "LineSearch.h"

#include <grepcore/Search.h>
#include <grepcore/Walk.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ExitStatus.h"
#include "PatternError.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

// One input of the search, in the order of the output.
struct Entry {
  grepcore::WalkedFile File;  // standard input: its Path is the name it is shown by
  bool StandardInput = false;
  std::string Problem;   // a path the walk could not take: the message only
  bool Warning = false;  // the problem is a warning only (a link loop not entered)
};

const std::string& NameOf(const Entry& entry) { return entry.File.Path; }

// What one input left besides its lines.
struct Outcome {
  std::string Err;
  bool Selected = false;
  bool Trouble = false;
  bool FileProblem = false;  // Err tells of a file missing or unreadable (-s keeps quiet)
};

std::string Message(const std::string& path, const std::string& what) {
  return "regextool: " + ShownName(path) + ": " + what + "\n";
}

// Hands each input to `take` in order: the files of each path as walked, standard input
// where "-" is named, and after each walk what it could not take. Stops when `take` returns
// false.
void EachEntry(const LineSearchCommand& command, const std::function<bool(Entry&&)>& take) {
  bool going = true;
  auto walk = [&](grepcore::WalkOptions options) {
    std::vector<grepcore::WalkProblem> problems =
        grepcore::WalkUntil(options, [&](grepcore::WalkedFile&& file) {
          going = take(Entry{std::move(file), false, {}});
          return going;
        });
    for (grepcore::WalkProblem& problem : problems) {
      if (!going) return;
      Entry entry;
      entry.File.Path = std::move(problem.Path);
      entry.Problem = std::move(problem.Message);
      entry.Warning = problem.Kind == grepcore::WalkProblemKind::Loop;
      going = take(std::move(entry));
    }
  };
  const grepcore::WalkOptions options = WalkOptionsOf(command.Selection);
  if (command.Selection.Paths.empty()) {
    walk(options);
    return;
  }
  for (const std::string& path : command.Selection.Paths) {
    if (!going) return;
    if (path == "-") {
      Entry entry;
      entry.StandardInput = true;
      entry.File.Path = command.InputLabel;
      going = take(std::move(entry));
      continue;
    }
    grepcore::WalkOptions one = options;
    one.Roots = {path};
    walk(std::move(one));
  }
}

std::vector<Entry> Entries(const LineSearchCommand& command) {
  std::vector<Entry> entries;
  EachEntry(command, [&entries](Entry&& entry) {
    entries.push_back(std::move(entry));
    return true;
  });
  return entries;
}

// Names are shown unless one file (or standard input) was named and is all there is: `count`
// inputs, the first `first`.
bool ShowNames(const LineSearchCommand& command, std::size_t count, const Entry* first) {
  if (command.NoFileNames) return false;
  if (command.ForceFileNames) return true;
  const std::vector<std::string>& paths = command.Selection.Paths;
  if (paths.size() != 1 || count != 1) return true;
  return !(first->File.Path == paths[0] || (first->StandardInput && paths[0] == "-"));
}

// A report that writes what it holds to the output once it holds `hold` bytes after a block:
// standard input and named streams are shown as they are read (0), and a file searched where
// its lines are written holds no more than that however large it is. `starting` is called
// before its first bytes are written.
class StreamingReport : public LineReport {
 public:
  StreamingReport(const LineOutput& options, std::string_view name, std::string& text,
                  std::ostream& out, std::size_t hold, bool flush,
                  const std::function<void()>& starting)
      : LineReport(options, name, text),
        Text(text),
        Out(out),
        Hold(hold),
        Flush(flush),
        Starting(starting) {}
  bool BlockEnd() override {
    if (Text.size() > Hold) Write();
    return static_cast<bool>(Out);
  }
  void Write() {
    if (Text.empty()) return;
    if (!Started && Starting) Starting();
    Started = true;
    Out << Text;
    Text.clear();
    if (Flush) Out.flush();
  }

 private:
  std::string& Text;
  std::ostream& Out;
  std::size_t Hold;
  bool Flush;
  const std::function<void()>& Starting;
  bool Started = false;
};

// One thread's searcher and the options its reports follow.
class FileSearcher {
 public:
  FileSearcher(const LineSearchCommand& command, const grepcore::LinePatterns& patterns,
               bool fileNames)
      : Options(command.Output),
        Searcher(patterns, SearchOptionsOf(command)),
        LineBuffered(command.LineBuffered) {
    Options.FileNames = fileNames;
  }

  // A file the walk handed on; its lines go to `text`.
  Outcome Search(const Entry& entry, std::string& text) {
    if (!entry.Problem.empty()) return Problem(entry);
    LineReport report(Options, entry.File.Path, text);
    return Finished(Searcher.SearchFile(entry.File, report), report, entry.File.Path, text);
  }

  // An entry searched where its lines are written: standard input and named streams block by
  // block, files whenever a block leaves more than `LargeOutput` bytes to write. What a file
  // the engine gave up on printed before that is not taken back.
  Outcome Stream(const Entry& entry, int input, std::ostream& out,
                 const std::function<void()>& starting) {
    if (!entry.Problem.empty()) return Problem(entry);
    constexpr std::size_t LargeOutput = 1024 * 1024;
    const bool stream = entry.StandardInput || entry.File.Stream;
    std::string text;
    StreamingReport report(Options, NameOf(entry), text, out,
                           stream || LineBuffered ? 0 : LargeOutput, LineBuffered, starting);
    const grepcore::Result<grepcore::SearchSummary> result =
        entry.StandardInput ? Searcher.SearchDescriptor(input, report)
        : entry.File.Stream ? Searcher.SearchPath(entry.File.Path, report)
                            : Searcher.SearchFile(entry.File, report);
    const Outcome outcome = Finished(result, report, NameOf(entry), text);
    report.Write();
    return outcome;
  }

 private:
  static grepcore::SearchOptions SearchOptionsOf(const LineSearchCommand& command) {
    grepcore::SearchOptions search = command.Output.Search();
    search.Binary = command.Text ? grepcore::BinaryRule::AsText : grepcore::BinaryRule::Withhold;
    // Only printed lines can feed the input they are read from, as in grep.
    if (command.OutputFile.RegularFile && !command.Output.Listing()) {
      search.SkipDevice = command.OutputFile.Device;
      search.SkipInode = command.OutputFile.Inode;
    }
    return search;
  }

  static Outcome Trouble(std::string message) {
    Outcome outcome;
    outcome.Err = std::move(message);
    outcome.Trouble = true;
    return outcome;
  }

  static Outcome FileTrouble(std::string message) {
    Outcome outcome = Trouble(std::move(message));
    outcome.FileProblem = true;
    return outcome;
  }

  // A path the walk could not take; a warning (a link loop) leaves the exit status as it is.
  static Outcome Problem(const Entry& entry) {
    Outcome outcome = FileTrouble(Message(entry.File.Path, entry.Problem));
    outcome.Trouble = !entry.Warning;
    return outcome;
  }

  // A binary file's selected lines past its NUL byte are told by grep's message; a file the
  // engine gave up on is named, and what was found in it is not shown, since it is not all
  // there is.
  Outcome Finished(const grepcore::Result<grepcore::SearchSummary>& result, LineReport& report,
                   const std::string& name, std::string& text) {
    if (!result) {
      text.clear();
      const grepcore::Error& error = result.Error();
      // A file that is missing or unreadable, not one that is the output or beat the engine.
      if (error.Kind == grepcore::ErrorKind::Io && error.Code != 0)
        return FileTrouble(Message(name, error.Message));
      return Trouble(Message(name, error.Message));
    }
    Outcome outcome;
    if (report.BinaryMatchWithheld()) outcome.Err = Message(name, "binary file matches");
    report.Finish(result->Selected);
    outcome.Selected = Options.FilesWithoutMatch ? result->Selected == 0 : result->Selected != 0;
    return outcome;
  }

  LineOutput Options;
  grepcore::Searcher Searcher;
  bool LineBuffered;
};

// Writes the outcomes in order.
class OrderedOutput {
 public:
  OrderedOutput(const LineSearchCommand& command, std::ostream& out, std::ostream& err)
      : Options(command.Output),
        Flush(command.LineBuffered),
        Quiet(command.NoMessages),
        Out(out),
        Err(err) {}

  // False once nothing more should be written (output failed, or -q found its line).
  bool Write(const std::string& text, const Outcome& outcome) {
    if (Options.Context() && !text.empty() && Printed) Out << "--\n";
    if (!text.empty()) Printed = true;
    Out << text;
    if (Flush && !text.empty()) Out.flush();
    if (!(Quiet && outcome.FileProblem)) Err << outcome.Err;
    Selected = Selected || outcome.Selected;
    Trouble = Trouble || outcome.Trouble;
    return Out && !(Options.Quiet && Selected);
  }

  // Before the lines of an entry written as it is searched (streams excepted, as ever).
  void Starting() {
    if (Options.Context() && Printed) Out << "--\n";
    Printed = true;
  }

  int Status() const {
    if (Options.Quiet && Selected) return Found;
    if (Trouble) return ExitStatus::Trouble;
    return Selected ? Found : NothingFound;
  }

 private:
  const LineOutput& Options;
  const bool Flush;
  const bool Quiet;
  std::ostream& Out;
  std::ostream& Err;
  bool Printed = false;
  bool Selected = false;
  bool Trouble = false;
};

// --replace: each line pattern compiled on its own, to find a match's groups again.
std::shared_ptr<const LineReplacement> ReplacementOf(const LineSearchCommand& command,
                                                     const grepcore::LinePatterns& patterns) {
  const grepcore::LinePatternOptions options = patterns.Options();
  std::vector<grepcore::Pattern> each;
  for (const std::string& text : patterns.Each()) {
    if (text.empty()) continue;
    grepcore::Result<grepcore::Pattern> compiled =
        grepcore::Pattern::Compile(text, options.Compile);
    if (compiled) each.push_back(std::move(*compiled));
  }
  return std::make_shared<const LineReplacement>(std::move(each), command.ReplaceFormat,
                                                 options.Match);
}

// --type-list: each type with its globs, as "name: glob, glob".
int PrintTypes(std::ostream& out) {
  std::string text;
  for (const grepcore::FileType& type : grepcore::FileTypes()) {
    text += type.Name;
    text += ':';
    for (std::size_t i = 0; i < type.Globs.size(); ++i) {
      text += i == 0 ? " " : ", ";
      text += type.Globs[i];
    }
    text += '\n';
  }
  out << text;
  return out ? Found : ExitStatus::Trouble;
}

// --files: the files the walk picks, one a line; what it could not take on `err`.
int PrintFiles(const std::vector<Entry>& entries, bool nul, std::ostream& out, std::ostream& err) {
  bool any = false;
  bool trouble = false;
  std::string text;
  for (const Entry& entry : entries) {
    if (entry.StandardInput) continue;
    if (!entry.Problem.empty()) {
      out << text;
      text.clear();
      err << Message(entry.File.Path, entry.Problem);
      trouble = trouble || !entry.Warning;
      continue;
    }
    if (nul) {
      text += entry.File.Path;  // as it is: a NUL byte is the one byte no name holds
      text += '\0';
    } else {
      text += ShownName(entry.File.Path);
      text += '\n';
    }
    any = true;
  }
  out << text;
  if (trouble || !out) return ExitStatus::Trouble;
  return any ? Found : NothingFound;
}

// EachEntry, with `start(names, alone)` called once before the first input is taken: whether
// names are shown, and whether that input is all there is. The first input waits only until
// the next one (or the walk's end) tells.
void EachEntryAfterStart(const LineSearchCommand& command,
                         const std::function<void(bool names, bool alone)>& start,
                         const std::function<bool(Entry&&)>& take) {
  std::optional<Entry> first;
  bool started = false;
  EachEntry(command, [&](Entry&& entry) {
    if (!started) {
      if (!first) {
        first = std::move(entry);
        return true;
      }
      start(ShowNames(command, 2, nullptr), false);
      started = true;
      const bool going = take(std::move(*first));
      first.reset();
      if (!going) return false;
    }
    return take(std::move(entry));
  });
  if (first) {
    start(ShowNames(command, 1, &*first), true);
    take(std::move(*first));
  }
}

// Searches an input where its lines are written; false once nothing more should be.
bool StreamInTurn(FileSearcher& searcher, OrderedOutput& output, const Entry& entry, int input,
                  std::ostream& out) {
  // Streams are written with no group separator before them, as ever.
  const bool stream = entry.StandardInput || entry.File.Stream;
  const std::function<void()> separator = [&output] { output.Starting(); };
  return output.Write(std::string(), searcher.Stream(entry, input, out,
                                                     stream ? std::function<void()>() : separator));
}

// With one thread each input is searched as the walk hands it on, where its lines are written,
// and nothing of the walk is held.
int SearchAsWalked(const LineSearchCommand& command, const grepcore::LinePatterns& patterns,
                   int input, std::ostream& out, std::ostream& err) {
  OrderedOutput output(command, out, err);
  std::unique_ptr<FileSearcher> searcher;
  EachEntryAfterStart(
      command,
      [&](bool names, bool) {
        searcher = std::make_unique<FileSearcher>(command, patterns, names);
      },
      [&](Entry&& entry) { return StreamInTurn(*searcher, output, entry, input, out); });
  return output.Status();
}

// With more threads the walk goes on while the threads search what it found: each file is
// searched by whichever thread is free, and its lines are written in the walk's order once
// those before it are. Standard input and named streams are searched by the caller in their
// turn, where their lines are written; so is one input alone, so that none of it is held whole.
int SearchOnThreads(const LineSearchCommand& command, const grepcore::LinePatterns& patterns,
                    int input, std::ostream& out, std::ostream& err) {
  OrderedOutput output(command, out, err);
  std::vector<std::unique_ptr<FileSearcher>> searchers;  // one a thread, the caller's last
  std::optional<grepcore::OrderedWork> work;
  const std::function<void()> noSeparator;
  const auto add = [&](Entry&& entry) {
    if (entry.StandardInput || (entry.Problem.empty() && entry.File.Stream)) {
      return work->Add(
          [&, entry = std::move(entry)](unsigned thread) -> grepcore::OrderedWork::Finish {
            const Outcome outcome = searchers[thread]->Stream(entry, input, out, noSeparator);
            return [&output, outcome] { return output.Write(std::string(), outcome); };
          },
          true);
    }
    return work->Add(
        [&, entry = std::move(entry)](unsigned thread) -> grepcore::OrderedWork::Finish {
          std::string text;
          const Outcome outcome = searchers[thread]->Search(entry, text);
          return [&output, text = std::move(text), outcome] { return output.Write(text, outcome); };
        });
  };
  EachEntryAfterStart(
      command,
      [&](bool names, bool alone) {
        for (unsigned i = 0; i < (alone ? 1 : command.Threads); ++i)
          searchers.push_back(std::make_unique<FileSearcher>(command, patterns, names));
        if (!alone) work.emplace(command.Threads);
      },
      [&](Entry&& entry) {
        return work ? add(std::move(entry))
                    : StreamInTurn(*searchers.front(), output, entry, input, out);
      });
  if (work) work->Drain();
  return output.Status();
}

}  // namespace

// -m 0 with -L: no line can be selected, so every file is listed without being read, as in grep.
int ListEveryFile(const LineSearchCommand& command, std::ostream& out, std::ostream& err) {
  bool trouble = false;
  for (const Entry& entry : Entries(command)) {
    if (!entry.Problem.empty()) {
      err << Message(entry.File.Path, entry.Problem);
      trouble = trouble || !entry.Warning;
      continue;
    }
    std::string text;
    LineReport report(command.Output, NameOf(entry), text);
    report.Finish(0);
    out << text;
  }
  if (trouble || !out) return Trouble;
  return NothingFound;  // no line selected, as grep's status says
}

int RunLineSearch(const LineSearchCommand& given, int input, std::ostream& out, std::ostream& err) {
  if (given.TypeList) return PrintTypes(out);
  if (given.ListFiles) return PrintFiles(Entries(given), given.Output.NullAfterName, out, err);
  const grepcore::Result<grepcore::LinePatterns> patterns = CompileLinePatterns(given.Search);
  if (!patterns) {
    PrintBadPattern(err, patterns.Error());
    return Trouble;
  }
  LineSearchCommand command = given;
  if (command.Replacing) command.Output.Replace = ReplacementOf(command, *patterns);
  // Nothing can be selected, so nothing needs reading (grep opens no file then either).
  const LineOutput& shape = command.Output;
  if (patterns->Each().empty() && !shape.Invert && !shape.FilesWithoutMatch) return NothingFound;
  if (given.SelectNothing)
    return shape.FilesWithoutMatch ? ListEveryFile(command, out, err) : NothingFound;
  return command.Threads <= 1 ? SearchAsWalked(command, *patterns, input, out, err)
                              : SearchOnThreads(command, *patterns, input, out, err);
}

}  // namespace RegexTool
