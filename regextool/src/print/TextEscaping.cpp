#include "TextEscaping.h"

#include <cstdio>
#include <cstring>
#include <ostream>

namespace RegexTool {
namespace {

unsigned char ByteAt(std::string_view text, std::size_t pos) {
  return static_cast<unsigned char>(text[pos]);
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Where quoted text goes: a string, or straight to a stream so a large text is never held twice.
class QuoteSink {
 public:
  explicit QuoteSink(std::string& text) : Text(&text) {}
  explicit QuoteSink(std::ostream& stream) : Stream(&stream) {}

  void Put(const char* data, std::size_t count) {
    if (Text != nullptr)
      Text->append(data, count);
    else
      Stream->write(data, static_cast<std::streamsize>(count));
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }

 private:
  std::string* Text = nullptr;
  std::ostream* Stream = nullptr;
};

// The escape of an ASCII byte in one of the two forms, or null when it stands as it is.
using AsciiEscape = const char* (*)(unsigned char byte, char (&scratch)[8]);

const char* CommonEscape(unsigned char byte) {
  switch (byte) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\n':
      return "\\n";
    case '\t':
      return "\\t";
    case '\r':
      return "\\r";
    default:
      return nullptr;
  }
}

const char* ReadableEscape(unsigned char byte, char (&scratch)[8]) {
  if (const char* common = CommonEscape(byte)) return common;
  if (byte >= 0x20 && byte != 0x7F) return nullptr;
  std::snprintf(scratch, sizeof scratch, "\\x%02X", static_cast<unsigned>(byte));
  return scratch;
}

const char* JsonEscape(unsigned char byte, char (&scratch)[8]) {
  if (const char* common = CommonEscape(byte)) return common;
  if (byte == '\b') return "\\b";
  if (byte == '\f') return "\\f";
  if (byte >= 0x20) return nullptr;
  std::snprintf(scratch, sizeof scratch, "\\u00%02X", static_cast<unsigned>(byte));
  return scratch;
}

// Quotes `bytes` into `sink`: well-formed UTF-8 kept, other high bytes as `invalidPrefix` and
// two hex digits, ASCII as `ascii` says. Bytes that stand as they are go out in runs.
void Quote(std::string_view bytes, const char* invalidPrefix, AsciiEscape ascii, QuoteSink sink) {
  sink.Put("\"");
  std::size_t run = 0;  // start of the bytes kept as they are, not yet written
  char scratch[8];
  for (std::size_t pos = 0; pos < bytes.size();) {
    const unsigned char byte = ByteAt(bytes, pos);
    const char* escape = nullptr;
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(bytes, pos);
      if (length != 0) {
        pos += length;
        continue;
      }
      std::snprintf(scratch, sizeof scratch, "%s%02X", invalidPrefix, static_cast<unsigned>(byte));
      escape = scratch;
    } else {
      escape = ascii(byte, scratch);
      if (escape == nullptr) {
        ++pos;
        continue;
      }
    }
    sink.Put(bytes.data() + run, pos - run);
    sink.Put(escape);
    run = ++pos;
  }
  sink.Put(bytes.data() + run, bytes.size() - run);
  sink.Put("\"");
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
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

namespace {

// The length of the character at `name[pos]` that may stand as it is in a name, 0 when its
// bytes must be escaped: printable ASCII and well-formed UTF-8 other than the C1 controls.
std::size_t PlainCharacterLength(std::string_view name, std::size_t pos) {
  const unsigned char byte = ByteAt(name, pos);
  if (byte < 0x80) return byte >= 0x20 && byte != 0x7F ? 1 : 0;
  const std::size_t length = Utf8SequenceLength(name, pos);
  if (length == 2 && byte == 0xC2 && ByteAt(name, pos + 1) < 0xA0) return 0;  // U+0080..U+009F
  return length;
}

bool NeedsQuoting(std::string_view name) {
  if (!name.empty() && name[0] == '"') return true;
  for (std::size_t pos = 0; pos < name.size();) {
    const std::size_t length = PlainCharacterLength(name, pos);
    if (length == 0) return true;
    pos += length;
  }
  return false;
}

const char* NameEscape(unsigned char byte) {
  switch (byte) {
    case '\a':
      return "\\a";
    case '\b':
      return "\\b";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\v':
      return "\\v";
    case '\f':
      return "\\f";
    case '\r':
      return "\\r";
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    default:
      return nullptr;
  }
}

}  // namespace

std::string ShownName(std::string_view name) {
  if (!NeedsQuoting(name)) return std::string(name);
  std::string out = "\"";
  for (std::size_t pos = 0; pos < name.size();) {
    const unsigned char byte = ByteAt(name, pos);
    if (const char* escape = NameEscape(byte)) {
      out += escape;
      ++pos;
      continue;
    }
    const std::size_t length = PlainCharacterLength(name, pos);
    if (length != 0) {
      out.append(name, pos, length);
      pos += length;
      continue;
    }
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
    ++pos;
  }
  out += '"';
  return out;
}

std::string QuoteReadable(std::string_view bytes) {
  std::string out;
  Quote(bytes, "\\x", &ReadableEscape, QuoteSink(out));
  return out;
}

std::string JsonString(std::string_view bytes) {
  std::string out;
  Quote(bytes, "\\u00", &JsonEscape, QuoteSink(out));
  return out;
}

void WriteReadable(std::ostream& out, std::string_view bytes) {
  Quote(bytes, "\\x", &ReadableEscape, QuoteSink(out));
}

void WriteJsonString(std::ostream& out, std::string_view bytes) {
  Quote(bytes, "\\u00", &JsonEscape, QuoteSink(out));
}

void AppendReadable(std::string& out, std::string_view bytes) {
  Quote(bytes, "\\x", &ReadableEscape, QuoteSink(out));
}

void AppendJsonString(std::string& out, std::string_view bytes) {
  Quote(bytes, "\\u00", &JsonEscape, QuoteSink(out));
}

}  // namespace RegexTool
