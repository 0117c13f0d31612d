#pragma once
// Reads a pattern under a toolkit option word (SyntaxBits) into its syntax tree: the one
// reader of pattern text. The word says which characters are operators; POSIX says what is
// valid, and anything else is an error with the engine's code (see Syntax::Error):
//
// - Groups are numbered by their opening parenthesis. A back-reference (\1 to \9, with
//   BackReferences) must name a group that is complete before it.
// - A repeat needs something before it to repeat: in the basic operator set (LimitedOperations)
//   a *, \+ or \? at the start of an expression, or right after its leading ^, is an ordinary
//   character; anywhere else a repeat with nothing before it, of an anchor or of another repeat
//   ("a**", "a*?", "a{2}{3}") is an error. Interval bounds go up to 32767.
// - In the basic operator set ^ anchors only at the start of an expression (the pattern, a
//   group or an alternative) and $ only at its end; elsewhere they are ordinary.
// - A parenthesis or brace that closes nothing, written bare, is ordinary.
// - Escapes: \w \W \s \S \d \D, \b \B \< \> \` \', \n \t \r \f \v, \xH, \xHH and \x{H..}
//   (up to FF); any other escaped letter or digit that the word gives no meaning is an error;
//   an escaped digit that is no back-reference is that digit; other escaped characters stand
//   for themselves.
// - "[[:<:]]" and "[[:>:]]" (with CharacterClasses), whole, are the assertions \< and \>.
// - Bracket expressions: a leading ] (after any ^) is a member; - is a member first, last or as
//   a range's end; [:class:] (with CharacterClasses), [=e=] and [.c.] up to their own closing
//   pair; a range may not start or end with a class or an equivalence class, nor run on into
//   another range; with EscapeInCharacterSets a backslash escapes as outside the brackets
//   (\w and friends become classes), otherwise it is a member.
// - With Literals every byte is an ordinary character.
//
// Names (classes, collating elements) and the order of a range's ends depend on the locale and
// are resolved when the pattern is compiled (BracketResolution.h).

#include "syntax/SyntaxTree.h"

namespace GrepEngine {
namespace Syntax {

// With `utf8`, the pattern is read as UTF-8: a literal or a bracket's member is a character,
// its Value or Code a code point, and a byte that starts no well-formed sequence is RawByte
// with that byte (Tree::CodePoints; LowerUtf8 turns such a tree into one over bytes).
Tree Parse(const char* first, const char* last, unsigned optionWord, bool utf8 = false);

}  // namespace Syntax
}  // namespace GrepEngine
