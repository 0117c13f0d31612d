#include "platform/WideCharacters.h"

#include <locale.h>
#include <wctype.h>

#include <type_traits>

namespace Platform {

static_assert(std::is_convertible_v<wctype_t, unsigned long> && sizeof(wctype_t) <= sizeof(long),
              "a class handle fits");

WideCharacters::WideCharacters(const std::string& name) {
  if (name.empty() || name == "*") return;  // a locale made in the program has no C name
  const locale_t made = ::newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(nullptr));
  if (made != static_cast<locale_t>(nullptr)) Locale = made;
}

WideCharacters::~WideCharacters() {
  if (Locale != nullptr) ::freelocale(static_cast<locale_t>(Locale));
}

unsigned long WideCharacters::Class(const char* name) const {
  return static_cast<unsigned long>(::wctype_l(name, static_cast<locale_t>(Locale)));
}

bool WideCharacters::Is(std::uint32_t code, unsigned long classHandle) const {
  return ::iswctype_l(static_cast<wint_t>(code), static_cast<wctype_t>(classHandle),
                      static_cast<locale_t>(Locale)) != 0;
}

std::uint32_t WideCharacters::Upper(std::uint32_t code) const {
  return static_cast<std::uint32_t>(
      ::towupper_l(static_cast<wint_t>(code), static_cast<locale_t>(Locale)));
}

std::uint32_t WideCharacters::Lower(std::uint32_t code) const {
  return static_cast<std::uint32_t>(
      ::towlower_l(static_cast<wint_t>(code), static_cast<locale_t>(Locale)));
}

}  // namespace Platform
