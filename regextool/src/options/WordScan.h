#pragma once
// What a line search's words say that the parser cannot tell: which of two opposite switches
// came last (-h/-H, and -E/-G/-F), since grep lets the last one win; -NUM, grep's short way of
// writing -C NUM; and --color without a value, which means auto.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace RegexTool {

struct LastSwitches {
  char FileNames = 0;  // 'h', 'H' or 0: neither given
  char Syntax = 0;     // 'E', 'G', 'F' or 0
};

// Rewrites the words after the command word `command` (words[commandAt]) in place, -NUM as
// -C NUM and a bare --color as --color=auto, and tells which switches came last. The options
// that take a value are read from `command`, so a value that looks like a switch is passed
// over; nothing after "--" is an option.
LastSwitches ScanLineSearchWords(const CLI::App& command, std::vector<std::string>& words,
                                 std::size_t commandAt);

}  // namespace RegexTool
