#include "WordScan.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <set>

namespace RegexTool {
namespace {

// The option names of `command` that take a value: letters, and long names without "--".
struct ValueOptions {
  std::set<char> Short;
  std::set<std::string> Long;
};

ValueOptions ValueOptionsOf(const CLI::App& command) {
  ValueOptions names;
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_positional() || option->get_items_expected_max() == 0) continue;
    for (const std::string& name : option->get_snames())
      if (name.size() == 1) names.Short.insert(name[0]);
    for (const std::string& name : option->get_lnames()) names.Long.insert(name);
  }
  return names;
}

bool AllDigits(const std::string& text, std::size_t from) {
  return text.size() > from &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

void NoteLong(const std::string& name, LastSwitches& last) {
  if (name == "with-filename") last.FileNames = 'H';
  if (name == "no-filename") last.FileNames = 'h';
  if (name == "extended-regexp") last.Syntax = 'E';
  if (name == "basic-regexp") last.Syntax = 'G';
  if (name == "fixed-strings") last.Syntax = 'F';
}

}  // namespace

LastSwitches ScanLineSearchWords(const CLI::App& command, std::vector<std::string>& words,
                                 std::size_t commandAt) {
  const ValueOptions takesValue = ValueOptionsOf(command);
  LastSwitches last;
  for (std::size_t i = commandAt + 1; i < words.size(); ++i) {
    std::string& word = words[i];
    if (word == "--") break;
    if (word.size() < 2 || word[0] != '-') continue;
    if (word[1] == '-') {
      const std::string name = word.substr(2, word.find('=') - 2);
      if ((name == "color" || name == "colour") && word.find('=') == std::string::npos) {
        const bool valued = i + 1 < words.size() &&
                            (words[i + 1] == "auto" || words[i + 1] == "always" ||
                             words[i + 1] == "never");
        if (!valued) word += "=auto";
        else ++i;
        continue;
      }
      NoteLong(name, last);
      if (takesValue.Long.count(name) != 0 && word.find('=') == std::string::npos) ++i;
      continue;
    }
    if (AllDigits(word, 1)) {
      const std::string number = word.substr(1);
      word = "-C";
      words.insert(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, number);
      ++i;
      continue;
    }
    for (std::size_t at = 1; at < word.size(); ++at) {
      const char letter = word[at];
      if (letter == 'h' || letter == 'H') last.FileNames = letter;
      if (letter == 'E' || letter == 'G' || letter == 'F') last.Syntax = letter;
      if (takesValue.Short.count(letter) != 0) {
        if (at + 1 == word.size()) ++i;  // the value is the next word
        break;
      }
    }
  }
  return last;
}

}  // namespace RegexTool
