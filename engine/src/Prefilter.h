#pragma once
// What can be known about a pattern's matches from its text alone, so that a search may skip
// the regular-expression engine: whether the pattern is a plain literal, literals (or a run of
// byte sets) every match must contain, and whether a match can cross a line end. The analyses
// read the pattern as its option word says and answer only when they are sure: an empty
// answer means "not known", never "nothing".

#include <bitset>
#include <locale>
#include <string>
#include <vector>

namespace GrepEngine {

// The bytes the pattern stands for when, under `optionWord`, it is nothing but literal text
// (ordinary characters and escaped punctuation) and case matters; empty otherwise. Only the
// default syntax (and the Literals option) is analysed.
std::string PlainLiteral(const char* first, const char* last, unsigned optionWord);

// The longest run of bytes that every match of the pattern contains, or empty when none is
// known (alternation at the top level, case-insensitive matching, another syntax, ...).
std::string RequiredLiteral(const char* first, const char* last, unsigned optionWord);

// Literals of which every match contains at least one: one per alternative of a top-level
// alternation (each the alternative's longest required run), or empty when some alternative
// has none.
std::vector<std::string> RequiredLiterals(const char* first, const char* last, unsigned optionWord);

// True when no match of the pattern can contain a LF, whatever the match word (so every match
// lies within one line). False when not sure: '.', negated brackets, \s and the like.
bool StaysOnOneLine(const char* first, const char* last, unsigned optionWord);

// The bytes one position of a match may hold.
using ByteSet = std::bitset<256>;

// A run of byte sets every match holds somewhere, one position after the other (for
// "[a-z]+[0-9]{2,}": two digits in a row), the most selective the pattern offers; empty when
// none is known. Only the single-byte atoms of the pattern count: literals, brackets, class
// escapes. Each set is what the engine itself accepts for its atom under `optionWord` and
// `locale`, so it is exact for any match word (which can only narrow it).
std::vector<ByteSet> RequiredByteRun(const char* first, const char* last, unsigned optionWord,
                                     const std::locale& locale);

// A text without any of the required literals holds no match: checking that costs a fast scan
// per literal.
class Prefilter {
 public:
  Prefilter() = default;
  explicit Prefilter(std::vector<std::string> required) : Required(std::move(required)) {}

  // True when nothing is known: every text may match.
  bool Empty() const { return Required.empty(); }
  const std::vector<std::string>& Literals() const { return Required; }
  // False only when [first, last) cannot hold a match.
  bool MayMatch(const char* first, const char* last) const;

 private:
  std::vector<std::string> Required;
};

}  // namespace GrepEngine
