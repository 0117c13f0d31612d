#pragma once
// Reading an input whole into one string, sized once from the file's length when it has one
// and grown geometrically otherwise, so the text is never held twice for long.

#include <string>

namespace RegexTool {

// Appends everything `descriptor` delivers to `text`. Returns 0, or the error number of the
// call that failed (a closed descriptor, a directory...); `text` then holds what was read.
int ReadWholeDescriptor(int descriptor, std::string& text);

// The same for the file `name`.
int ReadWholeFile(const std::string& name, std::string& text);

}  // namespace RegexTool
