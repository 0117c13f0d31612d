#pragma once
// The locale a pattern is compiled with (CompileOptions::Locale) decides how its text and the
// texts it matches are read: under a locale whose character set is UTF-8 as UTF-8 characters
// (a format's \U, \L, \u and \l change whole characters), under any other as bytes. A
// command-line program takes the locale from its environment, as grep does:
//
//   grepcore::CompileOptions options;
//   options.Locale = grepcore::PatternLocaleFor(grepcore::EnvironmentLocaleName());
//   // LANG=C.UTF-8: "\\U$&" on "résumé" gives "RÉSUMÉ"; LC_ALL=C or none: "RéSUMé"

#include <locale>
#include <string>
#include <string_view>

#include "grepcore/Export.h"

namespace grepcore {

// Whether `locale`'s character set is UTF-8, by its name (C.UTF-8, en_US.utf8, ...; of a
// locale mixed from several, its character type's).
GREPCORE_EXPORT bool IsUtf8Locale(const std::locale& locale);
// The same for a locale's name.
GREPCORE_EXPORT bool IsUtf8LocaleName(std::string_view name);

// The name of the locale the environment gives a program's characters: LC_ALL, else LC_CTYPE,
// else LANG, the first that is set and not empty; empty when none is.
GREPCORE_EXPORT std::string EnvironmentLocaleName();

// The locale to compile patterns with under the locale name `name`: for a UTF-8 character set
// the named locale, or C.UTF-8 where the system has not got that one (and the classic locale
// where it has neither); for any other name, an empty one included, the classic locale.
GREPCORE_EXPORT std::locale PatternLocaleFor(std::string_view name);

}  // namespace grepcore
