// The positional diff of a file and its planned replacements. Two passes over the file, each
// with its own block: a scout that walks ahead line by line to find where each hunk ends and
// how many lines each side holds (the header needs the counts before the lines), and a printer
// that walks behind it over the same lines and prints them. Neither keeps more than its block.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "LineDiff.h"

namespace RegexTool {
namespace {

constexpr std::size_t BlockSize = 64 * 1024;

// One block of the file, reloaded wherever a read falls outside it.
class Blocks {
 public:
  explicit Blocks(ByteSource& source) : Source(source), Size(source.Size()), Buffer(BlockSize) {}

  std::uint64_t Length() const { return Size; }
  bool Failed() const { return Failure; }

  char At(std::uint64_t position) {
    return Load(position) ? Buffer[static_cast<std::size_t>(position - Start)] : '\0';
  }

  // The position after the line feed at or after `position`, or the end of the file.
  std::uint64_t LineEnd(std::uint64_t position) {
    while (position < Size && Load(position)) {
      const char* from = Buffer.data() + (position - Start);
      const std::size_t left = static_cast<std::size_t>(Start + Filled - position);
      if (const void* feed = std::memchr(from, '\n', left))
        return position + static_cast<std::uint64_t>(static_cast<const char*>(feed) - from) + 1;
      position += left;
    }
    return Size;
  }

  // True when the file holds `text` at `position`.
  bool Holds(std::uint64_t position, std::string_view text) {
    if (position > Size || text.size() > Size - position) return false;
    while (!text.empty()) {
      if (!Load(position)) return false;
      const std::size_t offset = static_cast<std::size_t>(position - Start);
      const std::size_t piece = std::min(text.size(), Filled - offset);
      if (std::memcmp(Buffer.data() + offset, text.data(), piece) != 0) return false;
      text.remove_prefix(piece);
      position += piece;
    }
    return true;
  }

  // Hands the bytes [from, to) to `take` piece by piece.
  template <class Take>
  void Each(std::uint64_t from, std::uint64_t to, Take take) {
    while (from < to && Load(from)) {
      const std::size_t offset = static_cast<std::size_t>(from - Start);
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(to - from, Filled - offset));
      take(std::string_view(Buffer.data() + offset, piece));
      from += piece;
    }
  }

 private:
  bool Load(std::uint64_t position) {
    if (position >= Start && position < Start + Filled) return true;
    if (Failure || position >= Size) return false;
    std::size_t got = 0;
    if (!Source.ReadAt(position, Buffer.data(), Buffer.size(), got) || got == 0) {
      Failure = true;  // an error, or the file shrank under the diff
      return false;
    }
    Start = position;
    Filled = got;
    return true;
  }

  ByteSource& Source;
  std::uint64_t Size;
  std::vector<char> Buffer;
  std::uint64_t Start = 0;
  std::size_t Filled = 0;
  bool Failure = false;
};

// A walk over the file's lines: the start of the current line and its number (from 0). The
// empty text after a final line feed (or of an empty file) is a line of no bytes, where only
// an empty match can lie.
class LineWalk {
 public:
  explicit LineWalk(Blocks& file) : File(file) {}

  std::uint64_t Position() const { return At; }
  std::uint64_t Number() const { return Line; }
  bool AtEnd() const { return At >= File.Length(); }

  void Step() {
    At = End();
    ++Line;
    Ended = false;
  }

  // True while the current line lies wholly before `position`: `position` is past its line
  // feed, or it is the end of the file just after a line feed.
  bool Before(std::uint64_t position) {
    if (AtEnd()) return false;
    const std::uint64_t end = End();
    return end < position || (end == position && File.At(end - 1) == '\n');
  }

 private:
  // Where the current line ends, found once per line: a line may hold many replacements.
  std::uint64_t End() {
    if (!Ended) {
      CurrentEnd = File.LineEnd(At);
      Ended = true;
    }
    return CurrentEnd;
  }

  Blocks& File;
  std::uint64_t At = 0;
  std::uint64_t Line = 0;
  std::uint64_t CurrentEnd = 0;
  bool Ended = false;
};

// The replacements that change the text, in order.
class Plan {
 public:
  Plan(std::size_t count, const std::function<TextReplacement(std::size_t)>& at)
      : Count(count), At(at) {}

