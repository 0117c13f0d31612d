#include "grepcore/Locale.h"

#include <optional>
#include <stdexcept>

#include "platform/Environment.h"
#include "unicode/Utf8.h"

namespace grepcore {
namespace {

std::optional<std::locale> SystemLocale(const std::string& name) {
  try {
    return std::locale(name);
  } catch (const std::runtime_error&) {
    return std::nullopt;  // the system has no such locale
  }
}

}  // namespace

bool IsUtf8Locale(const std::locale& locale) { return GrepEngine::Unicode::IsUtf8Locale(locale); }

bool IsUtf8LocaleName(std::string_view name) {
  return GrepEngine::Unicode::IsUtf8LocaleName(std::string(name));
}

std::string EnvironmentLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    std::string value = Platform::EnvironmentValue(variable);
    if (!value.empty()) return value;
  }
  return std::string();
}

std::locale PatternLocaleFor(std::string_view name) {
  if (!IsUtf8LocaleName(name)) return std::locale::classic();
  // A name the system lacks still asks for UTF-8: C.UTF-8 is the one most systems have.
  for (const std::string& candidate : {std::string(name), std::string("C.UTF-8")}) {
    std::optional<std::locale> locale = SystemLocale(candidate);
    if (locale && IsUtf8Locale(*locale)) return *locale;
  }
  return std::locale::classic();
}

}  // namespace grepcore
