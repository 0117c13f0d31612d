#include "LineSearchOptions.h"

#include <grepcore/Streams.h>
#include <grepcore/Walk.h>

#include <CLI/CLI.hpp>
#include <ostream>
#include <thread>

#include "Colour.h"
#include "TextEscaping.h"

namespace RegexTool {
namespace {

// CLI11 takes a word in brackets given to a list option as a list ("[0-9]" as "0-9"); such a
// word is carried through the parser with this mark behind it.
constexpr char BracketShield = '\x1f';

bool Bracketed(const std::string& word) {
  return word.size() >= 2 && word.front() == '[' && word.back() == ']';
}

void Unshield(std::vector<std::string>& words) {
  for (std::string& word : words)
    if (word.size() >= 3 && word.back() == BracketShield && word[word.size() - 2] == ']')
      word.pop_back();
}

// Whether the option `name` exists on `command` and was given.
bool Given(const CLI::App& command, const std::string& name) {
  const CLI::Option* option = command.get_option_no_throw(name);
  return option != nullptr && option->count() != 0;
}

}  // namespace

std::vector<std::string> ShieldBrackets(int argc, char** argv) {
  std::vector<std::string> words(argv, argv + argc);
  bool lineSearch = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!words[i].empty() && words[i][0] == '-') continue;
    lineSearch = words[i] == "grep" || words[i] == "grep-files" || words[i] == "find-files";
    break;
  }
  if (!lineSearch) return words;
  for (std::string& word : words)
    if (Bracketed(word)) word += BracketShield;
  return words;
}

