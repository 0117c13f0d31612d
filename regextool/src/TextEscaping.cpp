#include "TextEscaping.h"

#include <cstdio>

namespace RegexTool {
namespace {

unsigned char ByteAt(const std::string& text, std::size_t pos) {
  return static_cast<unsigned char>(text[pos]);
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::string HexEscape(const char* prefix, unsigned char byte) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%s%02X", prefix, static_cast<unsigned>(byte));
  return buffer;
}

// Quotes `bytes`: well-formed UTF-8 kept, other high bytes as `invalidPrefix` and two hex
// digits, the common escapes shared, every other ASCII byte handed to `ascii`.
template <class AsciiEscape>
std::string Quote(const std::string& bytes, const char* invalidPrefix, AsciiEscape ascii) {
  std::string out = "\"";
  for (std::size_t pos = 0; pos < bytes.size();) {
    const unsigned char byte = ByteAt(bytes, pos);
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(bytes, pos);
      if (length != 0) {
        out.append(bytes, pos, length);
        pos += length;
      } else {
        out += HexEscape(invalidPrefix, byte);
        ++pos;
      }
      continue;
    }
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        ascii(byte, out);
    }
    ++pos;
  }
  return out + "\"";
}

}  // namespace

std::size_t Utf8SequenceLength(const std::string& text, std::size_t pos) {
  const unsigned char lead = ByteAt(text, pos);
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  const unsigned char second = ByteAt(text, pos + 1);
  if (second < low || second > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(ByteAt(text, pos + i))) return 0;
  return length;
}

std::string QuoteReadable(const std::string& bytes) {
  return Quote(bytes, "\\x", [](unsigned char byte, std::string& out) {
    if (byte < 0x20 || byte == 0x7F)
      out += HexEscape("\\x", byte);
    else
      out += static_cast<char>(byte);
  });
}

std::string JsonString(const std::string& bytes) {
  return Quote(bytes, "\\u00", [](unsigned char byte, std::string& out) {
    if (byte == '\b')
      out += "\\b";
    else if (byte == '\f')
      out += "\\f";
    else if (byte < 0x20)
      out += HexEscape("\\u00", byte);
    else
      out += static_cast<char>(byte);
  });
}

}  // namespace RegexTool
