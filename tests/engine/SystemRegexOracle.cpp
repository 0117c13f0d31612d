#include "SystemRegexOracle.h"

#include <regex.h>

namespace SyntaxTest {

namespace {
// Frees the compiled expression on every way out.
struct Compiled {
  regex_t expression{};
  bool ok = false;
  ~Compiled() {
    if (ok) regfree(&expression);
  }
};
}  // namespace

OracleResult SystemSearch(const std::string& pattern, const std::string& text, bool extended,
                          bool icase, bool newline) {
  OracleResult result;
  Compiled compiled;
  const int flags =
      (extended ? REG_EXTENDED : 0) | (icase ? REG_ICASE : 0) | (newline ? REG_NEWLINE : 0);
  result.error = regcomp(&compiled.expression, pattern.c_str(), flags);
  compiled.ok = result.error == 0;
  if (!compiled.ok) return result;
  result.compiled = true;
  std::vector<regmatch_t> m(compiled.expression.re_nsub + 1);
  if (regexec(&compiled.expression, text.c_str(), m.size(), m.data(), 0) != 0) return result;
  for (const regmatch_t& r : m) result.spans.emplace_back(static_cast<long>(r.rm_so), static_cast<long>(r.rm_eo));
  return result;
}

}  // namespace SyntaxTest
