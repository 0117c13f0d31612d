#include "LineCommands.h"

#include <grepcore/Regex.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExitStatus.h"
#include "PatternError.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

std::optional<grepcore::Pattern> Prepare(const PatternSettings& settings, std::ostream& err) {
  grepcore::Result<grepcore::Pattern> pattern = CompileSettings(settings);
  if (pattern) return std::move(*pattern);
  PrintBadPattern(err, pattern.Error(), settings.Pattern);
  return std::nullopt;
}

// A line ends at a line feed only, in a block as on its own.
grepcore::MatchOptions LineMatchOptions(const PatternSettings& settings) {
  grepcore::MatchOptions options = MatchOptionsOf(settings);
  options.LineFeedLines = true;
  return options;
}

// Lines are searched in blocks: one walk per block instead of one per line.
constexpr std::size_t GrepBlockBytes = 64 * 1024;
constexpr std::size_t MergeBlockBytes = 64 * 1024;

// Whether a format reads only the match and its groups: $` and $' (and their long names)
// would see past the line in a block.
bool FormatStaysInMatch(const std::string& format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '\\') {
      ++i;
      continue;
    }
    if (format[i] != '$' || i + 1 == format.size()) continue;
    const char next = format[i + 1];
    if (next == '$' || next == '&' || (next >= '0' && next <= '9')) {
      ++i;
      continue;
    }
    if (next == '{' && i + 2 < format.size() && format[i + 2] >= '0' && format[i + 2] <= '9')
      continue;
    return false;
  }
  return true;
}

// Whether a block of lines searched as one text gives the matches the lines give one by one,
// provided no match takes a line feed (which is checked on each block). Match options and
// the buffer anchors \` and \' mean something else for a block than for a line, and the
// prefix and suffix records would run across lines.
bool BlocksAreExact(const PatternSettings& settings, bool context) {
  if (context || settings.Shortest || !settings.MatchOptions.empty()) return false;
  const std::string& pattern = settings.Pattern;
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i)
    if (pattern[i] == '\\' && (pattern[i + 1] == '`' || pattern[i + 1] == '\'')) return false;
  return true;
}

// The lines of a block with the last line feed left off: a block's final empty match after
// that feed belongs to no line. Empty when the block is one empty line.
std::string_view BlockText(std::string_view lines) {
  if (!lines.empty() && lines.back() == '\n') lines.remove_suffix(1);
  return lines;
}

bool TakesLineFeed(const grepcore::Match& match) {
  return match.Text().find('\n') != std::string_view::npos;
}

// The engine gave up: what it found is not all there is, and nothing found is no answer.
int GiveUpTrouble(const std::string& reason, std::ostream& err) {
  err << "regextool: " << reason << '\n';
  return Trouble;
}

int ReadTrouble(const LineInput& input, std::ostream& err) {
  err << "regextool: cannot read standard input: " << std::strerror(input.Error()) << '\n';
  return Trouble;
}

// Where the text being searched starts in the whole input.
struct Place {
  std::uint64_t Line = 1;
  std::uint64_t Offset = 0;

  void Pass(std::string_view lines) {
    for (const char byte : lines)
      if (byte == '\n') ++Line;
    Offset += lines.size();
  }
};

// Calls `visit(line, terminated)` for each line of a block.
template <class Visit>
void EachLine(std::string_view lines, Visit visit) {
  while (!lines.empty()) {
    const std::size_t feed = lines.find('\n');
    const bool terminated = feed != std::string_view::npos;
    const std::size_t length = terminated ? feed : lines.size();
    visit(lines.substr(0, length), terminated);
    lines.remove_prefix(terminated ? length + 1 : length);
  }
}

// The grep of the input: a block at a time while no match takes a line feed, a line at a
// time from the first block where one did.
class LineGrep {
 public:
  LineGrep(const grepcore::Pattern& pattern, grepcore::MatchOptions options, std::ostream& out,
           const StringCommand& command)
      : Pattern(pattern), Options(options), Out(out), Command(command) {}

