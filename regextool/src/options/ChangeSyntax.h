#pragma once
// The pattern as the change run's file search reads it. That search takes the pattern in the
// normal syntax (case-insensitivity aside), so the command line's other syntaxes reach a change
// only where they can be written in the normal one: literal text is escaped, an extended
// pattern without a backslash inside a bracket means the same in both; anything else is
// refused with the reason, before a file is touched.

#include <string>

#include "PatternSettings.h"

namespace RegexTool {

// Sets `normal` to settings whose pattern the file search reads as `settings` asks; false,
// with `reason`, when there is none.
bool NormalSyntaxSettings(const PatternSettings& settings, PatternSettings& normal,
                          std::string& reason);

// `text` with every character that is an operator in the normal syntax escaped.
std::string EscapeForNormalSyntax(const std::string& text);

}  // namespace RegexTool
