#include "LineCommands.h"

#include <grepcore/Regularexpressionclass.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExitStatus.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchInfo;
using RegexClass::REMatchViewInfo;

bool Prepare(RegularExpression& re, const PatternSettings& settings, std::ostream& err) {
  Configure(re, settings);
  std::string error;
  if (CompilePattern(re, error)) return true;
  err << "regextool: bad pattern: " << error << '\n';
  return false;
}

// Lines are handed to the library in blocks: one call per block instead of one per line. The
// grep's handlers take the view events, whose records copy nothing, so a block's size does
// not add to the cost of a match.
constexpr std::size_t GrepBlockBytes = 64 * 1024;
constexpr std::size_t MergeBlockBytes = 64 * 1024;

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
std::string BlockText(std::string_view lines) {
  if (!lines.empty() && lines.back() == '\n') lines.remove_suffix(1);
  return std::string(lines);
}

bool TakesLineFeed(const REMatchViewInfo& matches) {
  return !matches.empty() && matches[0].MatchString.find('\n') != std::string::npos;
}

// Keeps the engine's message when it gave up on `re`'s last operation; true once it has.
bool GaveUp(const RegularExpression& re, std::string& reason) {
  if (reason.empty() && re.LastOperationAbandoned()) reason = re.GetAbandonReason();
  return !reason.empty();
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
  unsigned int Line = 1;
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

// A match held back until its block is known to hold no match that takes a line feed.
struct HeldMatch {
  REMatchInfo Matches;
  unsigned int Line = 0;
  std::uint64_t LineStart = 0;
};

// The grep of the input: a block at a time while no match takes a line feed, a line at a
// time from the first block where one did.
class LineGrep {
 public:
  LineGrep(RegularExpression& re, std::ostream& out, const StringCommand& command)
      : Re(re), Out(out), Command(command) {
    Re.SetOnGreppingViewClosure(
        RegularExpression::ContinueMatchViewEventClosure(this, &LineGrep::OnGrep));
    Re.SetOnSearchingViewClosure(
        RegularExpression::MatchViewEventClosure(this, &LineGrep::OnSearch));
  }

  void Block(std::string_view lines) {
    std::string text = BlockText(lines);
    if (!text.empty()) {
      Held.clear();
      Holding = true;
      Re.SetStringToMatch(std::move(text));
      Re.Grep();
      Holding = false;
      if (GaveUp(Re, Abandon)) return;
      if (!Crossed) {
        for (const HeldMatch& held : Held)
          Print(&held.Matches, nullptr, Where.Line + held.Line - 1, Where.Offset + held.LineStart);
        Where.Pass(lines);
        return;
      }
    }
    EachLine(lines, [this](std::string_view line, bool terminated) { Line(line, terminated); });
  }

  void Line(std::string_view line, bool terminated) {
    Re.SetStringToMatch(std::string(line));
    if (line.empty())
      Re.Search();
    else
      Re.Grep();
    GaveUp(Re, Abandon);
    ++Where.Line;
    Where.Offset += line.size() + (terminated ? 1 : 0);
  }

  // Once a match took a line feed, blocks would only be searched twice.
  bool Crossed = false;
  unsigned int Count = 0;
  std::string Abandon;  // the engine's message once it gave up

 private:
  void Print(const REMatchInfo* owned, const REMatchViewInfo* views, unsigned int line,
             std::uint64_t lineStart) {
    if (owned != nullptr)
      FillParts(*owned);
    else
      FillParts(*views);
    StringMatch match;
    match.Index = ++Count;
    match.Parts = Parts.data();
    match.PartCount = Parts.size() >= 2 ? Parts.size() - 2 : 0;
    if (Parts.size() >= 2) {
      match.Prefix = Parts[Parts.size() - 2];
      match.Suffix = Parts[Parts.size() - 1];
    }
    match.Line = line;
    match.LineStart = lineStart;
    match.Offset = Where.Offset;
    match.Context = Command.Context;
    Text.clear();
    if (Command.Json)
      PrintJson(Text, match);
    else
      PrintReadable(Text, match);
    Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
  }

  template <class Info>
  void FillParts(const Info& info) {
    Parts.resize(info.size());
    for (std::size_t i = 0; i < info.size(); ++i) {
      Parts[i].Taken = info[i].Position >= 0;
      Parts[i].Text = info[i].MatchString;
      Parts[i].Position = Parts[i].Taken ? static_cast<std::uint64_t>(info[i].Position) : 0;
    }
  }

  void OnGrep(RegularExpression*, const REMatchViewInfo& matches, unsigned int line,
              std::uint64_t lineStart, bool& bcontinue) {
    if (!Holding) {
      Print(nullptr, &matches, Where.Line, Where.Offset);
      if (!Out) bcontinue = false;
      return;
    }
    if (TakesLineFeed(matches)) {
      Crossed = true;
      bcontinue = false;
      return;
    }
    HeldMatch held;
    held.Line = line;
    held.LineStart = lineStart;
    // The prefix and suffix are not printed: kept as records that took no part.
    const std::size_t kept = matches.size() >= 2 ? matches.size() - 2 : matches.size();
    held.Matches.resize(matches.size());
    for (std::size_t i = 0; i < kept; ++i) {
      held.Matches[i].MatchString = std::string(matches[i].MatchString);
      held.Matches[i].Position = matches[i].Position;
    }
    Held.push_back(std::move(held));
  }

  // The library's grep takes an empty text for no text: an empty line is searched instead,
  // where its one possible (empty) match is found.
  void OnSearch(RegularExpression*, const REMatchViewInfo& matches, unsigned int, std::uint64_t) {
    Print(nullptr, &matches, Where.Line, Where.Offset);
  }

  RegularExpression& Re;
  std::ostream& Out;
  const StringCommand& Command;
  Place Where;
  bool Holding = false;
  std::vector<HeldMatch> Held;
  std::vector<MatchPart> Parts;
  std::string Text;
};

// The merge of the input: a block at a time while no match takes a line feed, a line at a
// time from the first block where one did. Notes whether anything matched.
class LineMerge {
 public:
  LineMerge(RegularExpression& re, std::ostream& out, const MergeCommand& command)
      : Re(re), Out(out), Format(LibraryFormat(command.Format)), Copy(command.Copy) {
    Re.SetOnSearchingViewClosure(
        RegularExpression::MatchViewEventClosure(this, &LineMerge::OnSearch));
    Re.SetFormatString(Format);
    Re.SetMergeCopy(Copy);
  }

  void Block(std::string_view lines) {
    std::string text = BlockText(lines);
    if (!text.empty()) {
      Re.SetStringToMatch(std::move(text));
      // A first merge writes one mark and the match for every match, and nothing else: a
      // line feed in it is a match that took one.
      Re.SetFormatString("x$&");
      Re.SetMergeCopy(false);
      Re.Merge(Result);
      Re.SetFormatString(Format);
      Re.SetMergeCopy(Copy);
      if (GaveUp(Re, Abandon)) return;
      Crossed = Result.find('\n') != std::string::npos;
      if (!Crossed) {
        Found = Found || !Result.empty();
        Re.Merge(Result);
        if (GaveUp(Re, Abandon)) return;
        Out << Result;
        if (lines.back() == '\n' && Copy) Out << '\n';
        return;
      }
    }
    EachLine(lines, [this](std::string_view line, bool terminated) { Line(line, terminated); });
  }

  void Line(std::string_view line, bool terminated) {
    Result.clear();
    Re.SetStringToMatch(std::string(line));
    if (line.empty()) {
      // Merge takes an empty text for no text: the empty line's one possible match is
      // formatted directly.
      Emptied = true;
      Found = Re.Search() || Found;
      Emptied = false;
    } else {
      Re.Merge(Result);
      if (GaveUp(Re, Abandon)) return;
      if (!Found) Found = (Copy ? Result != line : !Result.empty()) || Re.Search();
    }
    if (GaveUp(Re, Abandon)) return;
    Out << Result;
    if (terminated && Copy) Out << '\n';
  }

  bool Crossed = false;
  bool Found = false;
  std::string Abandon;  // the engine's message once it gave up

 private:
  void OnSearch(RegularExpression* sender, const REMatchViewInfo&, unsigned int, std::uint64_t) {
    if (Emptied) sender->Format(Result);
  }

  RegularExpression& Re;
  std::ostream& Out;
  const std::string Format;
  const bool Copy;
  std::string Result;
  bool Emptied = false;
};

}  // namespace

int RunLineGrep(const PatternSettings& settings, const StringCommand& command, LineInput& input,
                std::ostream& out, std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, err)) return Trouble;
  LineGrep grep(re, out, command);
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
  RegularExpression re;
  if (!Prepare(re, settings, err)) return Trouble;
  LineMerge merge(re, out, command);
  std::string_view lines;
  if (BlocksAreExact(settings, false))
    while (out && !merge.Crossed && merge.Abandon.empty() &&
           input.NextLines(MergeBlockBytes, lines))
      merge.Block(lines);
  bool terminated = false;
  while (out && merge.Abandon.empty() && input.Next(lines, terminated))
    merge.Line(lines, terminated);
  if (!merge.Abandon.empty()) return GiveUpTrouble(merge.Abandon, err);
  if (input.Error() != 0) return ReadTrouble(input, err);
  return merge.Found ? Found : NothingFound;
}

}  // namespace RegexTool
