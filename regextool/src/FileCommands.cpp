#include "FileCommands.h"

#include <utility>
#include <vector>

#include "Colour.h"
#include "ExitStatus.h"
#include "MatchPrinter.h"

namespace RegexTool {
namespace {

using RegexClass::RegularExpression;
using RegexClass::REMatchInfo;

bool Prepare(RegularExpression& re, const PatternSettings& settings, const std::string& mask,
             std::ostream& err) {
  Configure(re, settings);
  re.SetFilesToMatch(mask);
  std::string error;
  if (!CompilePattern(re, error)) {
    err << "regextool: bad pattern: " << error << '\n';
    return false;
  }
  return true;
}

// The file search reads the pattern in the normal syntax, whatever else was asked.
void NoteSyntax(const RegularExpression& re, std::ostream& err) {
  if (ChangesSyntax(re))
    err << "regextool: note: files are searched with the pattern in the normal syntax; "
           "--syntax and --option do not apply to the search\n";
}

class GrepPrinter {
 public:
  GrepPrinter(std::ostream& out, const GrepFilesCommand& command)
      : Out(out), Command(command), Colours(command.Colour) {}

  // Output that can no longer be written ends the search: the rest would be lost.
  void OnMatch(RegularExpression*, std::string file, const REMatchInfo& matches, unsigned int line,
               bool& bcontinue) {
    Print(file, matches, line);
    if (!Out) bcontinue = false;
  }

  void PrintCounts(unsigned int total) const {
    for (const auto& entry : Counts)
      Out << Colours.File << entry.first << Colours.Reset << Colours.Separator << ':'
          << Colours.Reset << entry.second << '\n';
    Out << "total: " << total << (total == 1 ? " match in " : " matches in ") << Counts.size()
        << (Counts.size() == 1 ? " file\n" : " files\n");
  }

 private:
  void Print(const std::string& file, const REMatchInfo& matches, unsigned int line) {
    if (Command.Count) {
      if (Counts.empty() || Counts.back().first != file) Counts.emplace_back(file, 0);
      ++Counts.back().second;
      return;
    }
    if (Command.Json) {
      FileMatch match;
      match.File = &file;
      match.Matches = &matches;
      match.Line = line;
      PrintJson(Out, match);
      return;
    }
    const std::string whole = matches.empty() ? std::string() : matches[0].MatchString;
    Out << Colours.File << file << Colours.Reset << Colours.Separator << ':' << Colours.Reset
        << Colours.Line << line << Colours.Reset << Colours.Separator << ':' << Colours.Reset
        << Colours.Match << whole << Colours.Reset << '\n';
  }

  std::ostream& Out;
  const GrepFilesCommand& Command;
  Palette Colours;
  std::vector<std::pair<std::string, unsigned int>> Counts;
};

class FoundPrinter {
 public:
  explicit FoundPrinter(std::ostream& out) : Out(out) {}
  void OnFound(RegularExpression*, std::string file, bool& bcontinue) {
    Out << file << '\n';
    if (!Out) bcontinue = false;
  }

 private:
  std::ostream& Out;
};

}  // namespace

int RunGrepFiles(const PatternSettings& settings, const GrepFilesCommand& command,
                 std::ostream& out, std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, command.Mask, err)) return Trouble;
  NoteSyntax(re, err);
  GrepPrinter printer(out, command);
  re.SetOnGreppingFilesClosure(
      RegularExpression::FileMatchEventClosure(&printer, &GrepPrinter::OnMatch));
  const unsigned int total = re.GrepFiles();
  if (command.Count) printer.PrintCounts(total);
  return total != 0 ? Found : NothingFound;
}

int RunFindFiles(const PatternSettings& settings, const FindFilesCommand& command,
                 std::ostream& out, std::ostream& err) {
  RegularExpression re;
  if (!Prepare(re, settings, command.Mask, err)) return Trouble;
  NoteSyntax(re, err);
  FoundPrinter printer(out);
  re.SetOnFindFilesClosure(
      RegularExpression::FileFoundEventClosure(&printer, &FoundPrinter::OnFound));
  return re.FindFiles() != 0 ? Found : NothingFound;
}

}  // namespace RegexTool
