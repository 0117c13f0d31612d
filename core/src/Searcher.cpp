#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "DirectoryHandle.h"
#include "IoError.h"
#include "LineMatcher.h"
#include "LinePatternData.h"
#include "OpenWalked.h"
#include "common/Abandonment.h"
#include "engine/LineCounter.h"
#include "grepcore/Search.h"
#include "platform/FileContent.h"
#include "platform/NamedInput.h"
#include "platform/StreamIdentity.h"
#include "platform/ThreadSlot.h"

namespace grepcore {
namespace {

constexpr std::size_t BinaryProbe = 8 * 1024;

const char* const InputIsOutput = "input file is also the output";

// Lines that end at a NUL byte are searched as lines that end at a LF: their LF and NUL bytes
// are exchanged where they were read (the patterns were compiled for that), and back in what
// the sink is shown.
void ExchangeLineEnds(char* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const char c = bytes[i];
    bytes[i] = static_cast<char>(c ^ (c == '\0' || c == '\n' ? '\n' : 0));
  }
}

}  // namespace

// One searcher's state: the patterns' matcher, the read buffer, and the report of the input
// being searched (numbers, context, counts).
class Searcher::Run final : private LineMatcher::Sink {
 public:
  Run(LinePatterns patterns, SearchOptions options)
      : Patterns(std::move(patterns)),
        Options(options),
        Matcher(*Patterns.Internals()),
        Context(options.Before != 0 || options.After != 0),
        Breaks(Context || options.Breaks),
        EveryLine(options.Invert || Context),
        WantSpans(options.Spans && !options.Invert),
        NulLines(Patterns.Options().NulLines) {
    if (Options.BlockSize < BinaryProbe) Options.BlockSize = BinaryProbe;
    if (NulLines) Options.Binary = BinaryRule::AsText;
  }

  // Reads `read(into, capacity, got)` (0 or an error number) to its end; `ended()` may tell
  // that the bytes read so far are all there is before a read gives none.
  template <class Read, class Ended = bool (*)()>
  Result<SearchSummary> Stream(
      const std::string& name, SearchSink& sink, Read&& read, Ended ended = [] { return false; }) {
    Start(sink);
    std::size_t begin = 0, end = 0;
    bool first = true;
    for (;;) {
      if (begin != 0) {
        std::memmove(Buffer.get(), Buffer.get() + begin, end - begin);
        end -= begin;
        begin = 0;
      }
      if (end == Capacity) Grow();
      std::size_t got = 0;
      const int error = read(Buffer.get() + end, Capacity - end, got);
      if (error != 0) return IoError(error, name);
      if (NulLines) ExchangeLineEnds(Buffer.get() + end, got);
      end += got;
      const bool atEnd = got == 0 || ended();
      std::string_view available(Buffer.get() + begin, end - begin);
      if (atEnd) FinalEnd = available.data() + available.size();
      if (first && !available.empty()) {
        first = false;
        if (!Binary(available)) return Summary;
      }
      std::size_t upTo = available.size();
      if (!atEnd) {
        const void* last = ::memrchr(available.data(), '\n', available.size());
        if (last == nullptr) continue;  // no whole line yet: read on
        upTo = static_cast<std::size_t>(static_cast<const char*>(last) - available.data()) + 1;
      }
      if (upTo != 0 && (!Block(available.substr(0, upTo)) || !Out->BlockEnd())) break;
      begin += upTo;
      if (atEnd) break;
    }
    return Finish(name);
  }

  Result<SearchSummary> InMemory(std::string_view text, SearchSink& sink) {
    if (NulLines) {
      // The exchange needs bytes of its own: the text goes through the buffer in blocks.
      std::size_t at = 0;
      return Stream(std::string(), sink, [&](char* into, std::size_t capacity, std::size_t& got) {
        got = std::min(capacity, text.size() - at);
        std::memcpy(into, text.data() + at, got);
        at += got;
        return 0;
      });
    }
    Start(sink);
    FinalEnd = text.data() + text.size();
    if (!text.empty() && Binary(text)) Block(text);
    return Finish(std::string());
  }

