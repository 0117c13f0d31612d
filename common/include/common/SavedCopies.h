#pragma once
// How a change run tells saved copies and read-only files, and names a file's saved copy.
// Extensions are looked for in a file's own name only (after its last '/'): a dot in a
// directory name is not an extension.

#include <string>

namespace Common {

// True when the own name of `name` ends in "." + `extension`, letters compared without case
// (through the global locale's ctype facet). Never true for an empty extension.
bool CarriesExtension(const std::string& name, const std::string& extension);

// The saved copy's name: the extension of the own name replaced by `extension`, or appended
// when the own name has none.
std::string SavedCopyName(const std::string& name, const std::string& extension);

// True when the file's owner write bit is clear, or its attributes cannot be read.
bool IsReadOnly(const std::string& name);

}  // namespace Common
