#include "ParseMessages.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>

namespace RegexTool {
namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// What follows the last ": " of a parser message, the part that names things.
std::string Named(const std::string& message) {
  const std::size_t colon = message.rfind(": ");
  return colon == std::string::npos ? message : message.substr(colon + 2);
}

std::string FirstWord(const std::string& text) { return text.substr(0, text.find(' ')); }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The long option of `command` closest to the mistyped `word` ("--colr=never"), as written
// on the command line; empty when none is near or the word is no long option.
std::string ClosestOption(const CLI::App& command, const std::string& word) {
  if (word.compare(0, 2, "--") != 0) return std::string();
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options())
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  names.push_back("--help");
  return ClosestName(word.substr(0, word.find('=')), names);
}

}  // namespace

std::string ClosestName(const std::string& word, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = std::max<std::size_t>(2, word.size() / 3) + 1;
  for (const std::string& name : names) {
    const std::size_t distance = EditDistance(word, name);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

void ReportParseError(const CLI::App& app, const CLI::ParseError& error,
                      const std::vector<std::string>& words, std::ostream& err) {
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
    commands.push_back(command->get_name());
  std::string command;
  std::string option;  // the first option before the command
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!words[i].empty() && words[i][0] == '-') {
      if (option.empty()) option = words[i];
      continue;
    }
    command = words[i];
    break;
  }
  const bool known = std::find(commands.begin(), commands.end(), command) != commands.end();
  const std::string message = error.what();
  std::string help = "Try 'regextool --help' for more information.\n";
  if (command.empty() || !known) {
    if (command.empty() && !option.empty()) {
      err << "regextool: unrecognized option '" << option << "'";
      const std::string closest = ClosestOption(app, option);
      if (!closest.empty()) err << " (did you mean " << closest << "?)";
      err << '\n';
    } else if (command.empty()) {
      err << "regextool: missing command; one of:";
      for (const std::string& name : commands) err << ' ' << name;
      err << '\n';
    } else {
      err << "regextool: '" << command << "' is not a regextool command.";
      const std::string closest = ClosestName(command, commands);
      if (!closest.empty()) err << " Did you mean '" << closest << "'?";
      err << '\n';
    }
    err << help;
    return;
  }
  help = "Try 'regextool " + command + " --help' for more information.\n";
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::string extra = FirstWord(Named(message));
    if (extra.size() > 1 && extra[0] == '-') {
      err << "regextool: " << command << ": unrecognized option '" << extra << "'";
      const std::string closest = ClosestOption(*app.get_subcommand(command), extra);
      if (!closest.empty()) err << " (did you mean " << closest << "?)";
      err << '\n';
    } else
      err << "regextool: " << command << ": unexpected argument '" << extra << "'\n";
  } else if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && EndsWith(message, " is required")) {
    err << "regextool: " << command << ": missing argument: "
        << message.substr(0, message.size() - std::string(" is required").size()) << '\n';
  } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    err << "regextool: " << command << ": option '" << message.substr(0, message.find(':'))
        << "' requires an argument\n";
  } else {
    err << "regextool: " << command << ": " << message << '\n';
  }
  err << help;
}

}  // namespace RegexTool
