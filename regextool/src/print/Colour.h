#pragma once
// Terminal colours: when to use them, and the escape sequences used.

#include <string>

namespace RegexTool {

enum class ColourChoice { Auto, Always, Never };

// Parses "auto", "always" or "never"; false for anything else.
bool ParseColourChoice(const std::string& text, ColourChoice& choice);

// Auto colours only when `fd` is a terminal.
bool UseColour(ColourChoice choice, int fd);

// Escape sequences, all empty when colour is off, so printing code never branches on it.
struct Palette {
  explicit Palette(bool on);
  std::string File, Line, Match, Separator, Removed, Added, Hunk, Reset;
};

}  // namespace RegexTool