 private:
  struct HeldLine {
    std::uint64_t Number;
    std::uint64_t Offset;
    std::string Text;
  };

  void Start(SearchSink& sink) {
    Out = &sink;
    Summary = SearchSummary();
    Number = 1;
    FinalEnd = nullptr;
    NulFree = 0;
    Offset = 0;
    LastReported = 0;
    AfterLeft = 0;
    Ending = false;
    Stopped = false;
    Withholding = false;
    Abandon = 0;
    Held.clear();
  }

  Result<SearchSummary> Finish(const std::string& name) {
    Out = nullptr;
    if (Abandon != 0) {
      Error error;
      error.Kind = ErrorKind::EngineGaveUp;
      error.Code = Abandon;
      const LinePatterns::Data& data = *Patterns.Internals();
      for (const auto& each : data.Each)
        if (each && error.Message.empty()) error.Message = Common::AbandonReason(Abandon, *each);
      error.Path = name;
      return error;
    }
    return Summary;
  }

  void Grow() {
    const std::size_t capacity = Capacity == 0 ? Options.BlockSize : Capacity * 2;
    std::unique_ptr<char[]> grown(new char[capacity]);  // not zeroed: only what is read counts
    if (Capacity != 0) std::memcpy(grown.get(), Buffer.get(), Capacity);
    Buffer = std::move(grown);
    Capacity = capacity;
  }

  // The binary test on the input's first bytes; false when the search ends there.
  bool Binary(std::string_view first) {
    if (Options.Binary == BinaryRule::AsText) return true;
    const std::size_t nul = first.substr(0, BinaryProbe).find('\0');
    if (nul == std::string_view::npos) {
      NulFree = std::min(first.size(), BinaryProbe);
      return true;
    }
    Summary.Binary = true;
    const bool more = Out->Binary(nul);
    if (Options.Binary == BinaryRule::Withhold) StartWithholding();
    return Options.Binary != BinaryRule::Quit && more;
  }

  void StartWithholding() {
    Withholding = true;
    Held.clear();
    AfterLeft = 0;
  }

  // A run of whole lines; under Withhold, the lines from the one holding a NUL byte on are
  // binary. False when the search of the input ends.
  bool Block(std::string_view text) {
    if (Options.Binary != BinaryRule::Withhold || Withholding) return Lines(text);
    // The input's first bytes were looked at already.
    const std::size_t known = Offset == 0 ? std::min(NulFree, text.size()) : 0;
    const void* nul = std::memchr(text.data() + known, '\0', text.size() - known);
    if (nul == nullptr) return Lines(text);
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
    const void* feed = ::memrchr(text.data(), '\n', at);
    const std::size_t binary =
        feed == nullptr
            ? 0
            : static_cast<std::size_t>(static_cast<const char*>(feed) - text.data()) + 1;
    if (binary != 0 && !Lines(text.substr(0, binary))) return false;
    Summary.Binary = true;
    if (!Out->Binary(Offset + (at - binary))) return false;
    StartWithholding();
    return Lines(text.substr(binary));
  }

  // A run of whole lines that starts at line `Number`, input offset `Offset`. False when the
  // search of the input ends.
  bool Lines(std::string_view text) {
    Text = text;
    Cursor = 0;
    CursorNumber = Number;
    const bool scanned = Matcher.Scan(text, WantSpans, *this);
    if (!scanned) {
      Abandon = Matcher.AbandonCode();
      return false;
    }
    if (EveryLine && !Stopped) Between(text.size());
    if (Stopped) return false;
    // The input's last run leaves no line after it to number.
    if (text.data() + text.size() != FinalEnd) {
      Number += Matcher.LineFeedsIn(text);
      if (text.back() != '\n') ++Number;
    }
    Offset += text.size();
    return true;
  }

