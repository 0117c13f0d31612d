#include "PatternSettings.h"

#include <grepcore/Locale.h>

#include <utility>

namespace RegexTool {
namespace {

struct NamedBit {
  const char* Name;
  unsigned Bit;  // 0: Literals and CaseInsensitive, which are not single bits of the core's
};

// Listed in the order of the toolkit's option lists.
constexpr NamedBit CompileTable[] = {
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
    {"Literals", 0},
    {"CaseInsensitive", 0},
    {"NoLocaleSpecificCollation", grepcore::Option::NoLocaleSpecificCollation}};

using MatchFlag = bool grepcore::MatchOptions::*;
struct NamedFlag {
  const char* Name;
  MatchFlag Flag;
};

// In the order of the pattern class's enumeration, after MatchDefault.
constexpr NamedFlag MatchTable[] = {
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

template <class Table>
std::vector<std::string> NamesOf(const Table& table) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.push_back(entry.Name);
  return names;
}

}  // namespace

const std::vector<std::string>& SyntaxNames() {
  static const std::vector<std::string> names = {"normal", "basic", "extended", "literal"};
  return names;
}

const std::vector<std::string>& CompileOptionNames() {
  static const std::vector<std::string> names = NamesOf(CompileTable);
  return names;
}

const std::vector<std::string>& MatchOptionNames() {
  static const std::vector<std::string> names = NamesOf(MatchTable);
  return names;
}

std::locale ProgramLocale() {
  return grepcore::PatternLocaleFor(grepcore::EnvironmentLocaleName());
}

grepcore::CompileOptions CompileOptionsOf(const PatternSettings& settings) {
  grepcore::CompileOptions options;
  options.Locale = settings.Locale;
  if (settings.Syntax == "basic") {
    // As grep reads a basic expression: \+ \? and \| are operators, + ? | ordinary.
    options.Syntax = grepcore::SyntaxKind::Basic;
    options.Extra |=
        grepcore::Option::QuestionmarkPlusNotOperators | grepcore::Option::VerticalbarNotOperator;
  } else if (settings.Syntax == "extended")
    options.Syntax = grepcore::SyntaxKind::Extended;
  bool literal = settings.Syntax == "literal";
  options.IgnoreCase = settings.CaseInsensitive;
  for (const std::string& name : settings.CompileOptions) {
    if (name == "Literals") literal = true;
    if (name == "CaseInsensitive") options.IgnoreCase = true;
    for (const NamedBit& entry : CompileTable)
      if (name == entry.Name) options.Extra |= entry.Bit;
  }
  // Literal text keeps the syntax's options beside it, as the pattern object's word does.
  if (literal) {
    grepcore::CompileOptions literals;
    literals.Syntax = grepcore::SyntaxKind::Literal;
    options = grepcore::CompileOptions::FromWord(options.Word() | literals.Word(), options.Locale);
  }
  return options;
}

bool SetMatchOption(grepcore::MatchOptions& options, const std::string& name) {
  for (const NamedFlag& entry : MatchTable)
    if (name == entry.Name) {
      options.*(entry.Flag) = true;
      return true;
    }
  return false;
}

grepcore::MatchOptions MatchOptionsOf(const PatternSettings& settings) {
  grepcore::MatchOptions options;
  for (const std::string& name : settings.MatchOptions) SetMatchOption(options, name);
  if (settings.Shortest) options.Shortest = true;
  return options;
}

grepcore::Result<grepcore::Pattern> CompileSettings(const PatternSettings& settings) {
  // The pattern ends at its first NUL, as the pattern object reads it.
  const std::string text = settings.Pattern.substr(0, settings.Pattern.find('\0'));
  if (settings.Pattern.empty()) {
    grepcore::Error error;
    error.Message = "empty pattern";
    error.Code = 1;
    return error;
  }
  grepcore::Result<grepcore::Pattern> pattern =
      grepcore::Pattern::Compile(text, CompileOptionsOf(settings));
  if (!pattern && pattern.Error().Message.empty()) {
    grepcore::Error error = pattern.Error();
    error.Message = "error code " + std::to_string(error.Code & 0xFFu);
    return error;
  }
  return pattern;
}

}  // namespace RegexTool