  // The index of the first replacement from `index` on that changes the text, or Count.
  std::size_t Changing(std::size_t index) const {
    while (index < Count) {
      const TextReplacement replacement = At(index);
      if (replacement.Matched != replacement.Replacement) break;
      ++index;
    }
    return index;
  }
  TextReplacement operator[](std::size_t index) const { return At(index); }
  std::size_t Size() const { return Count; }

 private:
  std::size_t Count;
  const std::function<TextReplacement(std::size_t)>& At;
};

// A run of changed lines with no unchanged line between: old bytes [Start, End), whole lines,
// and the replacements [First, Next) that change them.
struct Change {
  std::uint64_t Start = 0, End = 0;
  std::uint64_t OldLines = 0, NewLines = 0;
  std::size_t First = 0, Next = 0;
};

std::size_t Feeds(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Takes the change that starts on the walk's current line (the line holding replacement
// `first`) and steps the walk past it. A line a replacement touches belongs to the change; so
// does a line that starts right after it, when a replacement starts there too or the new text
// would otherwise end inside a line (a replacement that takes a line feed joins the next
// line). False when a replacement is not in the file where it was planned.
bool TakeChange(Blocks& file, LineWalk& walk, const Plan& plan, std::size_t first, Change& change) {
  change = Change();
  change.Start = walk.Position();
  change.First = first;
  const std::uint64_t firstLine = walk.Number();
  std::uint64_t copied = change.Start;  // the old text is taken up to here
  std::uint64_t removedFeeds = 0, addedFeeds = 0, newBytes = 0;
  char last = '\n';  // the last byte of the new text so far ('\n' for none)
  std::size_t index = first;
  for (;;) {
    while (index < plan.Size()) {
      const TextReplacement replacement = plan[index];
      // One that starts on a later line than the next one begins a change of its own.
      if (index != first && walk.Before(replacement.Position)) break;
      if (replacement.Position < copied || !file.Holds(replacement.Position, replacement.Matched))
        return false;
      if (replacement.Position > copied) last = file.At(replacement.Position - 1);
      if (!replacement.Replacement.empty()) last = replacement.Replacement.back();
      newBytes += (replacement.Position - copied) + replacement.Replacement.size();
      removedFeeds += Feeds(replacement.Matched);
      addedFeeds += Feeds(replacement.Replacement);
      copied = replacement.Position + replacement.Matched.size();
      // The lines up to the one holding the replacement's last byte (its position when empty).
      const std::uint64_t cover = replacement.Matched.empty() ? replacement.Position : copied - 1;
      while (!walk.AtEnd() && walk.Position() <= cover) walk.Step();
      index = plan.Changing(index + 1);
    }
    const std::uint64_t end = walk.Position();
    const char tail = end > copied ? file.At(end - 1) : last;
    if (tail == '\n' || walk.AtEnd()) break;
    walk.Step();  // the new text runs on into the next line
  }
  change.End = walk.Position();
  change.Next = index;
  change.OldLines = walk.Number() - firstLine;
  const bool oldUnfinished =
      change.End == file.Length() && change.End > change.Start && file.At(change.End - 1) != '\n';
  const std::uint64_t oldFeeds = change.OldLines - (oldUnfinished ? 1 : 0);
  newBytes += change.End - copied;
  const char tail = change.End > copied ? file.At(change.End - 1) : last;
  change.NewLines = oldFeeds - removedFeeds + addedFeeds + (newBytes != 0 && tail != '\n' ? 1 : 0);
  return !file.Failed();
}

// One hunk: old bytes [Start, End), context included, its lines' numbers and counts, and the
// replacements it shows.
struct Hunk {
  std::uint64_t Start = 0, End = 0;
  std::uint64_t OldFirst = 0, OldCount = 0, NewFirst = 0, NewCount = 0;
  std::size_t First = 0, Next = 0;
};

// Walks ahead of the printer: finds each hunk's extent and counts.
class HunkScout {
 public:
  HunkScout(ByteSource& source, const Plan& plan, std::size_t context)
      : File(source), Walk(File), Changes(plan), Context(context) {}

  // False at the end (Failed() says whether a replacement was amiss or a read failed).
  bool Next(Hunk& hunk) {
    Index = Changes.Changing(Index);
    if (Index >= Changes.Size()) return false;
    while (Walk.Before(Changes[Index].Position)) Remember();
    hunk = Hunk();
    hunk.Start = Recent.empty() ? Walk.Position() : Recent.front().first;
    hunk.OldFirst = Recent.empty() ? Walk.Number() : Recent.front().second;
    hunk.First = Index;
    std::uint64_t oldCount = Walk.Number() - hunk.OldFirst;
    std::uint64_t newCount = oldCount;
    for (;;) {
      Change change;
      if (!TakeChange(File, Walk, Changes, Index, change)) {
        Broken = true;
        return false;
      }
      oldCount += change.OldLines;
      newCount += change.NewLines;
      Index = change.Next;
      // The lines up to the next change: no more than twice the context apart, it shares
      // the hunk (the two contexts would meet).
      std::vector<std::pair<std::uint64_t, std::uint64_t>>& gap = Gap;
      gap.clear();
      const bool more = Index < Changes.Size();
      while (gap.size() <= 2 * Context &&
             (more ? Walk.Before(Changes[Index].Position) : !Walk.AtEnd())) {
        gap.emplace_back(Walk.Position(), Walk.Number());
        Walk.Step();
      }
      if (more && gap.size() <= 2 * Context && !Walk.Before(Changes[Index].Position)) {
        oldCount += gap.size();
        newCount += gap.size();
        continue;
      }
      const std::size_t trailing = std::min(gap.size(), Context);
      oldCount += trailing;
      newCount += trailing;
      hunk.End = trailing < gap.size() ? gap[trailing].first : Walk.Position();
      Recent.assign(gap.begin() + static_cast<std::ptrdiff_t>(std::max(
                                      trailing, gap.size() - std::min(gap.size(), Context))),
                    gap.end());
      break;
    }
    if (File.Failed()) {
      Broken = true;
      return false;
    }
    hunk.Next = Index;
    hunk.OldCount = oldCount;
    hunk.NewCount = newCount;
    hunk.NewFirst = hunk.OldFirst + Shift;  // Shift only ever adds back what it took
    Shift += newCount;
    Shift -= oldCount;
    return true;
  }

  bool Failed() const { return Broken || File.Failed(); }
  bool ReadFailed() const { return File.Failed(); }

 private:
  // Steps over a line that is not changed, keeping it as a candidate for context.
  void Remember() {
    Recent.emplace_back(Walk.Position(), Walk.Number());
    if (Recent.size() > Context) Recent.pop_front();
    Walk.Step();
  }

  Blocks File;
  LineWalk Walk;
  const Plan& Changes;
  std::size_t Context;
  std::size_t Index = 0;
  std::uint64_t Shift = 0;  // new lines minus old lines of the hunks so far (modulo 2^64)
  std::deque<std::pair<std::uint64_t, std::uint64_t>> Recent;  // (start, number) of lines before
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Gap;    // lines after a change
  bool Broken = false;
};

// Writes lines under a mark: each line's mark and colour, its bytes, the reset and its line
// feed, and the note patch expects after a last line that has none.
class MarkedLines {
 public:
  MarkedLines(std::ostream& out, char mark, const std::string& colour, const std::string& reset)
      : Out(out), Mark(mark), Colour(colour), Reset(reset) {}

  void Write(std::string_view bytes) {
    while (!bytes.empty()) {
      if (AtLineStart) {
        Out << Colour << Mark;
        AtLineStart = false;
      }
      const std::size_t feed = bytes.find('\n');
      const std::size_t piece = feed == std::string_view::npos ? bytes.size() : feed;
      Out.write(bytes.data(), static_cast<std::streamsize>(piece));
      if (feed == std::string_view::npos) return;
      Out << Reset << '\n';
      AtLineStart = true;
      bytes.remove_prefix(feed + 1);
    }
  }

  void Finish() {
    if (!AtLineStart) Out << Reset << "\n\\ No newline at end of file\n";
    AtLineStart = true;
  }

 private:
  std::ostream& Out;
  char Mark;
  const std::string& Colour;
  const std::string& Reset;
  bool AtLineStart = true;
};

std::string Range(std::uint64_t first, std::uint64_t count) {
  // An empty range names the line before it, as patch expects.
  const std::uint64_t start = count == 0 ? first : first + 1;
  return count == 1 ? std::to_string(start) : std::to_string(start) + "," + std::to_string(count);
}

// Walks behind the scout and prints each hunk it found.
class HunkPrinter {
 public:
  HunkPrinter(std::ostream& out, ByteSource& source, const Plan& plan, const Palette& palette)
      : Out(out), File(source), Walk(File), Changes(plan), Colours(palette) {}

  bool Print(const Hunk& hunk) {
    while (Walk.Position() < hunk.Start && !Walk.AtEnd()) Walk.Step();
    Out << Colours.Hunk << "@@ -" << Range(hunk.OldFirst, hunk.OldCount) << " +"
        << Range(hunk.NewFirst, hunk.NewCount) << " @@" << Colours.Reset << '\n';
    std::size_t index = Changes.Changing(hunk.First);
    while (index < hunk.Next || Walk.Position() < hunk.End) {
      if (index < hunk.Next && !Walk.Before(Changes[index].Position)) {
        Change change;
        if (!TakeChange(File, Walk, Changes, index, change)) return false;
        PrintChange(change);
        index = change.Next;
      } else {
        const std::uint64_t start = Walk.Position();
        Walk.Step();
        MarkedLines same(Out, ' ', None, None);
        File.Each(start, Walk.Position(), [&](std::string_view bytes) { same.Write(bytes); });
        same.Finish();
      }
      if (File.Failed()) return false;
    }
    return !File.Failed();
  }

 private:
  void PrintChange(const Change& change) {
    MarkedLines removed(Out, '-', Colours.Removed, Colours.Reset);
    File.Each(change.Start, change.End, [&](std::string_view bytes) { removed.Write(bytes); });
    removed.Finish();
    MarkedLines added(Out, '+', Colours.Added, Colours.Reset);
    std::uint64_t copied = change.Start;
    for (std::size_t index = change.First; index < change.Next;
         index = Changes.Changing(index + 1)) {
      const TextReplacement replacement = Changes[index];
      File.Each(copied, replacement.Position, [&](std::string_view bytes) { added.Write(bytes); });
      added.Write(replacement.Replacement);
      copied = replacement.Position + replacement.Matched.size();
    }
    File.Each(copied, change.End, [&](std::string_view bytes) { added.Write(bytes); });
    added.Finish();
  }

  std::ostream& Out;
  Blocks File;
  LineWalk Walk;
  const Plan& Changes;
  const Palette& Colours;
  const std::string None;
};

// Every replacement is where it was planned, in order and apart: checked before a line is
// printed, so a file changed since its search prints nothing.
ReplacementDiffResult CheckPlan(ByteSource& source, const Plan& plan) {
  Blocks file(source);
  std::uint64_t copied = 0;
  for (std::size_t index = 0; index < plan.Size(); ++index) {
    const TextReplacement replacement = plan[index];
    if (replacement.Position < copied || !file.Holds(replacement.Position, replacement.Matched))
      return file.Failed() ? ReplacementDiffResult::ReadFailed
                           : ReplacementDiffResult::MatchChanged;
    copied = replacement.Position + replacement.Matched.size();
  }
  return ReplacementDiffResult::Printed;
}

}  // namespace

ReplacementDiffResult PrintReplacementDiff(std::ostream& out, const std::string& oldLabel,
                                           const std::string& newLabel, ByteSource& file,
                                           std::size_t count,
                                           const std::function<TextReplacement(std::size_t)>& at,
                                           const Palette& palette, std::size_t context) {
  const Plan plan(count, at);
  if (plan.Changing(0) == plan.Size()) return ReplacementDiffResult::NothingChanged;
  const ReplacementDiffResult checked = CheckPlan(file, plan);
  if (checked != ReplacementDiffResult::Printed) return checked;
  HunkScout scout(file, plan, context);
  HunkPrinter printer(out, file, plan, palette);
  out << palette.Removed << "--- " << oldLabel << palette.Reset << '\n'
      << palette.Added << "+++ " << newLabel << palette.Reset << '\n';
  Hunk hunk;
  while (scout.Next(hunk))
    if (!printer.Print(hunk)) return ReplacementDiffResult::ReadFailed;
  if (scout.ReadFailed()) return ReplacementDiffResult::ReadFailed;
  if (scout.Failed()) return ReplacementDiffResult::MatchChanged;
  return ReplacementDiffResult::Printed;
}

}  // namespace RegexTool
