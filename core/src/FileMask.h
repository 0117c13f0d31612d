#pragma once
// A file mask: an optional directory part (taken as it is, no wild cards) and a name pattern
// for the last component, where * is any run of bytes (the empty one included) and ? is one
// byte. Names are compared byte for byte, case-sensitively; a leading dot is no different.

#include <string>

namespace grepcore {

class FileMask {
 public:
  // Splits `mask` at its last '/'. Without one, the mask names files of the current directory.
  explicit FileMask(const std::string& mask);

  // The directory to list: "." when the mask has no directory part.
  const std::string& Directory() const { return ListedDirectory; }
  // What goes before a name of that directory to form the path handed on: empty for the
  // current directory, else the directory part with one trailing '/'.
  const std::string& PathPrefix() const { return Prefix; }
  const std::string& NamePattern() const { return Pattern; }

  // True when the whole of `name` fits the name pattern.
  bool Matches(const std::string& name) const;

 private:
  std::string ListedDirectory;
  std::string Prefix;
  std::string Pattern;
};

// True when the whole of `name` fits `pattern` (* and ? as above).
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace grepcore
