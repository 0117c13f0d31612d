// MatchOptions and the toolkit's match word, one flag to one bit.
#include "PatternData.h"
#include "engine/OptionWords.h"
#include "grepcore/Regex.h"

namespace grepcore {
namespace {

namespace Bits = GrepEngine::MatchBits;

// Each option beside the bit it stands for.
constexpr struct {
  bool MatchOptions::*Flag;
  unsigned Bit;
} Pairs[] = {
    {&MatchOptions::NotBeginningOfLine, Bits::NotBeginningOfLine},
    {&MatchOptions::NotEndOfLine, Bits::NotEndOfLine},
    {&MatchOptions::NotBeginningOfBuffer, Bits::NotBeginningOfBuffer},
    {&MatchOptions::NotEndOfBuffer, Bits::NotEndOfBuffer},
    {&MatchOptions::NotBeginningOfWord, Bits::NotBeginningOfWord},
    {&MatchOptions::NotEndOfWord, Bits::NotEndOfWord},
    {&MatchOptions::NotDotNewline, Bits::NotDotNewline},
    {&MatchOptions::NotDotNull, Bits::NotDotNullCharacter},
    {&MatchOptions::Shortest, Bits::Shortest},
    {&MatchOptions::NotEmpty, Bits::NotNullString},
    {&MatchOptions::Continuous, Bits::Continuous},
};

}  // namespace

unsigned MatchOptions::Word() const {
  unsigned word = 0;
  for (const auto& pair : Pairs)
    if (this->*pair.Flag) word |= pair.Bit;
  return word;
}

unsigned EngineMatchWord(const MatchOptions& options) {
  return options.Word() | (options.LineFeedLines ? unsigned{Bits::LineFeedLines} : 0u);
}

MatchOptions MatchOptions::FromWord(unsigned word) {
  MatchOptions options;
  for (const auto& pair : Pairs) options.*pair.Flag = (word & pair.Bit) != 0;
  return options;
}

}  // namespace grepcore
