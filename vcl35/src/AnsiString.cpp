#include "vcl35/AnsiString.h"

#include <cstring>
#include <utility>

namespace vcl35 {

AnsiString::AnsiString(const char* text) : Bytes(text == nullptr ? "" : text) {}

AnsiString::AnsiString(const char* bytes, std::size_t length) : Bytes(bytes, length) {}

AnsiString::AnsiString(const std::string& text) : Bytes(text) {}

AnsiString::AnsiString(std::string&& text) : Bytes(std::move(text)) {}

std::string AnsiString::ToString() const { return std::string(Bytes.c_str()); }

AnsiString& AnsiString::operator+=(const AnsiString& other) {
  Bytes += other.Bytes;
  return *this;
}

}  // namespace vcl35
