#pragma once
// A byte as the engines' pattern texts write it: \xhh, which Boost's text and RE2's read alike
// whatever the byte means in the pattern's syntax.

#include <string>

namespace GrepEngine {
namespace Syntax {

inline void AppendByteEscape(std::string& out, unsigned b) {
  static constexpr char Digits[] = "0123456789abcdef";
  const char hex[] = {'\\', 'x', Digits[(b >> 4) & 15], Digits[b & 15]};
  out.append(hex, sizeof hex);
}

}  // namespace Syntax
}  // namespace GrepEngine
