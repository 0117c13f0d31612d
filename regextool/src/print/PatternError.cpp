#include "PatternError.h"

#include <algorithm>

namespace RegexTool {
namespace {

// Whether each byte of `text` takes one column: no control bytes, nothing beyond ASCII.
bool OneColumnEach(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

}  // namespace

void PrintBadPattern(std::ostream& err, const grepcore::Error& error,
                     const std::string& pattern) {
  err << "regextool: bad pattern: " << error.Message << '\n';
  const std::string& text = pattern.empty() ? error.PatternText : pattern;
  if (error.Offset < 0 || text.empty() || !OneColumnEach(text)) return;
  const std::size_t at = std::min(static_cast<std::size_t>(error.Offset), text.size());
  err << "    " << text << '\n' << "    " << std::string(at, ' ') << "^\n";
}

}  // namespace RegexTool