void AddLineSearchOptions(CLI::App& command, LineSearchArguments& arguments, bool listing) {
  LineSearchCommand& run = arguments.Command;
  PatternSettings& pattern = run.Search.Pattern;
  // -h is grep's "no file names"; help stays with --help.
  command.set_help_flag("--help", "print this help and exit");
  command
      .add_option(
          "PATTERN", arguments.Words,
          "the pattern (unless -e or -f gives it), then files and directories to search "
          "(none: standard input when something is sent to it, else the current directory; - is "
          "standard input)")
      ->type_name("[PATH...]");
  command.add_option("-e,--regexp", arguments.Expressions, "a pattern; repeat for more")
      ->allow_extra_args(false)
      ->type_name("PATTERN");
  command.add_option("-f,--file", arguments.PatternFiles, "read patterns from FILE, one a line")
      ->allow_extra_args(false)
      ->type_name("FILE");
  command.add_flag("-E,--extended-regexp", arguments.Extended,
                   "patterns are POSIX extended expressions (-E, -G, -F: the last one wins)");
  command.add_flag("-G,--basic-regexp", arguments.Basic, "patterns are POSIX basic expressions");
  command.add_flag("-F,--fixed-strings", run.Search.Fixed, "patterns are literal text");
  command.add_flag("-i,--ignore-case", pattern.CaseInsensitive, "letters match regardless of case");
  command.add_flag("-S,--smart-case", arguments.SmartCase,
                   "ignore case unless a pattern holds an upper-case letter");
  command.add_flag("-w,--word-regexp", run.Search.WordRegexp, "match whole words only");
  command.add_flag("-x,--line-regexp", run.Search.LineRegexp, "match whole lines only");
  command.add_flag("-z,--null-data", run.Search.NulLines,
                   "lines end at a NUL byte, not a line feed (output lines too); no file is "
                   "binary");
  command.add_option("--syntax", pattern.Syntax, "normal (default), basic, extended or literal")
      ->check(CLI::IsMember(SyntaxNames()));
  command.add_option("--option", pattern.CompileOptions, "add a single compile option by name")
      ->allow_extra_args(false)
      ->check(CLI::IsMember(CompileOptionNames()));
  command.add_option("--match-option", pattern.MatchOptions, "add a match option by name")
      ->allow_extra_args(false)
      ->check(CLI::IsMember(MatchOptionNames()));
  command.add_flag("--shortest", pattern.Shortest, "take the first match found at a position");

  PathSelection& selection = run.Selection;
  command.add_flag("-r,--recursive", selection.MaskRecursion,
                   "accepted (directories are always searched through); with a quoted mask, "
                   "its name part applies in sub-directories too");
  command.add_flag("-R,--dereference-recursive", arguments.DereferenceRecursive,
                   "as -r, and follow symbolic links to files and directories (a loop is "
                   "named and not entered)");
  command.add_flag("--follow", selection.FollowLinks, "follow symbolic links met in directories");
  command
      .add_option("--max-depth", selection.MaxDepth,
                  "descend at most NUM levels below the paths given (0: only files named)")
      ->type_name("NUM");
  command
      .add_option("--exclude-dir", selection.ExcludeDirectories,
                  "skip directories whose name matches GLOB (a named one too)")
      ->allow_extra_args(false)
      ->type_name("GLOB");
  command.add_option("-t,--type", selection.Types, "only files of TYPE (see --type-list)")
      ->allow_extra_args(false)
      ->type_name("TYPE");
  command.add_option("-T,--type-not", selection.NotTypes, "no files of TYPE")
      ->allow_extra_args(false)
      ->type_name("TYPE");
  command.add_flag("--type-list", run.TypeList, "print the file types and their globs, and exit");
  command.add_flag("--files", run.ListFiles,
                   "print the files that would be searched, and search nothing (every word is a "
                   "path)");
  command
      .add_option("-g,--glob", selection.Globs,
                  "only files matching GLOB (!GLOB: not them); ** and {a,b}")
      ->allow_extra_args(false)
      ->type_name("GLOB");
  command.add_option("--include", selection.Include, "only files whose name matches GLOB")
      ->allow_extra_args(false)
      ->type_name("GLOB");
  command.add_option("--exclude", selection.Exclude, "skip files whose name matches GLOB")
      ->allow_extra_args(false)
      ->type_name("GLOB");
  command.add_flag("--hidden", selection.Hidden, "search hidden files and directories too");
  command.add_flag("--no-ignore", selection.NoIgnore,
                   "do not honour ignore files (.gitignore, .git/info/exclude, .ignore, "
                   ".rgignore)");
  command.add_flag("-a,--text", run.Text,
                   "search binary files as text (a NUL byte makes a file binary from its line "
                   "on, or whole in the first 8 KiB: its matches are told by one message)");
  command
      .add_option("-j,--threads", arguments.Threads, "threads to search with (default: the cores)")
      ->check(CLI::NonNegativeNumber)
      ->type_name("NUM");
  command.add_option("--label", run.InputLabel, "show standard input by the name NAME")
      ->type_name("NAME");
  command.add_flag("-s,--no-messages", run.NoMessages,
                   "no messages about missing or unreadable files (the exit status stays)");

  LineOutput& output = run.Output;
  command.add_flag("-Z,--null", output.NullAfterName,
                   "a NUL byte after each file name instead of ':' or a line feed (--files: "
                   "names as they are)");
  if (listing) {
    output.FilesWithMatches = true;
    return;
  }
  command.add_flag("-v,--invert-match", output.Invert, "select lines without a match");
  command.add_flag("-o,--only-matching", output.OnlyMatching, "print only the matches, one a line");
  command.add_flag("-c,--count", output.Count, "print the number of selected lines per file");
  command.add_flag("-l,--files-with-matches", output.FilesWithMatches,
                   "print only names of files with a selected line");
  command.add_flag("-L,--files-without-match", output.FilesWithoutMatch,
                   "print only names of files without one");
  command.add_flag("-q,--quiet", output.Quiet, "print nothing; exit 0 at the first selected line");
  command
      .add_option("-m,--max-count", output.MaxCount,
                  "stop reading a file after NUM selected lines (their context still shows)")
      ->type_name("NUM");
  command.add_flag("-n,--line-number", arguments.LineNumbers,
                   "prefix line numbers (default on a terminal)");
  command.add_flag("-N,--no-line-number", arguments.NoLineNumbers, "no line numbers");
  command.add_flag("-H,--with-filename", run.ForceFileNames,
                   "prefix file names (default with several files)");
  command.add_flag("-h,--no-filename", run.NoFileNames, "no file names (-h, -H: the last wins)");
  command.add_flag("-b,--byte-offset", output.ByteOffset,
                   "prefix the byte offset of each line (-o: of each match)");
  command.add_flag("--column", output.Column,
                   "prefix the column of the first match (-o: of each); implies -n");
  command
      .add_option("-A,--after-context", output.After, "print NUM lines after each selected line")
      ->type_name("NUM");
  command
      .add_option("-B,--before-context", output.Before, "print NUM lines before each selected line")
      ->type_name("NUM");
  command
      .add_option("-C,--context", arguments.Context, "print NUM lines before and after (-NUM too)")
      ->type_name("NUM");
  command
      .add_option("--color,--colour", arguments.Colour,
                  "auto (on a terminal; --color alone too), always or never")
      ->check(CLI::IsMember({"auto", "always", "never"}));
  command
      .add_option("--replace", arguments.Replace,
                  "print each match replaced by TEXT ($&, $1.. as merge takes them)")
      ->type_name("TEXT");
  command.add_flag("--line-buffered", run.LineBuffered,
                   "write each line as it is found, on a pipe too (always on a terminal)");
  command.add_flag("--json", output.Json, "one JSON object per selected line");
}

