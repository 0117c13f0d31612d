#pragma once
// Searching files for lines, as a search tool does: a set of line patterns, a searcher that
// reads one input once in bounded blocks, and a sink the caller gives that is told the
// matching lines (with their matches on request), the context lines around them and the
// breaks between context groups. Across many files, SearchInOrder runs the searches on
// several threads and hands each file's result on in the order of the walk.
//
//   auto patterns = grepcore::LinePatterns::Compile({"TODO"}, {});
//   grepcore::Searcher searcher(*patterns, {});
//   grepcore::LambdaSink sink([](const grepcore::SearchLine& line) {
//     std::cout << line.Number << ':' << line.Text << '\n';
//     return true;  // false ends the search of this input
//   });
//   grepcore::Status done = searcher.SearchPath("notes.txt", sink);
//   if (!done) std::cerr << done.Error().Message << '\n';

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Export.h"
#include "grepcore/Regex.h"
#include "grepcore/Result.h"
#include "grepcore/Walk.h"

namespace grepcore {

// A match within a line: byte offsets from the line's start.
struct Span {
  std::size_t Start = 0;
  std::size_t End = 0;
};

struct LinePatternOptions {
  CompileOptions Compile;  // Literal syntax: each pattern is literal text
  MatchOptions Match;      // the restrictions every match of the patterns keeps
  bool WholeWord = false;  // a match counts only as a whole word (grep -w)
  bool WholeLine = false;  // a match counts only as the whole line (grep -x)
  // A line ends at a NUL byte, and a line feed is an ordinary byte (grep -z): ^ and $ stand
  // beside a NUL only, '.' and a bracket may take a line feed. A Searcher reads its inputs so,
  // with no binary test (a NUL byte is no sign of binary data then).
  bool NulLines = false;
};

// The patterns of a line search, as grep takes them: several texts, each split at its line
// feeds; a line is selected when any one matches it. An empty pattern matches every line. A
// line ends at a line feed only (MatchOptions::LineFeedLines is always on), or at a NUL byte
// only (NulLines).
// Immutable, cheap to copy and safe to share between threads.
class LinePatterns {
 public:
  // Compiles every pattern; a BadPattern error (its message naming the pattern when there are
  // several) for the first one that does not compile.
  GREPCORE_EXPORT static Result<LinePatterns> Compile(const std::vector<std::string>& texts,
                                                      const LinePatternOptions& options);

  // Each pattern after splitting, in order.
  GREPCORE_EXPORT const std::vector<std::string>& Each() const;
  GREPCORE_EXPORT const LinePatternOptions& Options() const;

  struct Data;
  const std::shared_ptr<const Data>& Internals() const { return Compiled; }

 private:
  explicit LinePatterns(std::shared_ptr<const Data> data) : Compiled(std::move(data)) {}
  std::shared_ptr<const Data> Compiled;
};

// What a searcher does with a binary input (one whose first block holds a NUL byte).
enum class BinaryRule {
  Quit,           // tell the sink and search no further
  ReportAndGoOn,  // tell the sink and search it as text
  AsText,         // no test: every input is text
  // As grep does: the input is binary from the line holding its first NUL byte on (from its
  // start when the NUL is in the first block). The sink is told where (Binary), and from
  // there selected lines are counted but not handed on, context lines not at all; the first
  // of them is told to BinaryMatched, which says whether the search goes on.
  Withhold,
};

struct SearchOptions {
  bool Invert = false;         // the lines without a match are the selected ones
  std::size_t Before = 0;      // context lines before each selected line
  std::size_t After = 0;       // context lines after each selected line
  std::uint64_t MaxCount = 0;  // stop after this many selected lines and their after-context,
                               // which then shows selected lines as context too (grep -m);
                               // 0: no limit
  bool Breaks = false;         // ContextBreak between groups that do not touch even without
                               // context lines (grep -C 0)
  bool Spans = false;          // each selected line comes with its matches (not with Invert)
  BinaryRule Binary = BinaryRule::Quit;
  std::size_t BlockSize = 256 * 1024;  // the read buffer; it grows only for a longer line
  // An input that is this regular file is not read (it is where the output goes, and would
  // read back what is written): an Io error "input file is also the output". 0, 0: none.
  std::uint64_t SkipDevice = 0;
  std::uint64_t SkipInode = 0;
};

// One line as the sink sees it; the views are valid only during the call.
struct SearchLine {
  std::uint64_t Number = 0;     // from 1
  std::uint64_t Offset = 0;     // of its first byte in the input
  std::string_view Text;        // without its line feed (or NUL)
  const Span* Spans = nullptr;  // its matches, leftmost first, none overlapping or empty,
  std::size_t SpanCount = 0;    // when the options ask for Spans
};

enum class ContextKind { Before, After };

// What a search is told, in the order of the input. Returning false ends the search of the
// input (it is no error).
class SearchSink {
 public:
  virtual ~SearchSink() = default;
  virtual bool Matched(const SearchLine& line) = 0;  // a selected line
  virtual bool Context(const SearchLine&, ContextKind) { return true; }
  virtual bool ContextBreak() { return true; }  // between two groups of lines not adjacent
  // The input holds a NUL byte at `offset` (in its first block, unless the rule is
  // Withhold); with BinaryRule::Quit nothing more is reported.
  virtual bool Binary(std::uint64_t /*offset*/) { return true; }
  // With BinaryRule::Withhold: the first selected line past the NUL byte, line `number`,
  // was counted and not handed on. Returning true goes on counting.
  virtual bool BinaryMatched(std::uint64_t /*number*/) { return false; }
  // The lines of one block were reported: a sink that streams writes out what it holds.
  virtual bool BlockEnd() { return true; }
};

// A sink that passes the selected lines to a callable (bool(const SearchLine&)).
template <class F>
class LambdaSink : public SearchSink {
 public:
  explicit LambdaSink(F f) : Call(std::move(f)) {}
  bool Matched(const SearchLine& line) override { return Call(line); }

