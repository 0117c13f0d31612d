#pragma once
// Shell-style wildcards as the file filters use them: `*` (any run within one path component),
// `**` (any run of components), `?` (one character but '/'), `[abc]`, `[a-z]`, `[!x]` or `[^x]`,
// `{one,two}` (alternatives, nested allowed) and `\` to take the next character literally.

#include <string>
#include <string_view>
#include <vector>

namespace grepcore {

class Glob {
 public:
  explicit Glob(std::string_view pattern);

  // True when the whole of `text` matches one of the alternatives.
  bool Matches(std::string_view text) const;

  // True when the pattern holds a '/' (outside braces' alternatives too), so it is meant for a
  // path rather than a bare name.
  bool HasSlash() const { return Slash; }

 private:
  std::vector<std::string> Alternatives;  // the pattern with its braces expanded
  bool Slash = false;
};

// True when `text` holds a character that makes it a wildcard pattern: * ? [ or {.
bool HasWildcard(std::string_view text);

}  // namespace grepcore
