#pragma once
// The toolkit's value interface for patterns and text (C++17, no engine headers).
//
// A Pattern is compiled once and then only read: copy it freely (copies share one compiled
// form) and use one from as many threads as you like. Text is a std::string_view that is never
// copied; every Match is a set of views into it, valid as long as the text is. Matching follows
// the toolkit's POSIX rules: the leftmost match, the longest of those, and groups by the POSIX
// sub-expression rules, worked out only when a group is read.
//
// (The manual, one short example per task, is kept at the top of each operation below.)

#include <cstddef>
#include <cstdint>
#include <functional>
#include <locale>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grepcore/Export.h"
#include "grepcore/Result.h"

namespace grepcore {

// How the pattern text is read.
enum class SyntaxKind {
  Normal,    // POSIX extended, with backslash escapes inside brackets (the toolkit's default)
  Extended,  // POSIX extended, with back-references
  Basic,     // POSIX basic: \( \) \{ \} are operators
  Literal,   // the whole pattern is literal text
  Custom,    // only the Extra options: a syntax built from single options
};

// The single compile options, to add to a syntax. Their values are the toolkit's option bits.
namespace Option {
enum : unsigned {
  EscapeInCharacterSets = 0x1,
  CharacterClasses = 0x2,
  Intervals = 0x4,
  LimitedOperations = 0x8,
  NewlineAsAlternationOperator = 0x10,
  QuestionmarkPlusNotOperators = 0x20,
  BracesNotOperators = 0x40,
  ParenthesesNotOperators = 0x80,
  BackReferences = 0x100,
  VerticalbarNotOperator = 0x200,
  NoLocaleSpecificCollation = 0x4000,
};
}  // namespace Option

struct CompileOptions {
  SyntaxKind Syntax = SyntaxKind::Normal;
  bool IgnoreCase = false;
  unsigned Extra = 0;  // Option bits added to the syntax's
  std::locale Locale = std::locale::classic();

  // The toolkit's option word these stand for (as the pattern class's GetFlagOptions()).
  GREPCORE_EXPORT unsigned Word() const;
  // Options from a toolkit option word.
  GREPCORE_EXPORT static CompileOptions FromWord(unsigned word,
                                                 const std::locale& locale = std::locale::classic());
};

// Restrictions on one match operation; all off by default.
struct MatchOptions {
  bool NotBeginningOfLine = false;    // the text's start is not a line start (^ fails there)
  bool NotEndOfLine = false;          // the text's end is not a line end ($ fails there)
  bool NotBeginningOfBuffer = false;  // the text's start is not the buffer's
  bool NotEndOfBuffer = false;
  bool NotBeginningOfWord = false;
  bool NotEndOfWord = false;
  bool NotDotNewline = false;         // . does not match a line feed
  bool NotDotNull = false;            // . does not match NUL
  bool Shortest = false;              // take the first match found at a position
  bool NotEmpty = false;              // an empty match is not accepted
  bool Continuous = false;            // each match starts where the previous one ended

  // The toolkit's match word these stand for, and back.
  GREPCORE_EXPORT unsigned Word() const;
  GREPCORE_EXPORT static MatchOptions FromWord(unsigned word);
};

class Pattern;
class Match;

// One group of a match: a view into the text and its position; not Matched() when the group
// took no part in the match (then Text() is empty and Position() is npos).
class Group {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  Group() = default;
  Group(std::string_view text, std::size_t position) : Bytes(text), At(position) {}

  bool Matched() const { return At != npos; }
  std::string_view Text() const { return Bytes; }
  std::size_t Position() const { return At; }
  std::size_t End() const { return Matched() ? At + Bytes.size() : npos; }
  operator std::string_view() const { return Bytes; }  // NOLINT: a group reads as its text

 private:
  std::string_view Bytes;
  std::size_t At = npos;
};

struct PatternData;  // the compiled form, shared by copies; defined inside the toolkit only

class GREPCORE_EXPORT Pattern {
 public:
  // Compiles `text` (every byte counts, NUL included).
  //
  //   auto pattern = grepcore::Pattern::Compile("(\\w+)@(\\w+)");
  //   if (!pattern) return fail(pattern.Error().Message);
  static Result<Pattern> Compile(std::string_view text, const CompileOptions& options = {});

  std::string_view Text() const;
  const CompileOptions& Options() const;
  // The marked sub-expressions (groups 1..GroupCount() of every match).
  std::size_t GroupCount() const;

  const std::shared_ptr<const PatternData>& Data() const { return Compiled; }

 private:
  explicit Pattern(std::shared_ptr<const PatternData> compiled) : Compiled(std::move(compiled)) {}
  std::shared_ptr<const PatternData> Compiled;
};

}  // namespace grepcore