  void Block(std::string_view lines) {
    const std::string_view text = BlockText(lines);
    if (!text.empty()) {
      // Held until the block is known to hold no match that takes a line feed.
      Held.clear();
      grepcore::MatchRange matches = Pattern.Matches(text, Options);
      for (const grepcore::Match& match : matches) {
        if (TakesLineFeed(match)) {
          Crossed = true;
          break;
        }
        match.Line();  // counted on the range's match, which hands the count on
        Held.push_back(match);
      }
      if (!matches.Outcome()) {
        Abandon = matches.Outcome().Error().Message;
        return;
      }
      if (!Crossed) {
        for (const grepcore::Match& held : Held)
          Print(held, Where.Line + held.Line() - 1, Where.Offset + held.LineStart());
        Where.Pass(lines);
        Flush();
        return;
      }
    }
    EachLine(lines, [this](std::string_view line, bool terminated) { Line(line, terminated); });
  }

  void Line(std::string_view line, bool terminated) {
    if (line.empty()) {
      // The grep finds no match in an empty text; the line's one possible match is searched.
      const grepcore::Result<std::optional<grepcore::Match>> found = Pattern.Search(line, Options);
      if (!found)
        Abandon = found.Error().Message;
      else if (*found)
        Print(**found, Where.Line, Where.Offset);
    } else {
      grepcore::MatchRange matches = Pattern.Matches(line, Options);
      for (const grepcore::Match& match : matches) {
        Print(match, Where.Line, Where.Offset);
        if (!Flush()) break;
      }
      if (!matches.Outcome()) Abandon = matches.Outcome().Error().Message;
    }
    Flush();
    ++Where.Line;
    Where.Offset += line.size() + (terminated ? 1 : 0);
  }

  // Once a match took a line feed, blocks would only be searched twice.
  bool Crossed = false;
  std::uint64_t Count = 0;
  std::string Abandon;  // the engine's message once it gave up

 private:
  void Print(const grepcore::Match& found, std::uint64_t line, std::uint64_t lineStart) {
    Parts.resize(found.Size());
    for (std::size_t i = 0; i < Parts.size(); ++i) Parts[i] = PartOf(found.Group(i), false);
    StringMatch match;
    match.Index = ++Count;
    match.Parts = Parts.data();
    match.PartCount = Parts.size();
    match.Prefix = PartOf(found.Prefix(), true);
    match.Suffix = PartOf(found.Suffix(), true);
    match.Line = line;
    match.LineStart = lineStart;
    match.Offset = Where.Offset;
    match.Context = Command.Context;
    if (Command.Json)
      PrintJson(Buffer, match);
    else
      PrintReadable(Buffer, match);
  }

  // An empty prefix or suffix is shown as taking no part, unlike an empty group.
  static MatchPart PartOf(const grepcore::Group& group, bool end) {
    MatchPart part;
    part.Taken = group.Matched() && !(end && group.Text().empty());
    part.Text = group.Text();
    part.Position = part.Taken ? group.Position() : 0;
    return part;
  }

  // Hands what was printed to the stream; false once it can no longer be written.
  bool Flush() {
    if (!Buffer.empty()) Out.write(Buffer.data(), static_cast<std::streamsize>(Buffer.size()));
    Buffer.clear();
    return static_cast<bool>(Out);
  }

  const grepcore::Pattern& Pattern;
  const grepcore::MatchOptions Options;
  std::ostream& Out;
  const StringCommand& Command;
  Place Where;
  std::vector<grepcore::Match> Held;
  std::vector<MatchPart> Parts;
  std::string Buffer;
};

// The merge of the input: a block at a time while no match takes a line feed, a line at a
// time from the first block where one did.
class LineMerge {
 public:
  LineMerge(const grepcore::Pattern& pattern, grepcore::MatchOptions options, std::ostream& out,
            const MergeCommand& command)
      : Pattern(pattern),
        Options(options),
        Out(out),
        Format(LibraryFormat(command.Format)),
        Command(command),
        Copy(command.Copy) {}

