#pragma once
// Whether a pattern's matches depend on the text around them. A pattern without assertions
// (anchors, word edges, buffer edges) and without back-references matches a stretch of text
// by what the stretch holds alone; one that cannot match the empty text has, in a text that is
// exactly one of its matches, that match as its first and only one.

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

// True when the tree holds no assertion and no back-reference.
bool IndependentOfContext(const Tree& tree);

// True when some match of the tree can be empty. A failed tree gives false.
bool CanMatchEmpty(const Tree& tree);

}  // namespace Syntax
}  // namespace GrepEngine
