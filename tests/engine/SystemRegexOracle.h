#pragma once
// The C library's own POSIX matcher (regcomp/regexec), used as an independent oracle. Kept in its
// own unit so that <regex.h> never meets Boost's headers.

#include <string>
#include <utility>
#include <vector>

namespace SyntaxTest {

struct OracleResult {
  bool compiled = false;
  int error = 0;                             // regcomp's REG_* code when it did not compile
  std::vector<std::pair<long, long>> spans;  // empty: no match; (-1,-1): group took no part
};

// extended: REG_EXTENDED; otherwise a basic expression. newline: REG_NEWLINE (^ and $ at
// each LF, which '.' and a non-matching list then never take).
OracleResult SystemSearch(const std::string& pattern, const std::string& text, bool extended,
                          bool icase = false, bool newline = false);

}  // namespace SyntaxTest
