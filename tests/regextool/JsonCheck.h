#pragma once
// A strict JSON syntax check (RFC 8259), UTF-8 of the raw text included, written apart from
// the program's own escaping so that it can judge it.

#include <cstddef>
#include <string>

namespace ToolTest {

class JsonCheck {
 public:
  // True when `text` is exactly one JSON value, surrounding white space aside.
  static bool IsValid(const std::string& text) {
    JsonCheck check(text);
    check.Space();
    if (!check.Value()) return false;
    check.Space();
    return check.Pos == text.size();
  }

 private:
  explicit JsonCheck(const std::string& text) : Text(text) {}

  bool AtEnd() const { return Pos >= Text.size(); }
  unsigned char Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(Text[Pos]); }
  void Space() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++Pos;
  }
  bool Literal(const char* word) {
    const std::string expected(word);
    if (Text.compare(Pos, expected.size(), expected) != 0) return false;
    Pos += expected.size();
    return true;
  }

  bool Value() {
    switch (Peek()) {
      case '{':
        return Object();
      case '[':
        return Array();
      case '"':
        return String();
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  bool Object() {
    ++Pos;
    Space();
    if (Peek() == '}') return ++Pos, true;
    for (;;) {
      Space();
      if (Peek() != '"' || !String()) return false;
      Space();
      if (Peek() != ':') return false;
      ++Pos;
      Space();
      if (!Value()) return false;
      Space();
      if (Peek() == '}') return ++Pos, true;
      if (Peek() != ',') return false;
      ++Pos;
    }
  }

  bool Array() {
    ++Pos;
    Space();
    if (Peek() == ']') return ++Pos, true;
    for (;;) {
      Space();
      if (!Value()) return false;
      Space();
      if (Peek() == ']') return ++Pos, true;
      if (Peek() != ',') return false;
      ++Pos;
    }
  }

  static bool Hex(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

  bool String() {
    ++Pos;
    while (!AtEnd()) {
      const unsigned char c = Peek();
      if (c == '"') return ++Pos, true;
      if (c < 0x20) return false;
      if (c == '\\') {
        ++Pos;
        const unsigned char e = Peek();
        if (e == 'u') {
          for (int i = 1; i <= 4; ++i)
            if (Pos + i >= Text.size() || !Hex(static_cast<unsigned char>(Text[Pos + i])))
              return false;
          Pos += 5;
        } else if (std::string("\"\\/bfnrt").find(static_cast<char>(e)) != std::string::npos &&
                   e != 0) {
          ++Pos;
        } else {
          return false;
        }
      } else if (c < 0x80) {
        ++Pos;
      } else if (!Utf8()) {
        return false;
      }
    }
    return false;
  }

  // One well-formed UTF-8 sequence of two to four bytes.
  bool Utf8() {
    const unsigned char lead = Peek();
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead < 0xC2 || lead > 0xF4 || Pos + length > Text.size()) return false;
    unsigned long code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(Text[Pos + i]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    Pos += length;
    return true;
  }

  bool Number() {
    const std::size_t start = Pos;
    if (Peek() == '-') ++Pos;
    if (Peek() == '0') {
      ++Pos;
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9') ++Pos;
    } else {
      return false;
    }
    if (Peek() == '.') {
      ++Pos;
      if (!(Peek() >= '0' && Peek() <= '9')) return false;
      while (Peek() >= '0' && Peek() <= '9') ++Pos;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++Pos;
      if (Peek() == '+' || Peek() == '-') ++Pos;
      if (!(Peek() >= '0' && Peek() <= '9')) return false;
      while (Peek() >= '0' && Peek() <= '9') ++Pos;
    }
    return Pos > start;
  }

  const std::string& Text;
  std::size_t Pos = 0;
};

}  // namespace ToolTest
