#include "unicode/Utf8.h"

#include <cctype>

namespace GrepEngine {
namespace Unicode {

unsigned SequenceAt(const char* p, const char* last, std::uint32_t& code) {
  if (p == last) return 0;
  const auto byte = [p](unsigned i) { return static_cast<unsigned char>(p[i]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  unsigned length;
  std::uint32_t value;
  // The second byte's range depends on the lead: it rules out overlong forms, surrogates and
  // code points above U+10FFFF.
  unsigned low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (last - p < static_cast<std::ptrdiff_t>(length)) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  value = (value << 6) | (byte(1) & 0x3Fu);
  for (unsigned i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  code = value;
  return length;
}

const char* CharacterBefore(const char* first, const char* p) {
  // A sequence is at most four bytes: its lead is at most three continuation bytes back.
  for (unsigned back = 2; back <= 4 && p - first >= static_cast<std::ptrdiff_t>(back); ++back) {
    const unsigned char c = static_cast<unsigned char>(p[-static_cast<std::ptrdiff_t>(back) + 1]);
    if ((c & 0xC0u) != 0x80u) break;
    std::uint32_t code;
    const char* start = p - back;
    if (SequenceAt(start, p, code) == back) return start;
  }
  return p - 1;
}

bool InsideCharacter(const char* first, const char* p, const char* last) {
  if (p == first || p == last) return false;
  if ((static_cast<unsigned char>(*p) & 0xC0u) != 0x80u) return false;
  for (unsigned back = 1; back <= 3 && p - first >= static_cast<std::ptrdiff_t>(back); ++back) {
    const char* start = p - back;
    std::uint32_t code;
    const unsigned length = SequenceAt(start, last, code);
    if (length > back) return true;
    if ((static_cast<unsigned char>(*start) & 0xC0u) != 0x80u) break;
  }
  return false;
}

bool StrayByteAt(const char* first, const char* p, const char* last) {
  std::uint32_t code;
  return p != last && SequenceAt(p, last, code) == 0 && !InsideCharacter(first, p, last);
}

const char* NextBoundary(const char* first, const char* p, const char* last) {
  do {
    ++p;
  } while (p < last && InsideCharacter(first, p, last));
  return p;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string CharacterTypeName(const std::string& whole) {
  const std::size_t ctype = whole.find("LC_CTYPE=");
  if (ctype == std::string::npos) return whole;
  const std::size_t end = whole.find(';', ctype);
  return whole.substr(ctype + 9, end == std::string::npos ? std::string::npos : end - ctype - 9);
}

bool IsUtf8LocaleName(const std::string& whole) {
  // A locale mixed from several has a name per category; the character type's is the one.
  const std::string name = CharacterTypeName(whole);
  // The codeset follows the dot and runs to an optional @modifier; its spelling varies.
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) return false;
  std::string codeset;
  for (std::size_t i = dot + 1; i < name.size() && name[i] != '@' && name[i] != ';'; ++i)
    if (name[i] != '-' && name[i] != '_')
      codeset += static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  return codeset == "utf8";
}

bool IsUtf8Locale(const std::locale& locale) { return IsUtf8LocaleName(locale.name()); }

}  // namespace Unicode
}  // namespace GrepEngine
