#pragma once
// The syntax tree as readable text, for tests and for looking at what a pattern was read as:
//   "ab*"      -> (cat 'a' (repeat 0 inf 'b'))
//   "(a|b)\1"  -> (cat (group 1 (alt 'a' 'b')) \1)
//   "[^a-z[:digit:]]" -> [^a-z[:digit:]]
// A literal byte outside printable ASCII, a quote or a backslash is written \xHH; a bracket
// expression as the engine's text has it (special members escaped), unprintable bytes in hex;
// anchors and class escapes as in a pattern; a failed tree as "error N at OFFSET".

#include <string>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

std::string Print(const Tree& tree);

}  // namespace Syntax
}  // namespace GrepEngine
