#pragma once
// The rules of one .gitignore file, in the subset people write: one pattern a line, blank
// lines and '#' comments ignored, '!' re-including, a trailing '/' for directories only, a
// leading or inner '/' anchoring the pattern to the file's own directory (otherwise it matches
// a name at any depth), and the wildcards of Glob.h.

#include <string>
#include <string_view>
#include <vector>

#include "Glob.h"

namespace grepcore {

enum class IgnoreVerdict { NoRule, Ignored, Included };

class IgnoreRules {
 public:
  // Reads the rules from the text of a .gitignore file.
  explicit IgnoreRules(std::string_view text);

  // What the last rule that matches says about `path`, relative to the directory holding the
  // file ("a/b.c"); `directory` tells whether the path names a directory.
  IgnoreVerdict Judge(std::string_view path, bool directory) const;

  bool Empty() const { return Rules.empty(); }

 private:
  struct Rule {
    Glob Pattern;
    bool Negated = false;
    bool DirectoryOnly = false;
    bool Anchored = false;
  };
  std::vector<Rule> Rules;
};

}  // namespace grepcore
