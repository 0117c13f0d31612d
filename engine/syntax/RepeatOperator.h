#pragma once
// A repeat's operator as the engines' pattern texts write it: *, +, ? or a bound {m}, {m,},
// {m,n}. Boost's text and RE2's spell repeats alike.

#include <cstdint>
#include <string>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

inline void AppendRepeatOperator(std::string& out, std::uint32_t min, std::uint32_t max) {
  if (min == 0 && max == Unbounded) {
    out += '*';
  } else if (min == 1 && max == Unbounded) {
    out += '+';
  } else if (min == 0 && max == 1) {
    out += '?';
  } else {
    out += '{' + std::to_string(min);
    if (max == Unbounded)
      out += ',';
    else if (max != min)
      out += ',' + std::to_string(max);
    out += '}';
  }
}

}  // namespace Syntax
}  // namespace GrepEngine
