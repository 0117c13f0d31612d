#pragma once
// UTF-8 as the toolkit reads it: a character is one well-formed sequence (no overlong forms,
// no surrogates, nothing above U+10FFFF); any other byte is a character of its own that only
// that same byte matches. Positions stay byte offsets.

#include <cstdint>
#include <locale>
#include <string>

namespace GrepEngine {
namespace Unicode {

constexpr std::uint32_t LastCode = 0x10FFFF;

// The length of the well-formed sequence at `p` (1 to 4), with its code point in `code`; 0 when
// the bytes at `p` are not one (`p` == `last`, a stray continuation byte, a truncated or
// overlong sequence, a surrogate).
unsigned SequenceAt(const char* p, const char* last, std::uint32_t& code);

// The start of the character that ends right before `p` (`p` > `first`): the sequence's
// first byte, or p - 1 when the byte before `p` ends no well-formed sequence.
const char* CharacterBefore(const char* first, const char* p);

// Whether `p` lies strictly inside a well-formed sequence of [first, last): no match may start
// or end there.
bool InsideCharacter(const char* first, const char* p, const char* last);

// Whether the byte at `p` (< `last`) belongs to no well-formed sequence of [first, last).
bool StrayByteAt(const char* first, const char* p, const char* last);

// The first position after `p` that is not inside a character.
const char* NextBoundary(const char* first, const char* p, const char* last);

void AppendUtf8(std::string& out, std::uint32_t code);

// Whether the locale's character set is UTF-8, read from its name (C.UTF-8, en_US.utf8, ...).
bool IsUtf8Locale(const std::locale& locale);
bool IsUtf8LocaleName(const std::string& name);
// The name of a locale's character-type part: the name itself, or for a locale mixed from
// several (LC_CTYPE=...;LC_NUMERIC=...) the LC_CTYPE one.
std::string CharacterTypeName(const std::string& name);

}  // namespace Unicode
}  // namespace GrepEngine