  bool Line(std::uint64_t index, std::size_t start, std::size_t end,
            const std::vector<Span>& spans) override {
    if (EveryLine && !Between(start)) return false;
    const SearchLine line{Number + index, Offset + start, Shown(start, end), spans.data(),
                          spans.size()};
    if (Options.Invert)
      Other(line);
    else
      Selected(line);
    Cursor = end + 1;
    CursorNumber = line.Number + 1;
    return !Stopped;
  }

  // The lines from the cursor up to `limit`, none of them matching.
  bool Between(std::size_t limit) {
    while (Cursor < limit && Cursor < Text.size() && !Stopped) {
      const void* newline = std::memchr(Text.data() + Cursor, '\n', Text.size() - Cursor);
      const std::size_t end =
          newline == nullptr
              ? Text.size()
              : static_cast<std::size_t>(static_cast<const char*>(newline) - Text.data());
      const SearchLine line{CursorNumber++, Offset + Cursor, Shown(Cursor, end), nullptr, 0};
      if (Options.Invert)
        Selected(line);
      else
        Other(line);
      Cursor = end + 1;
    }
    return !Stopped;
  }

  // The line [start, end) of the run as the input holds it.
  std::string_view Shown(std::size_t start, std::size_t end) {
    const std::string_view text = Text.substr(start, end - start);
    if (!NulLines) return text;
    Restored.assign(text.data(), text.size());
    ExchangeLineEnds(Restored.data(), Restored.size());
    return Restored;
  }

  bool Adjacent(std::uint64_t number) {
    if (Breaks && LastReported != 0 && number != LastReported + 1 && !Out->ContextBreak())
      return false;
    LastReported = number;
    return true;
  }

  void Selected(const SearchLine& line) {
    if (Withholding) {
      Withheld(line);
      return;
    }
    if (Ending) {
      // Past the last selected line its after-context goes on over selected lines too, as
      // grep -m shows them; it ends where that context does.
      if (AfterLeft != 0) {
        --AfterLeft;
        if (!Adjacent(line.Number) || !Out->Context(line, ContextKind::After) || AfterLeft == 0)
          Stopped = true;
        return;
      }
      Stopped = true;
      return;
    }
    for (const HeldLine& held : Held) {
      const SearchLine before{held.Number, held.Offset, held.Text, nullptr, 0};
      if (!Adjacent(held.Number) || !Out->Context(before, ContextKind::Before)) {
        Stopped = true;
        return;
      }
    }
    Held.clear();
    ++Summary.Selected;
    if (!Adjacent(line.Number) || !Out->Matched(line)) {
      Stopped = true;
      return;
    }
    AfterLeft = Options.After;
    if (Options.MaxCount != 0 && Summary.Selected == Options.MaxCount) {
      Ending = true;
      if (AfterLeft == 0) Stopped = true;
    }
  }

  // A selected line of the binary part: counted, not reported.
  void Withheld(const SearchLine& line) {
    if (Ending) {
      Stopped = true;  // the count was reached before the binary part
      return;
    }
    ++Summary.Selected;
    if (++Summary.BinarySelected == 1 && !Out->BinaryMatched(line.Number)) Stopped = true;
    if (Options.MaxCount != 0 && Summary.Selected == Options.MaxCount) Stopped = true;
  }

  void Other(const SearchLine& line) {
    if (Withholding) return;
    if (AfterLeft != 0) {
      --AfterLeft;
      if (!Adjacent(line.Number) || !Out->Context(line, ContextKind::After)) Stopped = true;
      if (Ending && AfterLeft == 0) Stopped = true;
    } else if (Options.Before != 0 && !Ending) {
      Held.push_back(HeldLine{line.Number, line.Offset, std::string(line.Text)});
      if (Held.size() > Options.Before) Held.pop_front();
    }
  }

