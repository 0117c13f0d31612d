#pragma once
// The toolkit's compile-option and match-flag words: the bit values callers see and store.
// The engine translates them into Boost.Regex's own flags; the values themselves never change.

namespace GrepEngine {

namespace SyntaxBits {
enum : unsigned {
  EscapeInCharacterSets = 0x1,          // backslash escapes inside [...]
  CharacterClasses = 0x2,               // [[:alpha:]] and friends
  Intervals = 0x4,                      // a{m,n}
  LimitedOperations = 0x8,              // + ? | are ordinary characters
  NewlineAsAlternationOperator = 0x10,  // a newline in the pattern separates alternatives
  QuestionmarkPlusNotOperators = 0x20,  // \+ and \? are the operators
  BracesNotOperators = 0x40,            // \{ \} are the interval operators
  ParenthesesNotOperators = 0x80,       // \( \) group
  BackReferences = 0x100,               // \1 .. \9
  VerticalbarNotOperator = 0x200,       // \| is alternation
  Literals = 0x1000,                    // the whole pattern is literal text
  CaseInsensitive = 0x2000,
  NoLocaleSpecificCollation = 0x4000,   // ranges compare character codes
  Basic = 0x1CE,
  Extended = 0x106,
  Normal = 0x4107
};
}  // namespace SyntaxBits

namespace MatchBits {
enum : unsigned {
  None = 0x0,
  NotBeginningOfLine = 0x1,
  NotEndOfLine = 0x2,
  NotBeginningOfBuffer = 0x4,
  NotEndOfBuffer = 0x8,
  NotBeginningOfWord = 0x10,
  NotEndOfWord = 0x20,
  NotDotNewline = 0x40,
  NotDotNullCharacter = 0x80,
  Shortest = 0x400,
  NotNullString = 0x800,
  Continuous = 0x1000
};
}  // namespace MatchBits

}  // namespace GrepEngine
