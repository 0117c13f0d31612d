// A C++20 program using the toolkit: the package's flags must leave the language standard to it.
#include <grepcore/Regularexpressionclass.h>

#include <iostream>
#include <span>
#include <string>

int main() {
  const std::string words[] = {"one", "two2", "three"};
  RegexClass::RegularExpression re;
  re.SetExpression("[0-9]");
  unsigned found = 0;
  for (const std::string& word : std::span(words)) {
    re.SetStringToMatch(word);
    if (re.Search()) ++found;
  }
  std::cout << "c++20 found " << found << "\n";
  return 0;
}
