#pragma once
// The part of a pattern's meaning that belongs to the locale: the names in its bracket
// expressions and the order of its ranges' ends. Run on a valid tree when the pattern is
// compiled, with the locale it is compiled in; the tree keeps what it resolves.
//
// - A class name must be one the locale knows.
// - A collating element ([.c.]) or equivalence class ([=e=]) must name one or two characters.
//   In the C locale there are no multi-character collating elements and every character is an
//   equivalence class of its own: the names must stand for one byte, and the tree gets that
//   byte in their place. In other locales the locale decides when the engine builds its sets.
// - A range must not run backwards: in the locale's collation order, or by byte value with
//   NoLocaleSpecificCollation. With CaseInsensitive its ends are compared after case folding,
//   as the engine builds its sets, so that a range the engine would refuse is refused here
//   with the POSIX error.

#include <locale>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

Error ResolveBrackets(Tree& tree, unsigned optionWord, const std::locale& locale);

}  // namespace Syntax
}  // namespace GrepEngine
