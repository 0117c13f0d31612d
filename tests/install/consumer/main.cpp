#include <grepcore/Regularexpressionclass.h>

#include <cstdio>
#include <iostream>

int main() {
  RegexClass::RegularExpression re;
  re.AddExpressionOption(RegexClass::RegularExpression::Basic);
  std::printf("flags 0x%X\n", re.GetFlagOptions());
  re.SetExpression("a(b");
  const unsigned code = re.ParseExpression();
  std::cout << "code " << code << "\nerror " << re.GetExpressionError() << "\n";
  re.ClearExpressionOptions();
  re.AddExpressionOption(RegexClass::RegularExpression::Normal);
  std::cout << "normal code " << unsigned(re.ParseExpression()) << "\nerror "
            << re.GetExpressionError() << "\n";
  return 0;
}
