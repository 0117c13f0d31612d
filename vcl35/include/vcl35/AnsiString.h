#pragma once
// AnsiString: the framework's byte string. Its length is its own (it may hold NUL bytes), but
// every conversion to a C++ string or C string stops at the first NUL, as the framework's
// conversions do.

#include <cstddef>
#include <string>

#include "vcl35/Export.h"

namespace vcl35 {

class VCL35_EXPORT AnsiString {
 public:
  AnsiString() = default;
  AnsiString(const char* text);  // NOLINT: implicit, as the framework's is; up to the first NUL
  AnsiString(const char* bytes, std::size_t length);  // all `length` bytes, NUL included
  explicit AnsiString(const std::string& text);       // all of the string's bytes
  explicit AnsiString(std::string&& text);            // the same, taken over without a copy

  // The bytes before the first NUL.
  std::string ToString() const;
  const char* c_str() const { return Bytes.c_str(); }
  std::size_t Length() const { return Bytes.size(); }
  bool IsEmpty() const { return Bytes.empty(); }
  // All bytes, NUL included.
  const std::string& Data() const { return Bytes; }

  AnsiString& operator+=(const AnsiString& other);
  friend bool operator==(const AnsiString& a, const AnsiString& b) { return a.Bytes == b.Bytes; }
  friend bool operator!=(const AnsiString& a, const AnsiString& b) { return a.Bytes != b.Bytes; }
  friend bool operator<(const AnsiString& a, const AnsiString& b) { return a.Bytes < b.Bytes; }

 private:
  std::string Bytes;
};

}  // namespace vcl35
