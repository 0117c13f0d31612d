#include "LinePatterns.h"

namespace RegexTool {

grepcore::LinePatternOptions LinePatternOptionsOf(const LineSearchSettings& settings) {
  grepcore::LinePatternOptions options;
  PatternSettings pattern = settings.Pattern;
  // -F reads the patterns as literal text in the chosen syntax, as --syntax literal does.
  if (settings.Fixed) pattern.CompileOptions.push_back("Literals");
  options.Compile = CompileOptionsOf(pattern);
  options.Match = MatchOptionsOf(pattern);
  options.WholeWord = settings.WordRegexp;
  options.WholeLine = settings.LineRegexp;
  options.NulLines = settings.NulLines;
  return options;
}

grepcore::Result<grepcore::LinePatterns> CompileLinePatterns(const LineSearchSettings& settings) {
  return grepcore::LinePatterns::Compile(settings.Patterns, LinePatternOptionsOf(settings));
}

}  // namespace RegexTool
