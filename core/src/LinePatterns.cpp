#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>
#include <utility>

#include "LinePatternData.h"
#include "PatternData.h"
#include "PatternImpl.h"
#include "Planner.h"
#include "engine/OptionWords.h"
#include "grepcore/Search.h"

namespace grepcore {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// \` and \' mean the ends of the whole text, which is the input, not a line. A back-reference
// counts groups, which joining patterns would renumber.
bool NeedsOwnText(const std::string& pattern, bool joined) {
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] != '\\') continue;
    const char next = pattern[i + 1];
    if (next == '`' || next == '\'') return true;
    if (joined && std::isdigit(static_cast<unsigned char>(next))) return true;
    ++i;
  }
  return false;
}

// The pattern in the normal syntax that matches `text` literally.
std::string EscapeLiteral(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (std::string_view("\\.[](){}*+?|^$").find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// The engine's pattern of a text that compiled, for lines that end at a NUL byte where
// `nulLines` says so: compiled once more for the searcher's exchanged LF and NUL bytes.
std::shared_ptr<const GrepEngine::Pattern> ForLineEnds(const Pattern& compiled, bool nulLines) {
  if (!nulLines) return compiled.Data()->Engine;
  const std::string_view text = compiled.Text();
  return GrepEngine::Pattern::Compile(text.data(), text.data() + text.size(),
                                      compiled.Options().Word() |
                                          GrepEngine::SyntaxBits::SwappedLineEnds,
                                      compiled.Options().Locale);
}

std::shared_ptr<const GrepEngine::Pattern> Engine(std::string_view text,
                                                  const CompileOptions& options, bool nulLines) {
  Result<Pattern> compiled = Pattern::Compile(text, options);
  if (!compiled) return nullptr;
  return ForLineEnds(*compiled, nulLines);
}

// The patterns as alternatives of one; null when they cannot be joined.
std::shared_ptr<const GrepEngine::Pattern> Joined(const LinePatterns::Data& data) {
  const std::vector<std::string>& texts = data.Texts;
  if (texts.size() == 1) return data.Each[0];
  const CompileOptions& options = data.Options.Compile;
  const bool nulLines = data.Options.NulLines;
  if ((options.Word() & GrepEngine::SyntaxBits::Literals) != 0) {
    // Literal text has no alternation: each pattern escaped into the normal syntax.
    std::string joined;
    for (const std::string& text : texts)
      joined += (joined.empty() ? "" : "|") + EscapeLiteral(text);
    CompileOptions normal = options;
    normal.Syntax = SyntaxKind::Normal;
    normal.Extra &= ~static_cast<unsigned>(GrepEngine::SyntaxBits::Literals);
    return Engine(joined, normal, nulLines);
  }
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "\n") + text;
  CompileOptions alternatives = options;
  alternatives.Extra |= GrepEngine::SyntaxBits::NewlineAsAlternationOperator;
  // Alternatives of patterns that each compile may still fail together ("\\(a" and "b\\)").
  return Engine(joined, alternatives, nulLines);
}

}  // namespace

Result<LinePatterns> LinePatterns::Compile(const std::vector<std::string>& texts,
                                           const LinePatternOptions& options) {
  auto data = std::make_shared<Data>();
  data->Options = options;
  // A line ends at a line feed only, as a search tool reads lines.
  data->MatchWord = EngineMatchWord(options.Match) | GrepEngine::MatchBits::LineFeedLines;
  for (const std::string& given : texts)
    for (std::string& line : SplitLines(given)) data->Texts.push_back(std::move(line));
  for (const std::string& text : data->Texts) {
    if (text.empty()) {
      data->EmptyPattern = true;
      data->Each.push_back(nullptr);
      continue;
    }
    Result<Pattern> compiled = Pattern::Compile(text, options.Compile);
    if (!compiled) {
      Error error = compiled.Error();
      if (error.Message.empty()) error.Message = "error code " + std::to_string(error.Code);
      if (data->Texts.size() != 1) error.Message = "'" + text + "': " + error.Message;
      error.PatternText = text;
      return error;
    }
    data->Each.push_back(ForLineEnds(*compiled, options.NulLines));
  }
  const bool literal = (options.Compile.Word() & GrepEngine::SyntaxBits::Literals) != 0;
  bool whole = !data->EmptyPattern && !data->Texts.empty() && !options.Match.Continuous;
  for (const std::string& text : data->Texts)
    if (!literal && NeedsOwnText(text, data->Texts.size() > 1)) whole = false;
  if (whole) data->Joined = Joined(*data);
  if (data->Joined) {
    data->Plan = GrepEngine::PlanSearch(data->Joined, nullptr, nullptr, true);
    const unsigned word = data->MatchWord | GrepEngine::MatchBits::NotDotNewline;
    data->RestartsCheaply = GrepEngine::ChoosePlan(data->Joined->Internals().Facts, word).Kind !=
                            GrepEngine::Route::LiteralSet;
    // A literal or a set of literals is found faster by its scan than by any DFA.
    if (data->Plan.Literal.empty() && data->RestartsCheaply)
      data->Selector = GrepEngine::LineSelector::For(*data->Joined, word);
  }
  return LinePatterns(std::move(data));
}

const std::vector<std::string>& LinePatterns::Each() const { return Compiled->Texts; }
const LinePatternOptions& LinePatterns::Options() const { return Compiled->Options; }

}  // namespace grepcore