  void Block(std::string_view lines) {
    const std::string_view text = BlockText(lines);
    if (!text.empty()) {
      grepcore::MatchRange matches = Pattern.Matches(text, Options);
      for (const grepcore::Match& match : matches) {
        if (TakesLineFeed(match)) {
          Crossed = true;
          break;
        }
      }
      if (!matches.Outcome()) {
        Abandon = matches.Outcome().Error().Message;
        return;
      }
      if (!Crossed) {
        if (!Merge(text)) return;
        if (lines.back() == '\n' && Copy) Result += '\n';
        Write();
        return;
      }
    }
    EachLine(lines, [this](std::string_view line, bool terminated) { Line(line, terminated); });
  }

  void Line(std::string_view line, bool terminated) {
    Result.clear();
    if (line.empty()) {
      // The merge finds no match in an empty text: the empty line's one possible match is
      // formatted directly.
      const grepcore::Result<std::optional<grepcore::Match>> found = Pattern.Search(line, Options);
      if (!found) {
        Abandon = found.Error().Message;
        return;
      }
      if (*found) Result = (*found)->Format(Format);
    } else if (!Merge(line)) {
      return;
    }
    if (terminated && Copy) Result += '\n';
    Write();
  }

  bool Crossed = false;
  std::string Abandon;  // the engine's message once it gave up

 private:
  // `text` with its matches replaced into Result (only the replacements without Copy); false
  // when the engine gave up.
  bool Merge(std::string_view text) {
    if (Copy && !Command.First) {
      grepcore::Result<std::string> merged = Pattern.Replace(text, Format, Options);
      if (!merged) {
        Abandon = merged.Error().Message;
        return false;
      }
      Result = std::move(*merged);
      return true;
    }
    grepcore::Result<std::string> merged = MergeText(Pattern, text, Format, Command, Options);
    if (!merged) {
      Abandon = merged.Error().Message;
      return false;
    }
    Result = std::move(*merged);
    return true;
  }

  void Write() { Out.write(Result.data(), static_cast<std::streamsize>(Result.size())); }

  const grepcore::Pattern& Pattern;
  const grepcore::MatchOptions Options;
  std::ostream& Out;
  const std::string Format;
  const MergeCommand& Command;
  const bool Copy;
  std::string Result;
};

}  // namespace

int RunLineGrep(const PatternSettings& settings, const StringCommand& command, LineInput& input,
                std::ostream& out, std::ostream& err) {
  const std::optional<grepcore::Pattern> pattern = Prepare(settings, err);
  if (!pattern) return Trouble;
  LineGrep grep(*pattern, LineMatchOptions(settings), out, command);
  std::string_view lines;
  if (BlocksAreExact(settings, command.Context))
    while (out && !grep.Crossed && grep.Abandon.empty() && input.NextLines(GrepBlockBytes, lines))
      grep.Block(lines);
  bool terminated = false;
  while (out && grep.Abandon.empty() && input.Next(lines, terminated)) grep.Line(lines, terminated);
  if (!grep.Abandon.empty()) return GiveUpTrouble(grep.Abandon, err);
  if (input.Error() != 0) return ReadTrouble(input, err);
  return grep.Count != 0 ? Found : NothingFound;
}

int RunLineMerge(const PatternSettings& settings, const MergeCommand& command, LineInput& input,
                 std::ostream& out, std::ostream& err) {
  const std::optional<grepcore::Pattern> pattern = Prepare(settings, err);
  if (!pattern) return Trouble;
  LineMerge merge(*pattern, LineMatchOptions(settings), out, command);
  std::string_view lines;
  if (BlocksAreExact(settings, false) && FormatStaysInMatch(command.Format))
    while (out && !merge.Crossed && merge.Abandon.empty() &&
           input.NextLines(MergeBlockBytes, lines))
      merge.Block(lines);
  bool terminated = false;
  while (out && merge.Abandon.empty() && input.Next(lines, terminated))
    merge.Line(lines, terminated);
  if (!merge.Abandon.empty()) return GiveUpTrouble(merge.Abandon, err);
  if (input.Error() != 0) return ReadTrouble(input, err);
  // As sed: the input was read and written, replaced or not.
  return Found;
}

}  // namespace RegexTool
