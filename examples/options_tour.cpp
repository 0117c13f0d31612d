// A tour of pattern objects: reads "syntax pattern" lines, sets the options on one object per
// line, compiles the pattern and prints the flag word, the sub-expression count or the
// engine's error text.
#include <grepcore/Regularexpressionclass.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using RegexClass::RegularExpression;

bool ApplySyntax(RegularExpression& re, const std::string& syntax) {
  std::istringstream parts(syntax);
  std::string word;
  while (std::getline(parts, word, ',')) {
    if (word == "normal") re.AddExpressionOption(RegularExpression::Normal);
    else if (word == "basic") re.AddExpressionOption(RegularExpression::Basic);
    else if (word == "extended") re.AddExpressionOption(RegularExpression::Extended);
    else if (word == "literal") re.AddExpressionOption(RegularExpression::Literals);
    else if (word == "icase") re.AddExpressionOption(RegularExpression::CaseInsensitive);
    else return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: options_tour PATTERN-FILE\n";
    return 2;
  }
  std::ifstream input(argv[1]);
  if (!input) {
    std::cerr << "options_tour: cannot open " << argv[1] << '\n';
    return 2;
  }
  std::string line;
  while (std::getline(input, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string syntax, pattern;
    fields >> syntax >> pattern;
    RegularExpression re;
    if (!ApplySyntax(re, syntax)) {
      std::cerr << "options_tour: unknown syntax '" << syntax << "'\n";
      return 2;
    }
    re.SetExpression(pattern);
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%04X", re.GetFlagOptions());
    std::cout << syntax << " " << flags << "  " << pattern << "  ->  ";
    if (re.ParseExpression() == 0)
      std::cout << re.NumberOfSubexpressions() << " sub-expression(s)\n";
    else
      std::cout << "error " << unsigned(re.ParseExpression()) << ": " << re.GetExpressionError() << '\n';
  }
  return 0;
}