 private:
  F Call;
};
template <class F>
LambdaSink(F) -> LambdaSink<F>;

// What a search found: the number of selected lines, and whether the input was binary.
struct SearchSummary {
  std::uint64_t Selected = 0;        // the withheld ones included
  std::uint64_t BinarySelected = 0;  // selected lines withheld (BinaryRule::Withhold)
  bool Binary = false;
};

// One thread's searcher: its buffer and its matcher state. It reads each input once, in
// blocks of whole lines, so its memory is bounded by its buffer and the longest line, never
// by the input. Errors: Io (the input could not be opened or read, or is the output),
// EngineGaveUp (the engine gave up on a line: what was reported is not all there is).
class Searcher {
 public:
  GREPCORE_EXPORT Searcher(LinePatterns patterns, SearchOptions options);
  GREPCORE_EXPORT ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;

  // A walked file, opened relative to its directory's handle and checked to be the entry
  // walked (a link swapped in since is refused). Only a regular file is read.
  GREPCORE_EXPORT Result<SearchSummary> SearchFile(const WalkedFile& file, SearchSink& sink);
  // A path a user named, read as it is (a FIFO or a device to its end, as standard input).
  GREPCORE_EXPORT Result<SearchSummary> SearchPath(const std::string& path, SearchSink& sink);
  // An open descriptor, read to its end; it stays open.
  GREPCORE_EXPORT Result<SearchSummary> SearchDescriptor(int descriptor, SearchSink& sink);
  // Text already in memory, searched where it lies.
  GREPCORE_EXPORT Result<SearchSummary> SearchBuffer(std::string_view text, SearchSink& sink);

  class Run;

 private:
  std::unique_ptr<Run> Body;
};

// Work on numbered items spread over threads, the results delivered in the items' order, so
// the output on N threads is the output on one. `work(thread, item, out)` runs on `threads`
// threads (the thread's number lets each keep its own Searcher) and fills `out`;
// `deliver(item, out)` runs on the calling thread, in item order, as soon as the items before
// it were delivered; returning false stops the run. Items before `item` that are
// `onCaller(item)` are not given to the threads: deliver does their work itself (a stream the
// caller reads as it writes). An exception from `work` reaches the caller once the items
// before it were delivered.
GREPCORE_EXPORT void SearchInOrder(
    std::size_t count, unsigned threads,
    const std::function<void(unsigned thread, std::size_t item, std::string& out)>& work,
    const std::function<bool(std::size_t item, std::string& out)>& deliver,
    const std::function<bool(std::size_t item)>& onCaller = {});

// The same for work that arrives piece by piece, as a walk finds files: each piece is done by
// one of `threads` threads as soon as one is free, and what it returns runs on the calling
// thread in the order the pieces were added. The caller is one of the threads: while it adds
// pieces (walking, say) the others do them, and while it waits for a result it does pieces
// too. Add() runs the finished pieces that are ready without waiting; Drain() works and waits
// for the rest. A finish that returns false stops the run:
// later pieces are dropped. An exception from a piece reaches the caller in the piece's turn.
// All calls come from the thread that made it.
//
//   grepcore::OrderedWork work(2);
//   for (const std::string& path : paths)
//     work.Add([path](unsigned thread) -> grepcore::OrderedWork::Finish {
//       std::string found = SearchWithSearcher(thread, path);
//       return [found] { std::cout << found; return true; };
//     });
//   work.Drain();
class GREPCORE_EXPORT OrderedWork {
 public:
  using Finish = std::function<bool()>;
  // Runs on a thread numbered 0 to threads - 1; the caller is number threads - 1.
  using Piece = std::function<Finish(unsigned thread)>;

  explicit OrderedWork(unsigned threads);
  ~OrderedWork();  // stops the threads and waits for them; pieces not yet run are dropped
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // Adds a piece; `onCaller`: the caller does it itself in its turn (a stream it reads as it
  // writes). False once a finish stopped the run (the piece is dropped).
  bool Add(Piece piece, bool onCaller = false);
  // Runs every remaining finish in order; false when one stopped the run.
  bool Drain();

 private:
  struct Shared;
  bool RunReady(bool wait);
  std::unique_ptr<Shared> State;
};

}  // namespace grepcore
