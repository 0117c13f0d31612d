#include "ChangeSyntax.h"

#include <cstring>

namespace RegexTool {
namespace {

// A backslash after an opening bracket: it may stand inside a bracket expression, where the
// extended syntax takes it literally and the normal syntax as an escape.
bool BackslashMayBeInBrackets(const std::string& pattern) {
  const std::size_t bracket = pattern.find('[');
  return bracket != std::string::npos && pattern.find('\\', bracket) != std::string::npos;
}

}  // namespace

std::string EscapeForNormalSyntax(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size() * 2);
  for (const char c : text) {
    if (c != '\0' && std::strchr("\\^$.|?*+()[]{}", c) != nullptr) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

bool NormalSyntaxSettings(const PatternSettings& settings, PatternSettings& normal,
                          std::string& reason) {
  normal = settings;
  normal.Syntax = "normal";
  normal.Recursive = false;
  if (!settings.CompileOptions.empty()) {
    reason = "change searches files with the pattern in the normal syntax; --option " +
             settings.CompileOptions.front() + " cannot reach it";
    return false;
  }
  if (settings.Syntax == "literal") {
    normal.Pattern = EscapeForNormalSyntax(settings.Pattern);
    return true;
  }
  if (settings.Syntax == "extended" && BackslashMayBeInBrackets(settings.Pattern)) {
    reason = "change searches files with the pattern in the normal syntax, where a backslash "
             "inside brackets is an escape; write the pattern in the normal syntax";
    return false;
  }
  if (settings.Syntax == "basic") {
    reason = "change searches files with the pattern in the normal syntax; --syntax basic "
             "cannot reach it (write \\( \\) as ( ) and \\{ \\} as { }, or use --syntax literal)";
    return false;
  }
  return true;
}

}  // namespace RegexTool
