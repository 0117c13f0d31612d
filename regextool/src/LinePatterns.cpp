#include "LinePatterns.h"

#include <algorithm>
#include <utility>

namespace RegexTool {
namespace {

struct NamedBit {
  const char* Name;
  unsigned Bit;
};

// The single compile options the command line names, as the core's option bits.
constexpr NamedBit CompileBits[] = {
    {"EscapeInCharacterSets", grepcore::Option::EscapeInCharacterSets},
    {"CharacterClasses", grepcore::Option::CharacterClasses},
    {"Intervals", grepcore::Option::Intervals},
    {"LimitedOperations", grepcore::Option::LimitedOperations},
    {"NewlineAsAlternationOperator", grepcore::Option::NewlineAsAlternationOperator},
    {"QuestionmarkPlusNotOperators", grepcore::Option::QuestionmarkPlusNotOperators},
    {"BracesNotOperators", grepcore::Option::BracesNotOperators},
    {"ParenthesesNotOperators", grepcore::Option::ParenthesesNotOperators},
    {"BackReferences", grepcore::Option::BackReferences},
    {"VerticalbarNotOperator", grepcore::Option::VerticalbarNotOperator},
    {"NoLocaleSpecificCollation", grepcore::Option::NoLocaleSpecificCollation}};

void SetMatchOption(grepcore::MatchOptions& match, const std::string& name) {
  const std::pair<const char*, bool grepcore::MatchOptions::*> fields[] = {
      {"MatchNotBeginningOfLine", &grepcore::MatchOptions::NotBeginningOfLine},
      {"MatchNotEndOfLine", &grepcore::MatchOptions::NotEndOfLine},
      {"MatchNotBeginningOfBuffer", &grepcore::MatchOptions::NotBeginningOfBuffer},
      {"MatchNotEndOfBuffer", &grepcore::MatchOptions::NotEndOfBuffer},
      {"MatchNotBeginningOfWord", &grepcore::MatchOptions::NotBeginningOfWord},
      {"MatchNotEndOfWord", &grepcore::MatchOptions::NotEndOfWord},
      {"MatchNotDotNewline", &grepcore::MatchOptions::NotDotNewline},
      {"MatchNotDotNullCharacter", &grepcore::MatchOptions::NotDotNull},
      {"MatchShortest", &grepcore::MatchOptions::Shortest},
      {"MatchNotNullString", &grepcore::MatchOptions::NotEmpty},
      {"MatchContinuous", &grepcore::MatchOptions::Continuous}};
  for (const auto& field : fields)
    if (name == field.first) match.*(field.second) = true;
}

}  // namespace

grepcore::LinePatternOptions LinePatternOptionsOf(const LineSearchSettings& settings) {
  const PatternSettings& pattern = settings.Pattern;
  grepcore::LinePatternOptions options;
  grepcore::CompileOptions& compile = options.Compile;
  if (pattern.Syntax == "basic")
    compile.Syntax = grepcore::SyntaxKind::Basic;
  else if (pattern.Syntax == "extended")
    compile.Syntax = grepcore::SyntaxKind::Extended;
  bool literal = settings.Fixed || pattern.Syntax == "literal";
  compile.IgnoreCase = pattern.CaseInsensitive;
  for (const std::string& name : pattern.CompileOptions) {
    if (name == "Literals") literal = true;
    if (name == "CaseInsensitive") compile.IgnoreCase = true;
    for (const NamedBit& bit : CompileBits)
      if (name == bit.Name) compile.Extra |= bit.Bit;
  }
  if (literal) compile.Syntax = grepcore::SyntaxKind::Literal;
  for (const std::string& name : pattern.MatchOptions) SetMatchOption(options.Match, name);
  if (pattern.Shortest) options.Match.Shortest = true;
  options.WholeWord = settings.WordRegexp;
  options.WholeLine = settings.LineRegexp;
  return options;
}

grepcore::Result<grepcore::LinePatterns> CompileLinePatterns(const LineSearchSettings& settings) {
  return grepcore::LinePatterns::Compile(settings.Patterns, LinePatternOptionsOf(settings));
}

}  // namespace RegexTool