bool AllLowerCase(const std::vector<std::string>& patterns) {
  for (const std::string& pattern : patterns)
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      const char c = pattern[i];
      if (c == '\\') {
        ++i;  // an escape: \W, \S, \D are classes, not letters
      } else if (c == '[' && i + 1 < pattern.size() && pattern[i + 1] == ':') {
        const std::size_t end = pattern.find(":]", i + 2);
        if (end != std::string::npos) i = end + 1;
      } else if (c >= 'A' && c <= 'Z') {
        return false;
      }
    }
  return true;
}

bool FinishLineSearch(CLI::App& command, LineSearchArguments& arguments,
                      const SearchSurroundings& surroundings, std::ostream& err) {
  const bool outputIsTerminal = surroundings.OutputIsTerminal;
  LineSearchCommand& run = arguments.Command;
  for (std::vector<std::string>* words :
       {&arguments.Words, &arguments.Expressions, &arguments.PatternFiles, &run.Selection.Globs,
        &run.Selection.Include, &run.Selection.Exclude, &run.Selection.ExcludeDirectories})
    Unshield(*words);
  run.Output.NulLines = run.Search.NulLines;
  std::vector<std::string>& patterns = run.Search.Patterns;
  patterns = arguments.Expressions;
  for (const std::string& name : arguments.PatternFiles) {
    grepcore::Result<std::string> read = name == "-"
                                             ? grepcore::ReadWholeInput(grepcore::StandardInput)
                                             : grepcore::ReadWholeFile(name);
    if (!read) {
      err << "regextool: " << ShownName(name) << ": " << read.Error().Message << '\n';
      return false;
    }
    std::string& text = *read;
    // An empty file holds no pattern at all: nothing matches. An empty line in it is an empty
    // pattern, which matches every line.
    if (text.empty()) continue;
    if (text.back() == '\n') text.pop_back();
    patterns.push_back(text);
  }
  for (const std::vector<std::string>* types : {&run.Selection.Types, &run.Selection.NotTypes})
    for (const std::string& type : *types)
      if (!grepcore::IsFileType(type)) {
        err << "regextool: unrecognized file type: " << type << '\n';
        return false;
      }
  if (arguments.DereferenceRecursive) {
    run.Selection.MaskRecursion = true;
    run.Selection.FollowLinks = true;
  }
  std::vector<std::string> words = arguments.Words;
  if (run.ListFiles || run.TypeList) {
    run.Selection.Paths = words;
    return true;
  }
  if (arguments.Expressions.empty() && arguments.PatternFiles.empty()) {
    if (words.empty()) {
      err << "regextool: " << command.get_name() << ": missing argument: PATTERN\n"
          << "Try 'regextool " << command.get_name() << " --help' for more information.\n";
      return false;
    }
    patterns.push_back(words.front());
    words.erase(words.begin());
  }
  run.Selection.Paths = words;
  if (words.empty() && !run.Selection.MaskRecursion && surroundings.InputHoldsData)
    run.Selection.Paths = {"-"};

  PatternSettings& pattern = run.Search.Pattern;
  pattern.Locale = surroundings.Locale;
  const LastSwitches& last = arguments.Last;
  if (last.Syntax == 'E' || last.Syntax == 'G') {
    pattern.Syntax = last.Syntax == 'E' ? "extended" : "basic";
    run.Search.Fixed = false;
  }
  if (last.FileNames != 0) {
    run.NoFileNames = last.FileNames == 'h';
    run.ForceFileNames = last.FileNames == 'H';
  }
  if (arguments.SmartCase && AllLowerCase(patterns)) pattern.CaseInsensitive = true;

  LineOutput& output = run.Output;
  if (arguments.Context != 0) {
    if (output.After == 0) output.After = arguments.Context;
    if (output.Before == 0) output.Before = arguments.Context;
  }
  output.ContextAsked = Given(command, "--after-context") || Given(command, "--before-context") ||
                        Given(command, "--context");
  run.SelectNothing = Given(command, "--max-count") && output.MaxCount == 0;
  run.Replacing = Given(command, "--replace");
  run.ReplaceFormat = arguments.Replace;
  if (output.Column) arguments.LineNumbers = true;
  if (outputIsTerminal) run.LineBuffered = true;
  output.LineNumbers = (arguments.LineNumbers || outputIsTerminal) && !arguments.NoLineNumbers;
  ColourChoice colour = ColourChoice::Auto;
  ParseColourChoice(arguments.Colour, colour);
  output.Colour = !output.Json && (colour == ColourChoice::Always ||
                                   (colour == ColourChoice::Auto && outputIsTerminal));
  const unsigned int cores = std::thread::hardware_concurrency();
  run.Threads = arguments.Threads > 0 ? static_cast<unsigned int>(arguments.Threads)
                                      : (cores == 0 ? 1 : cores);
  return true;
}

}  // namespace RegexTool
