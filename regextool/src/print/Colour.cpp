#include "Colour.h"

#include <grepcore/Streams.h>

namespace RegexTool {

bool ParseColourChoice(const std::string& text, ColourChoice& choice) {
  if (text == "auto")
    choice = ColourChoice::Auto;
  else if (text == "always")
    choice = ColourChoice::Always;
  else if (text == "never")
    choice = ColourChoice::Never;
  else
    return false;
  return true;
}

bool UseColour(ColourChoice choice, int fd) {
  if (choice == ColourChoice::Auto) return grepcore::IsTerminal(fd);
  return choice == ColourChoice::Always;
}

Palette::Palette(bool on) {
  if (!on) return;
  File = "\033[35m";
  Line = "\033[32m";
  Match = "\033[1;31m";
  Separator = "\033[36m";
  Removed = "\033[31m";
  Added = "\033[32m";
  Hunk = "\033[36m";
  Reset = "\033[m";
}

}  // namespace RegexTool
