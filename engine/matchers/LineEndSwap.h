#pragma once
// Lines that end at a NUL byte, searched as lines that end at a LF: the reader of such a text
// exchanges its LF and NUL bytes before the search, and the pattern's tree gets the same
// exchange here, so that every route (Boost, the DFA, the literal scans, the group resolver)
// matches the exchanged text exactly as the pattern matches the original with NUL line ends:
// a literal NUL becomes a literal LF and back, and a bracket or class escape that takes one
// of the two bytes and not the other takes the other instead.

#include <locale>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {

// Run on a valid tree whose brackets are resolved. False when a bracket's members depend on
// the locale's collation (its bytes are not known one by one): the tree is left as it was.
bool SwapLineFeedAndNul(Syntax::Tree& tree, unsigned optionWord, const std::locale& locale);

}  // namespace GrepEngine
