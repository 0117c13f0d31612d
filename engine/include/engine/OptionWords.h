#pragma once
// The toolkit's compile-option and match-flag words: the bit values callers see and store.
// The engine translates them into Boost.Regex's own flags; the values themselves never change.
//
// The option lists are written here once, in declaration order (an option's ordinal is its
// place in the list): X(name, bit name, value). Everything else that lists the options (the
// ordinals of the option algebra, the flag tables, the published names, the checks on the
// pattern classes' enumerations) is made from these lists.

#define GREPTOOLKIT_EXPRESSION_OPTIONS(X)                                                        \
  X(EscapeInCharacterSets, EscapeInCharacterSets, 0x1) /* backslash escapes inside [...] */     \
  X(CharacterClasses, CharacterClasses, 0x2)           /* [[:alpha:]] and friends */           \
  X(Intervals, Intervals, 0x4)                         /* a{m,n} */                            \
  X(LimitedOperations, LimitedOperations, 0x8)         /* + ? | are ordinary characters */     \
  X(NewlineAsAlternationOperator, NewlineAsAlternationOperator,                                 \
    0x10) /* a newline in the pattern separates alternatives */                                \
  X(QuestionmarkPlusNotOperators, QuestionmarkPlusNotOperators,                                 \
    0x20)                                                /* \+ and \? are the operators */     \
  X(BracesNotOperators, BracesNotOperators, 0x40)        /* \{ \} are the interval operators */ \
  X(ParenthesesNotOperators, ParenthesesNotOperators, 0x80) /* \( \) group */                   \
  X(BackReferences, BackReferences, 0x100)                  /* \1 .. \9 */                      \
  X(VerticalbarNotOperator, VerticalbarNotOperator, 0x200)  /* \| is alternation */             \
  X(Literals, Literals, 0x1000)                  /* the whole pattern is literal text */        \
  X(CaseInsensitive, CaseInsensitive, 0x2000)                                                   \
  X(NoLocaleSpecificCollation, NoLocaleSpecificCollation,                                       \
    0x4000)                   /* ranges compare character codes */                              \
  X(Basic, Basic, 0x1CE)                                                                        \
  X(Extended, Extended, 0x106)                                                                  \
  X(Normal, Normal, 0x4107)

#define GREPTOOLKIT_MATCH_OPTIONS(X)                                                             \
  X(MatchDefault, None, 0x0)                                                                    \
  X(MatchNotBeginningOfLine, NotBeginningOfLine, 0x1)                                           \
  X(MatchNotEndOfLine, NotEndOfLine, 0x2)                                                       \
  X(MatchNotBeginningOfBuffer, NotBeginningOfBuffer, 0x4)                                       \
  X(MatchNotEndOfBuffer, NotEndOfBuffer, 0x8)                                                   \
  X(MatchNotBeginningOfWord, NotBeginningOfWord, 0x10)                                          \
  X(MatchNotEndOfWord, NotEndOfWord, 0x20)                                                      \
  X(MatchNotDotNewline, NotDotNewline, 0x40)                                                    \
  X(MatchNotDotNullCharacter, NotDotNullCharacter, 0x80)                                        \
  X(MatchShortest, Shortest, 0x400)          /* take the first match found at a position */     \
  X(MatchNotNullString, NotNullString, 0x800) /* an empty match is not accepted */              \
  X(MatchContinuous, Continuous, 0x1000)      /* in a grep, each match starts where the last ended */

namespace GrepEngine {

#define GREPTOOLKIT_OPTION_BIT(name, bitName, value) bitName = value,

namespace SyntaxBits {
enum : unsigned { GREPTOOLKIT_EXPRESSION_OPTIONS(GREPTOOLKIT_OPTION_BIT) };
}  // namespace SyntaxBits

namespace MatchBits {
enum : unsigned { GREPTOOLKIT_MATCH_OPTIONS(GREPTOOLKIT_OPTION_BIT) };
}  // namespace MatchBits

#undef GREPTOOLKIT_OPTION_BIT

namespace MatchBits {
// The engine's own bit of a match word, above the toolkit's (which never holds it): the text's
// lines end at a LF only, as a search tool reads lines. ^ and $ then see no line end beside a
// CR or a FF, and NotDotNewline keeps '.' off a LF alone.
enum : unsigned { LineFeedLines = 0x10000 };
}  // namespace MatchBits

namespace SyntaxBits {
// The engine's own bit of an option word, above the toolkit's: the pattern is compiled for a
// text whose LF and NUL bytes were exchanged, lines that end at a NUL searched as lines that
// end at a LF (see LineEndSwap.h). The compiled pattern's option word does not hold it.
enum : unsigned { SwappedLineEnds = 0x10000 };
}  // namespace SyntaxBits

}  // namespace GrepEngine
