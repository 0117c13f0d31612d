#include "engine/DirectReplacement.h"

#include "PatternImpl.h"
#include "engine/OptionWords.h"
#include "syntax/ContextFacts.h"
#include "syntax/Printer.h"

namespace GrepEngine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the merge of `format` over a lone match is the format's plain expansion: '$' is
// followed by '$', '&' or a single digit (two or more digits, a brace, a name, the prefix or
// the suffix are left to the engine's formatter), and there is no backslash escape.
bool ParseFormat(const std::string& format, std::vector<std::pair<std::string, int>>& pieces) {
  std::string text;
  auto flushText = [&] {
    if (!text.empty()) pieces.emplace_back(std::move(text), -1);
    text.clear();
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '\\') return false;
    if (c != '$') {
      text += c;
      continue;
    }
    if (i + 1 == format.size()) return false;
    const char next = format[i + 1];
    if (next == '$') {
      text += '$';
      ++i;
    } else if (next == '&') {
      flushText();
      pieces.emplace_back(std::string(), 0);
      ++i;
    } else if (IsDigit(next)) {
      std::size_t end = i + 1;
      while (end < format.size() && IsDigit(format[end])) ++end;
      if (end - (i + 1) > 1) return false;
      flushText();
      pieces.emplace_back(std::string(), next - '0');
      ++i;
    } else {
      return false;
    }
  }
  flushText();
  return true;
}

}  // namespace

std::optional<DirectReplacement> DirectReplacement::Plan(const Pattern& formatting,
                                                         const Pattern& searching,
                                                         unsigned matchWord,
                                                         const std::string& format) {
  if (formatting.Failed() || searching.Failed()) return std::nullopt;
  if ((matchWord & MatchBits::Shortest) != 0) return std::nullopt;
  if (formatting.OptionWord() != searching.OptionWord() || !(formatting.Locale() == searching.Locale()))
    return std::nullopt;
  const Syntax::Tree& tree = formatting.Internals().Tree;
  if (!Syntax::IndependentOfContext(tree) || Syntax::CanMatchEmpty(tree)) return std::nullopt;
  if (Syntax::Print(tree) != Syntax::Print(searching.Internals().Tree)) return std::nullopt;

  std::vector<std::pair<std::string, int>> parsed;
  if (!ParseFormat(format, parsed)) return std::nullopt;
  DirectReplacement plan;
  plan.Source = format;
  for (auto& [text, group] : parsed) plan.Pieces.push_back(Piece{std::move(text), group});
  return plan;
}

}  // namespace GrepEngine
