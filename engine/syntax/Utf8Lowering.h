#pragma once
// A UTF-8 pattern, read into a tree of code points (Parse with utf8), lowered to the tree over
// bytes that matches the same texts: every engine and pass then works on bytes as before.
//
// - A character is its UTF-8 bytes; '.', a bracket and a class escape become the alternation
//   of the byte sequences of their members, merged on common leading bytes so that the bytes
//   decide the branch. None of them takes a byte that is not part of a well-formed sequence;
//   a raw byte of the pattern takes only itself.
// - Brackets are resolved here, by code point: ranges run by code point, classes are the
//   locale's (Unicode's), [=c=] and [.c.] name one character.
// - With CaseInsensitive each literal and set takes its members' case variants (simple case
//   mapping), so the lowered tree is matched with case mattering.
// - Word edges stay assertions; the tree records the word characters (Tree::Utf8Word) so that
//   each engine tests them on characters.

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Unicode {
class CharacterTables;
}
namespace Syntax {

Error LowerUtf8(Tree& tree, unsigned optionWord, const Unicode::CharacterTables& tables);

}  // namespace Syntax
}  // namespace GrepEngine
