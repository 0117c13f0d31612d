#pragma once
// Texts at the component's interface: an AnsiString in, the bytes before its first NUL kept;
// a byte string out, up to its first NUL.

#include <string>
#include <utility>

#include "vcl35/AnsiString.h"

namespace RegexComponent {

inline std::string FromAnsi(const vcl35::AnsiString& text) { return text.ToString(); }

inline vcl35::AnsiString ToAnsi(const std::string& text) { return vcl35::AnsiString(text.c_str()); }

// The same for a string no longer needed: cut at its first NUL and taken over, not copied.
inline vcl35::AnsiString ToAnsi(std::string&& text) {
  text.resize(std::char_traits<char>::length(text.c_str()));
  return vcl35::AnsiString(std::move(text));
}

// The text maker of the match records.
inline void AssignAnsi(vcl35::AnsiString& text, const char* first, const char* last) {
  text = first == nullptr ? vcl35::AnsiString() : ToAnsi(std::string(first, last));
}

}  // namespace RegexComponent
