#include "StringCommands.h"

#include <grepcore/Regex.h>

#include <optional>
#include <utility>
#include <vector>

#include "ExitStatus.h"
#include "PatternError.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

// Output is handed to the stream in pieces of about this size.
constexpr std::size_t OutputPiece = 64 * 1024;

// Prints the matches of one run into a buffer, handed on in pieces.
class MatchListing {
 public:
  MatchListing(std::ostream& out, const StringCommand& command) : Out(out), Command(command) {}
  ~MatchListing() { Flush(); }
  MatchListing(const MatchListing&) = delete;
  MatchListing& operator=(const MatchListing&) = delete;

  // False once the output can no longer be written.
  bool Print(const grepcore::Match& found) {
    Parts.clear();
    for (std::size_t i = 0; i < found.Size(); ++i) Parts.push_back(PartOf(found.Group(i)));
    StringMatch match;
    match.Index = ++Count;
    match.Parts = Parts.data();
    match.PartCount = Parts.size();
    match.Prefix = EndPartOf(found.Prefix());
    match.Suffix = EndPartOf(found.Suffix());
    match.Line = found.Line();
    match.LineStart = found.LineStart();
    match.Context = Command.Context;
    if (Command.Json)
      PrintJson(Buffer, match);
    else
      PrintReadable(Buffer, match);
    if (Buffer.size() >= OutputPiece) Flush();
    return static_cast<bool>(Out);
  }

  void Flush() {
    Out.write(Buffer.data(), static_cast<std::streamsize>(Buffer.size()));
    Buffer.clear();
  }

  std::uint64_t Count = 0;

 private:
  static MatchPart PartOf(const grepcore::Group& group) {
    MatchPart part;
    part.Taken = group.Matched();
    part.Text = group.Text();
    part.Position = part.Taken ? group.Position() : 0;
    return part;
  }

  // An empty prefix or suffix is shown as taking no part, unlike an empty group.
  static MatchPart EndPartOf(const grepcore::Group& group) {
    MatchPart part = PartOf(group);
    part.Taken = part.Taken && !part.Text.empty();
    return part;
  }

  std::ostream& Out;
  const StringCommand& Command;
  std::vector<MatchPart> Parts;
  std::string Buffer;
};

std::optional<grepcore::Pattern> Prepare(const PatternSettings& settings, std::ostream& err) {
  grepcore::Result<grepcore::Pattern> pattern = CompileSettings(settings);
  if (pattern) return std::move(*pattern);
  PrintBadPattern(err, pattern.Error(), settings.Pattern);
  return std::nullopt;
}

// The engine gave up: what it found is not all there is, and nothing found is no answer.
int GaveUp(const grepcore::Error& error, std::ostream& err) {
  err << "regextool: " << error.Message << '\n';
  return Trouble;
}

}  // namespace

// `\E` ends a case conversion that never began: it expands to no text.
std::string LibraryFormat(const std::string& format) { return format.empty() ? "\\E" : format; }

int RunStringCommand(const PatternSettings& settings, const StringCommand& command,
                     std::string text, std::ostream& out, std::ostream& err) {
  const std::optional<grepcore::Pattern> pattern = Prepare(settings, err);
  if (!pattern) return Trouble;
  const grepcore::MatchOptions options = MatchOptionsOf(settings);
  MatchListing listing(out, command);
  if (command.Operation == StringOperation::Grep) {
    // An empty text holds no line, so no match either.
    if (text.empty()) return NothingFound;
    grepcore::MatchRange matches = pattern->Matches(text, options);
    for (const grepcore::Match& match : matches)
      if (!listing.Print(match)) break;
    if (!matches.Outcome()) return GaveUp(matches.Outcome().Error(), err);
    return listing.Count != 0 ? Found : NothingFound;
  }
  const grepcore::Result<std::optional<grepcore::Match>> first =
      command.Operation == StringOperation::Search ? pattern->Search(text, options)
                                                   : pattern->MatchAt(text, options);
  if (!first) return GaveUp(first.Error(), err);
  const std::optional<grepcore::Match>& match = *first;
  // The whole text must be the match found at its start, not merely some match.
  if (!match || (command.Operation == StringOperation::MatchAll && match->End() != text.size()))
    return NothingFound;
  listing.Print(*match);
  return Found;
}

grepcore::Result<std::string> MergeText(const grepcore::Pattern& pattern, std::string_view text,
                                        const std::string& format, const MergeCommand& command,
                                        const grepcore::MatchOptions& options) {
  std::size_t nextLine = 0;  // with First: where the first line without a replacement starts
  const auto taken = [&](const grepcore::Match& match) {
    if (!command.First) return true;
    if (match.Position() < nextLine) return false;
    const std::size_t feed = text.find('\n', match.Position());
    nextLine = feed == std::string_view::npos ? text.size() + 1 : feed + 1;
    return true;
  };
  if (command.Copy)
    return pattern.Replace(
        text,
        [&](const grepcore::Match& match) {
          return taken(match) ? match.Format(format) : std::string(match.Text());
        },
        options);
  std::string result;
  const grepcore::Result<std::size_t> count = pattern.ForEach(
      text,
      [&](const grepcore::Match& match) {
        if (taken(match)) result += match.Format(format);
      },
      options);
  if (!count) return count.Error();
  return result;
}

int RunMerge(const PatternSettings& settings, const MergeCommand& command, std::string text,
             std::ostream& out, std::ostream& err) {
  const std::optional<grepcore::Pattern> pattern = Prepare(settings, err);
  if (!pattern) return Trouble;
  // An empty text holds no line, so nothing to replace either.
  if (text.empty()) return Found;
  const grepcore::Result<std::string> result =
      MergeText(*pattern, text, LibraryFormat(command.Format), command, MatchOptionsOf(settings));
  if (!result) return GaveUp(result.Error(), err);
  out << *result;
  return Found;
}

}  // namespace RegexTool
