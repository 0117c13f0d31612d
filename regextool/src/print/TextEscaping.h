#pragma once
// Showing arbitrary bytes as text: quoted for people, and as JSON string literals.

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace RegexTool {

// The length of the well-formed UTF-8 sequence at `text[pos]`, or 0 when the byte there does
// not start one (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut off).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// A double-quoted form for a terminal: printable ASCII and well-formed UTF-8 as they are,
// \" \\ \n \t \r, every other byte as \xHH.
std::string QuoteReadable(std::string_view bytes);

// A file name as human output shows it (file:line: prefixes, name lines, messages, diff
// headers, the problem table). A name that holds no control character (C0, DEL, C1), no byte
// outside well-formed UTF-8 and does not start with a double quote stands as it is. Any other
// is quoted as git quotes paths: in double quotes, with \a \b \t \n \v \f \r \" \\ and
// three octal digits for every other such byte, so a name can neither move the cursor nor
// pass for other output.
std::string ShownName(std::string_view name);

// A JSON string literal (with its quotes). Well-formed UTF-8 is kept; the control characters,
// " and \ are escaped as JSON requires; a byte that is not part of well-formed UTF-8 becomes
// \u00XX, XX being the byte's value, so the output is always valid JSON.
std::string JsonString(std::string_view bytes);

// The same two forms written straight to `out`, for texts too large to hold twice.
void WriteReadable(std::ostream& out, std::string_view bytes);
void WriteJsonString(std::ostream& out, std::string_view bytes);
// And appended to a buffer.
void AppendReadable(std::string& out, std::string_view bytes);
void AppendJsonString(std::string& out, std::string_view bytes);

}  // namespace RegexTool
