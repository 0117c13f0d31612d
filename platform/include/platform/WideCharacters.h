#pragma once
// The C library's wide-character classes and simple case mappings of a named locale, asked one
// code point at a time: the C++ facet asks the library once for every class bit it tries, this
// once in all, which is what a table of all code points is made of.

#include <cstdint>
#include <string>

namespace Platform {

class WideCharacters {
 public:
  // Usable() says whether the C library has the locale `name`.
  explicit WideCharacters(const std::string& name);
  ~WideCharacters();
  WideCharacters(const WideCharacters&) = delete;
  WideCharacters& operator=(const WideCharacters&) = delete;

  bool Usable() const { return Locale != nullptr; }
  // A class by its C name (alnum, alpha, ...) for Is; 0 when the locale has no such class.
  unsigned long Class(const char* name) const;
  bool Is(std::uint32_t code, unsigned long classHandle) const;
  std::uint32_t Upper(std::uint32_t code) const;
  std::uint32_t Lower(std::uint32_t code) const;

 private:
  void* Locale = nullptr;  // the C library's locale_t, owned
};

}  // namespace Platform
