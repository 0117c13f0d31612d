#pragma once
// Reading an input whole into one string, sized once from the file's length when it has one
// and grown geometrically otherwise, so the text is never held twice for long.

#include <cstddef>
#include <string>

namespace RegexTool {

// Appends everything `descriptor` delivers to `text`. Returns 0, or the error number of the
// call that failed (a closed descriptor, a directory...); `text` then holds what was read.
int ReadWholeDescriptor(int descriptor, std::string& text);

// Reads what `descriptor` delivers next, up to `capacity` bytes, into `into`: `got` is 0 at
// the end of the input. Returns 0, or the error number of the failed call.
int ReadSomeOfDescriptor(int descriptor, char* into, std::size_t capacity, std::size_t& got);

// The same for the file `name`.
int ReadWholeFile(const std::string& name, std::string& text);

}  // namespace RegexTool
