#pragma once
// What a pattern's tree tells about its matches, so that a search may skip the engine where
// it can: whether the pattern is a plain literal, literals one of which every match contains,
// whether a match can hold a LF, and a run of byte sets every match holds. Each answer holds
// for any match word and any locale the pattern is compiled in; an empty answer (or false)
// means "not known", never "nothing". Case-insensitive patterns give no literals.

#include <bitset>
#include <functional>
#include <string>
#include <vector>

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

// The bytes the pattern stands for when it is nothing but ordinary characters (and case
// matters); empty otherwise.
std::string PlainLiteral(const Tree& tree, unsigned optionWord);

// Literals of which every match contains at least one: for an alternation one set per
// alternative, otherwise the longest literal text the pattern requires (a run of ordinary
// characters, joined across groups and the ends of repeats). Empty when nothing is known.
std::vector<std::string> RequiredLiterals(const Tree& tree, unsigned optionWord);

// Literals one of which every match starts with (zero-width assertions before it aside), at
// most `most` of them, none empty; empty when not known.
std::vector<std::string> LeadingLiterals(const Tree& tree, unsigned optionWord, std::size_t most);

// True when no match can contain a LF, whatever the match word. False when not sure: '.',
// negated brackets, \s and the like, and ranges in the locale's collation order.
bool StaysOnOneLine(const Tree& tree, unsigned optionWord);

using ByteSet = std::bitset<256>;
// The bytes a single-byte atom (a Literal, AnyByte, Bracket or ClassEscape node) accepts;
// false when that is not known.
using AtomBytes = std::function<bool(NodeId atom, ByteSet& bytes)>;

// The byte sets every match starts with, one position after the other (zero-width assertions
// between them aside), from the pattern's top-level sequence: at most `most`, empty when none
// is known.
std::vector<ByteSet> LeadingByteRun(const Tree& tree, const AtomBytes& bytesOf, std::size_t most);

// A run of byte sets every match holds somewhere, one position after the other, taken from
// the atoms of the pattern's top-level sequence: the most selective such run, or empty when
// none is known (an alternation at the top, ...). `bytesOf` gives each atom's set.
std::vector<ByteSet> RequiredByteRun(const Tree& tree, const AtomBytes& bytesOf);

}  // namespace Syntax
}  // namespace GrepEngine
