#pragma once
// The bytes each consuming node of a tree takes, asked of the engine itself: each distinct
// literal (under case folding), bracket expression and class escape is compiled alone in the
// pattern's option word and locale and searched for in all 256 bytes, so the sub-expression
// resolver steps exactly as the engine matches.

#include <locale>
#include <optional>

#include "groups/Resolver.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

// Nothing when a bracket's members depend on the locale's collation (ranges, equivalence
// classes, collating elements outside the C locale), where a member may be more than one byte.
std::optional<Groups::AtomBytes> EngineBytes(const Syntax::Tree& tree, unsigned optionWord,
                                             const std::locale& locale);

}  // namespace GrepEngine