  LinePatterns Patterns;
  SearchOptions Options;
  LineMatcher Matcher;
  const bool Context;
  const bool Breaks;  // groups that do not touch are told apart
  const bool EveryLine;
  const bool WantSpans;
  const bool NulLines;   // the buffer holds the input with its LF and NUL bytes exchanged
  std::string Restored;  // the line the sink is shown, as the input holds it

  std::unique_ptr<char[]> Buffer;
  std::size_t Capacity = 0;

  SearchSink* Out = nullptr;
  SearchSummary Summary;
  std::uint64_t Number = 1;        // of the run's first line
  const char* FinalEnd = nullptr;  // where the input's last run ends, once it was read
  std::size_t NulFree = 0;         // the input's first bytes the binary test found no NUL in
  std::uint64_t Offset = 0;        // of the run's first byte
  std::string_view Text;           // the run
  std::size_t Cursor = 0;          // the first byte of the run not yet reported or passed
  std::uint64_t CursorNumber = 1;
  std::uint64_t LastReported = 0;  // 0: nothing reported yet
  std::size_t AfterLeft = 0;
  bool Ending = false;  // the last selected line was reported: its after-context is left
  bool Stopped = false;
  bool Withholding = false;  // past the NUL byte: selected lines are counted only
  unsigned Abandon = 0;
  std::deque<HeldLine> Held;  // candidates for before-context

 public:
  const SearchOptions& Settings() const { return Options; }
};

Searcher::Searcher(LinePatterns patterns, SearchOptions options)
    : Body(std::make_unique<Run>(std::move(patterns), options)) {}

Searcher::~Searcher() = default;

Result<SearchSummary> Searcher::SearchFile(const WalkedFile& file, SearchSink& sink) {
  Platform::FileContent content;
  if (std::optional<Error> refused = OpenWalked(file, content)) return std::move(*refused);
  const SearchOptions& options = Body->Settings();
  if ((options.SkipDevice != 0 || options.SkipInode != 0) &&
      content.Device() == options.SkipDevice && content.Inode() == options.SkipInode)
    return IoError(0, file.Path, InputIsOutput);
  return Body->Stream(
      file.Path, sink,
      [&content](char* into, std::size_t capacity, std::size_t& got) {
        return content.Read(into, capacity, got) ? 0 : Platform::LastError();
      },
      [&content] { return content.AtEnd(); });
}

Result<SearchSummary> Searcher::SearchPath(const std::string& path, SearchSink& sink) {
  Platform::NamedInput input;
  if (!input.Open(path.c_str())) return IoError(Platform::LastError(), path);
  const SearchOptions& options = Body->Settings();
  const Platform::StreamIdentity& identity = input.Identity();
  if ((options.SkipDevice != 0 || options.SkipInode != 0) &&
      identity.Kind == Platform::StreamKind::RegularFile && identity.Device == options.SkipDevice &&
      identity.Inode == options.SkipInode)
    return IoError(0, path, InputIsOutput);
  return Body->Stream(path, sink, [&input](char* into, std::size_t capacity, std::size_t& got) {
    return input.Read(into, capacity, got) ? 0 : Platform::LastError();
  });
}

Result<SearchSummary> Searcher::SearchDescriptor(int descriptor, SearchSink& sink) {
  const SearchOptions& options = Body->Settings();
  Platform::StreamIdentity identity;
  if ((options.SkipDevice != 0 || options.SkipInode != 0) &&
      Platform::IdentifyDescriptor(descriptor, identity) &&
      identity.Kind == Platform::StreamKind::RegularFile && identity.Device == options.SkipDevice &&
      identity.Inode == options.SkipInode)
    return IoError(0, std::string(), InputIsOutput);
  return Body->Stream(
      std::string(), sink, [descriptor](char* into, std::size_t capacity, std::size_t& got) {
        return Platform::ReadDescriptor(descriptor, into, capacity, got) ? 0
                                                                         : Platform::LastError();
      });
}

Result<SearchSummary> Searcher::SearchBuffer(std::string_view text, SearchSink& sink) {
  return Body->InMemory(text, sink);
}

}  // namespace grepcore
