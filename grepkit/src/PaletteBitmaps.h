#pragma once
// The palette images of the two published classes: 24 by 24 pixels, 256 colours, as the bytes
// of a BMP file (bottom-up rows, a full 256-entry colour table).

#include <string>
#include <vector>

namespace Grepkit {

// The bitmap resource of that name (REGULAREXPRESSION or REGULAREXPRESSIONINTERFACE), or null.
const std::vector<unsigned char>* PaletteBitmap(const std::string& name);

// A BMP file of a 24 by 24 picture drawn with the characters of `rows` (24 strings of 24):
// ' ' background, '#' frame, 'x' glyph, 'o' accent, '.' highlight.
std::vector<unsigned char> DrawBitmap(const char* const rows[24]);

}  // namespace Grepkit
