#pragma once
// The pattern class set from the engine's option and match words, bit by bit through its
// published options, as the differential tests draw them.

#include "grepcore/Regularexpressionclass.h"

namespace ClassWords {

using RE = RegexClass::RegularExpression;

inline void SetOptionWord(RE& re, unsigned word) {
  static const struct {
    unsigned Bit;
    RE::Options Option;
  } singles[] = {
      {0x1, RE::EscapeInCharacterSets},
      {0x2, RE::CharacterClasses},
      {0x4, RE::Intervals},
      {0x8, RE::LimitedOperations},
      {0x10, RE::NewlineAsAlternationOperator},
      {0x20, RE::QuestionmarkPlusNotOperators},
      {0x40, RE::BracesNotOperators},
      {0x80, RE::ParenthesesNotOperators},
      {0x100, RE::BackReferences},
      {0x200, RE::VerticalbarNotOperator},
      {0x1000, RE::Literals},
      {0x2000, RE::CaseInsensitive},
      {0x4000, RE::NoLocaleSpecificCollation},
  };
  re.ClearExpressionOptions();
  for (const auto& single : singles)
    if (word & single.Bit) re.AddExpressionOption(single.Option);
}

inline void SetMatchWord(RE& re, unsigned word) {
  static const struct {
    unsigned Bit;
    RE::Matches Option;
  } singles[] = {
      {0x1, RE::MatchNotBeginningOfLine},   {0x2, RE::MatchNotEndOfLine},
      {0x4, RE::MatchNotBeginningOfBuffer}, {0x8, RE::MatchNotEndOfBuffer},
      {0x10, RE::MatchNotBeginningOfWord},  {0x20, RE::MatchNotEndOfWord},
      {0x40, RE::MatchNotDotNewline},       {0x80, RE::MatchNotDotNullCharacter},
      {0x400, RE::MatchShortest},           {0x800, RE::MatchNotNullString},
      {0x1000, RE::MatchContinuous},
  };
  re.ClearMatchOptions();
  for (const auto& single : singles)
    if (word & single.Bit) re.AddMatchOption(single.Option);
}

}  // namespace ClassWords
