#pragma once
// The syntax tree written out for the DFA engine (RE2, Latin-1 bytes). Every single-byte atom
// (a literal, '.', a bracket or a class escape) becomes an explicit byte class, with the bytes
// the caller gives for it (the reference engine's own answer), so case folding, classes and
// ranges mean exactly what they mean to the reference engine. Groups do not capture: the DFA
// finds the whole match only.
//
// Anchors: ^ and $ become RE2's multi-line anchors (a line ends at a LF only), \` and \' the
// text's ends, \b the ASCII word boundary; \<, \> and \B become \b or \B where a piece beside
// them always takes a word byte there. What RE2 has no equal for (back-references, those three
// elsewhere, repeats above RE2's bound) makes the translation fail.

#include <string>

#include "syntax/PrefilterFacts.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

// The largest repeat bound RE2 accepts.
constexpr std::uint32_t MostRe2Repeat = 1000;

// False when the tree holds something RE2 cannot say the same way, or an atom's bytes are not
// known; `out` is then unspecified.
bool Re2Text(const Tree& tree, const AtomBytes& bytesOf, std::string& out);

// A byte set as one RE2 atom: \xHH for one byte, a class otherwise (an empty set matches
// nothing).
std::string Re2Class(const ByteSet& bytes);

// The bytes a non-empty match can start with; false when a match may be empty or a byte is
// not known.
bool LeadingBytes(const Tree& tree, const AtomBytes& bytesOf, ByteSet& out);

}  // namespace Syntax
}  // namespace GrepEngine
