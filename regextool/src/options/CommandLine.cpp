#include "CommandLine.h"

#include <grepcore/Streams.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <locale>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ChangeCommand.h"
#include "Colour.h"
#include "DefaultInput.h"
#include "ExitStatus.h"
#include "KeptPlan.h"
#include "LineCommands.h"
#include "LineInput.h"
#include "LineSearchOptions.h"
#include "ParseMessages.h"
#include "StringCommands.h"
#include "WordScan.h"

#ifndef REGEXTOOL_VERSION
#define REGEXTOOL_VERSION "unknown"
#endif

namespace RegexTool {
namespace {

const char* const Footer =
    "Exit status: 0 when something matched or was changed (merge: once it wrote its input),\n"
    "1 when nothing was, 2 on a bad command line, a bad pattern, a file that could not be read\n"
    "or changed, unreadable standard input or output that could not be written.\n"
    "Put -- before a PATTERN that starts with a dash.";

// What every sub-command reads from the command line, whichever one runs.
struct Arguments {
  PatternSettings Settings;
  std::string Text;
  std::string Format;
  std::string Colour = "auto";
  std::string SaveExtension;
  std::string BackupSuffix;
  bool First = false;
  bool Whole = false;
  bool Json = false;
  bool NoCopy = false;
  bool Count = false;
  bool DryRun = false;
  bool WholeText = false;
  bool ContextRecords = false;
};

void AddPatternOptions(CLI::App& command, Arguments& arguments) {
  PatternSettings& settings = arguments.Settings;
  command.add_option("PATTERN", settings.Pattern, "the regular expression")->required();
  command.add_flag("-i,--ignore-case", settings.CaseInsensitive,
                   "letters match regardless of case");
  command.add_option("--syntax", settings.Syntax, "normal (default), basic, extended or literal")
      ->check(CLI::IsMember(SyntaxNames()));
  command
      .add_option("--option", settings.CompileOptions,
                  "add a single compile option by name, e.g. NewlineAsAlternationOperator")
      ->allow_extra_args(false)
      ->check(CLI::IsMember(CompileOptionNames()));
  command
      .add_option("--match-option", settings.MatchOptions,
                  "add a match option by name, e.g. MatchNotDotNewline")
      ->allow_extra_args(false)
      ->check(CLI::IsMember(MatchOptionNames()));
  command.add_flag("--shortest", settings.Shortest, "take the first match found at a position");
}

void AddStreamingOptions(CLI::App& command, Arguments& arguments) {
  command.add_flag("--whole-text", arguments.WholeText,
                   "take the input as one text, so a match may span lines (memory grows with it)");
}

CLI::App* AddTextCommand(CLI::App& app, const std::string& name, const std::string& help,
                         Arguments& arguments) {
  CLI::App* command = app.add_subcommand(name, help);
  AddPatternOptions(*command, arguments);
  command->add_option("TEXT", arguments.Text, "the text; standard input when left out");
  command->add_flag("--json", arguments.Json, "one JSON object per match");
  return command;
}

// The text of a text command: the argument when given, else all of standard input.
bool TakeText(bool given, std::string& argument, int input, std::string& text, std::ostream& err) {
  if (given) {
    text = std::move(argument);
    return true;
  }
  grepcore::Result<std::string> read = grepcore::ReadWholeInput(input);
  if (!read) {
    err << "regextool: cannot read standard input: " << read.Error().Message << '\n';
    return false;
  }
  text = std::move(*read);
  return true;
}

// What only change reads from the command line.
struct ChangeArguments {
  std::vector<std::string> Paths;
  std::vector<std::string> Globs, Include, Exclude;
  bool Hidden = false;
  bool NoIgnore = false;
  bool Binary = false;
  unsigned Threads = 0;   // 0: one per core
  std::string PlanFile;   // --plan: the plan is kept there, nothing is written
  std::string ApplyFile;  // --apply: the kept plan applied
  bool Json = false;      // --apply: one JSON object per planned file
};

CLI::App* AddChangeCommand(CLI::App& app, Arguments& arguments, ChangeArguments& change) {
  CLI::App* command = app.add_subcommand(
      "change",
      "replace every match in the files PATH names by FORMAT, each file rewritten safely");
  AddPatternOptions(*command, arguments);
  command
      ->add_option("FORMAT", arguments.Format,
                   "replacement: $& $1.. $` $' $$ and escapes; empty deletes the matches")
      ->required();
  command
      ->add_option("PATH", change.Paths,
                   "files and directories (changed through); a quoted mask such as "
                   "'src/*.cpp' works too")
      ->required();
  command->add_flag("-r,--recursive", arguments.Settings.Recursive,
                    "a mask's file name part applies in every directory below too");
  command->add_option("--glob", change.Globs,
                      "only files whose path matches (** and {a,b}; a leading ! excludes)");
  command->add_option("--include", change.Include, "only files whose name matches");
  command->add_option("--exclude", change.Exclude, "no file whose name matches");
  command->add_flag("--hidden", change.Hidden, "dot files and dot directories too");
  command->add_flag("--no-ignore", change.NoIgnore,
                    "change what ignore files exclude too (.gitignore, .git/info/exclude, "
                    ".ignore, .rgignore)");
  command->add_flag("-a,--text", change.Binary, "change files that look binary too");
  command->add_flag("--whole-text", arguments.WholeText,
                    "a match may span lines (. then takes line feeds too)");
  command->add_option("-j,--threads", change.Threads, "files worked on at once (default: cores)");
  command->add_option("--save-ext", arguments.SaveExtension,
                      "keep each file's old content beside it, under this extension (e.g. bak)");
  command
      ->add_option("--backup", arguments.BackupSuffix,
                   "keep each file's old content beside it, the suffix appended to its name "
                   "(.bak: f.txt.bak, an earlier one replaced, as sed -i.bak)")
      ->type_name("SUFFIX");
  command->add_flag("--first", arguments.First, "replace only the first match of each line");
  command->add_flag("-n,--dry-run", arguments.DryRun,
                    "show a unified diff of the changes, touch nothing");
  command
      ->add_option("--plan", change.PlanFile,
                   "keep the plan in FILE (a new file) and change nothing: each file to write, "
                   "what was read of it and what it is to hold")
      ->type_name("FILE");
  command
      ->add_option("--apply", change.ApplyFile,
                   "apply the plan kept in FILE (alone, or with -j and --json): each file is "
                   "written only while it is as planned, so a second apply writes nothing")
      ->type_name("FILE");
  command->add_flag("--json", change.Json, "with --apply: one JSON object per planned file");
  command->add_option("--color,--colour", arguments.Colour, "auto (on a terminal), always or never")
      ->check(CLI::IsMember({"auto", "always", "never"}));
  return command;
}

ChangeCommand MakeChangeCommand(const Arguments& arguments, const ChangeArguments& change,
                                ColourChoice colour) {
  ChangeCommand run;
  run.Format = arguments.Format;
  run.Paths.Paths = change.Paths;
  run.Paths.Globs = change.Globs;
  run.Paths.Include = change.Include;
  run.Paths.Exclude = change.Exclude;
  run.Paths.Hidden = change.Hidden;
  run.Paths.NoIgnore = change.NoIgnore;
  run.Paths.MaskRecursion = arguments.Settings.Recursive;
  run.SaveExtension = arguments.SaveExtension;
  if (!run.SaveExtension.empty() && run.SaveExtension[0] == '.') run.SaveExtension.erase(0, 1);
  run.BackupSuffix = arguments.BackupSuffix;
  run.First = arguments.First;
  run.DryRun = arguments.DryRun;
  run.Binary = change.Binary;
  run.WholeText = arguments.WholeText;
  run.Threads =
      change.Threads != 0 ? change.Threads : std::max(1u, std::thread::hardware_concurrency());
  run.Progress = grepcore::IsTerminal(grepcore::StandardError);
  run.PlanFile = change.PlanFile;
  run.Json = change.Json;
  run.Colour = UseColour(colour, grepcore::StandardOutput);
  return run;
}

// Whether the words run `change` with --apply (before any `--`).
bool ChangeCommandApplies(const std::vector<std::string>& words) {
  if (words.size() < 2 || words[1] != "change") return false;
  for (std::size_t i = 2; i < words.size(); ++i) {
    if (words[i] == "--") return false;
    if (words[i] == "--apply" || words[i].compare(0, 8, "--apply=") == 0) return true;
  }
  return false;
}

// A dry run, a kept plan (--plan) and an apply of one are each a run of their own (an apply's
// own words are checked as the plan is read); --json tells an apply's outcomes.
bool ChangeModesAgree(const ChangeCommand& run, bool applying, std::ostream& err) {
  if (run.DryRun && (applying || !run.PlanFile.empty())) {
    err << "regextool: change: " << (applying ? "--apply" : "--plan")
        << " and --dry-run do not go together: a plan is made, or applied, or shown\n";
    return false;
  }
  if (run.Json && !applying) {
    err << "regextool: change: --json goes with --apply\n";
    return false;
  }
  return true;
}

}  // namespace

int RunCommandLine(int argc, char** argv, int input, std::ostream& out, std::ostream& err) {
  CLI::App app("Search, grep and safe search-and-replace with POSIX regular expressions.",
               "regextool");
  app.set_version_flag("--version", std::string("regextool ") + REGEXTOOL_VERSION);
  app.require_subcommand(1);
  app.footer(Footer);

  Arguments arguments;
  CLI::App* match =
      AddTextCommand(app, "match", "match PATTERN at the start of the text", arguments);
  match->add_flag("--whole", arguments.Whole, "the match must take the whole text");
  CLI::App* search =
      AddTextCommand(app, "search", "the first match anywhere in the text", arguments);
  CLI::App* grepText = AddTextCommand(
      app, "grep-text", "every match in the text, line by line, with its groups", arguments);
  AddStreamingOptions(*grepText, arguments);
  grepText->add_flag("--context-records", arguments.ContextRecords,
                     "print each match's prefix and suffix too");

  CLI::App* merge = app.add_subcommand(
      "merge", "copy standard input to standard output, each match replaced by FORMAT");
  AddPatternOptions(*merge, arguments);
  merge->add_option("FORMAT", arguments.Format, "replacement: $& $1.. $` $' $$ and escapes")
      ->required();
  merge->add_flag("--no-copy", arguments.NoCopy,
                  "write the replacements only, not the text between");
  merge->add_flag("--first", arguments.First,
                  "replace only the first match of each line (sed's s/// without g)");
  AddStreamingOptions(*merge, arguments);

  // grep and grep-files are one command under two names: what grep users type first.
  LineSearchArguments grepArguments;
  CLI::App* grep = app.add_subcommand(
      "grep", "the lines matching PATTERN in files and directories, or in standard input");
  AddLineSearchOptions(*grep, grepArguments, false);
  LineSearchArguments grepFilesArguments;
  CLI::App* grepFiles = app.add_subcommand(
      "grep-files", "the lines matching PATTERN in files and directories, as grep -r prints them");
  AddLineSearchOptions(*grepFiles, grepFilesArguments, false);

  CLI::App* findFiles = app.add_subcommand(
      "find-files", "the names of the files holding a line that matches PATTERN (grep-files -l)");
  LineSearchArguments findFilesArguments;
  AddLineSearchOptions(*findFiles, findFilesArguments, true);

  ChangeArguments changeArguments;
  CLI::App* change = AddChangeCommand(app, arguments, changeArguments);

  const std::pair<CLI::App*, LineSearchArguments*> lineSearches[] = {
      {grep, &grepArguments}, {grepFiles, &grepFilesArguments}, {findFiles, &findFilesArguments}};

  std::vector<std::string> words = ShieldBrackets(argc, argv);
  // An apply takes the pattern, the format, the files and their options from the kept plan.
  KeptPlan applied;
  const bool applying = ChangeCommandApplies(words);
  if (applying) {
    std::vector<std::string> spliced;
    std::string reason;
    if (!WordsOfApply(words, spliced, applied, reason)) {
      err << "regextool: change --apply: " << reason << '\n';
      return Trouble;
    }
    words = std::move(spliced);
  }
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!words[i].empty() && words[i][0] == '-') continue;
    for (const auto& lineSearch : lineSearches)
      if (words[i] == lineSearch.first->get_name())
        lineSearch.second->Last = ScanLineSearchWords(*lineSearch.first, words, i);
    break;
  }
  std::vector<char*> wordPointers;
  for (std::string& word : words) wordPointers.push_back(&word[0]);
  try {
    app.parse(static_cast<int>(wordPointers.size()), wordPointers.data());
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    ReportParseError(app, e, words, err);
    return Trouble;
  }

  const std::locale locale = ProgramLocale();
  arguments.Settings.Locale = locale;
  const PatternSettings& settings = arguments.Settings;
  ColourChoice colourChoice = ColourChoice::Auto;
  ParseColourChoice(arguments.Colour, colourChoice);

  for (CLI::App* command : {match, search, grepText}) {
    if (!command->parsed()) continue;
    StringCommand run;
    run.Json = arguments.Json;
    if (command == match)
      run.Operation = arguments.Whole ? StringOperation::MatchAll : StringOperation::Match;
    else if (command == search)
      run.Operation = StringOperation::Search;
    else
      run.Operation = StringOperation::Grep;
    const bool given = command->count("TEXT") != 0;
    if (command == grepText) {
      run.Context = arguments.ContextRecords;
      if (!arguments.WholeText) {
        LineInput lines = given ? LineInput(std::move(arguments.Text)) : LineInput(input);
        return RunLineGrep(settings, run, lines, out, err);
      }
    }
    std::string text;
    if (!TakeText(given, arguments.Text, input, text, err)) return Trouble;
    return RunStringCommand(settings, run, std::move(text), out, err);
  }
  if (merge->parsed()) {
    MergeCommand run;
    run.Format = arguments.Format;
    run.Copy = !arguments.NoCopy;
    run.First = arguments.First;
    if (!arguments.WholeText) {
      LineInput lines(input);
      return RunLineMerge(settings, run, lines, out, err);
    }
    std::string text;
    if (!TakeText(false, arguments.Text, input, text, err)) return Trouble;
    return RunMerge(settings, run, std::move(text), out, err);
  }
  for (const auto& [command, parsed] : lineSearches) {
    if (!command->parsed()) continue;
    LineSearchArguments& lineSearch = *parsed;
    SearchSurroundings surroundings;
    surroundings.OutputIsTerminal = grepcore::IsTerminal(grepcore::StandardOutput);
    surroundings.InputHoldsData = InputHoldsData(input);
    surroundings.Locale = locale;
    if (!FinishLineSearch(*command, lineSearch, surroundings, err)) return Trouble;
    const grepcore::Result<grepcore::StreamIdentity> output =
        grepcore::IdentifyStream(grepcore::StandardOutput);
    if (output)
      lineSearch.Command.OutputFile =
          OutputIdentity{output->RegularFile, output->Device, output->Inode};
    return RunLineSearch(lineSearch.Command, input, out, err);
  }
  if (change->parsed()) {
    if (!arguments.BackupSuffix.empty() && !arguments.SaveExtension.empty()) {
      err << "regextool: change: --backup and --save-ext each name the saved copy; give one\n";
      return Trouble;
    }
    if (arguments.BackupSuffix.find('/') != std::string::npos) {
      err << "regextool: change: a --backup suffix may not hold '/': the backup stays beside "
             "its file\n";
      return Trouble;
    }
  }
  if (change->parsed()) {
    ChangeCommand run = MakeChangeCommand(arguments, changeArguments, colourChoice);
    if (!ChangeModesAgree(run, applying, err)) return Trouble;
    if (!run.PlanFile.empty())
      run.Recorded = RecordedWords(std::vector<std::string>(words.begin() + 2, words.end()));
    if (applying) {
      run.Applying = true;
      run.Applied = std::move(applied.Files);
    }
    return RunChange(settings, run, out, err);
  }
  return Trouble;  // the parser asks for one sub-command
}

}  // namespace RegexTool
