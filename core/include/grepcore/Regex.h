#pragma once
// The toolkit's value interface for patterns and text (C++17, no engine headers).
//
// A Pattern is compiled once and then only read: copy it freely (copies share one compiled
// form) and use one from as many threads as you like. Text is a std::string_view that is never
// copied; every Match is a set of views into it, valid as long as the text is. Matching follows
// the toolkit's POSIX rules: the leftmost match, the longest of those, and groups by the POSIX
// sub-expression rules, worked out only when a group is read.
//
// Every operation that can fail returns a Result: it tests true when it holds a value (read the
// value with * or ->), and "no match" is a value (false, an empty optional, 0), never an error.
// The errors are ErrorKind::BadPattern from Compile (with the engine's code, message and,
// where known, the offset in the pattern) and ErrorKind::EngineGaveUp from an operation the
// engine could not decide (its complexity or stack limit, as with "(a*)*\1b" on a long run of
// a's), with the engine's code and message.
//
// One example per task (each compiled and run as examples/value_tour.cpp):
//
//   // Does a text match? The whole text, or anywhere in it.
//   grepcore::Result<grepcore::Pattern> year = grepcore::Pattern::Compile("[0-9]{4}");
//   if (!year) return fail(year.Error().Message, year.Error().Offset);
//   bool whole = *year->FullMatch("2026");           // true
//   bool inside = *year->Contains("since 2026.");    // true
//
//   // Every match's two groups, as pairs.
//   const grepcore::Pattern pair = *grepcore::Pattern::Compile("(\\w+)=(\\w+)");
//   std::vector<std::pair<std::string_view, std::string_view>> pairs;
//   for (const grepcore::Match& m : pair.Matches("a=1, b=2"))
//     pairs.emplace_back(m.Group(1), m.Group(2));     // {"a", "1"}, {"b", "2"}
//
//   // The first match and its position.
//   grepcore::Result<std::optional<grepcore::Match>> first = year->Search("from 1999 to 2026");
//   if (first && *first)  // no error, and a match
//     std::cout << (*first)->Text() << " at " << (*first)->Position();  // 1999 at 5
//
//   // Replace with "$2=$1" (an empty format deletes every match).
//   grepcore::Result<std::string> swapped = pair.Replace("a=1, b=2", "$2=$1");  // "1=a, 2=b"
//
//   // Replace with a callback: here each match upper-cased.
//   const grepcore::Pattern word = *grepcore::Pattern::Compile("[a-z]+");
//   grepcore::Result<std::string> loud = word.Replace("hi there", [](const grepcore::Match& m) {
//     std::string upper(m.Text());
//     for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
//     return upper;
//   });                                                // "HI THERE"
//
//   // Split on a pattern.
//   grepcore::Result<std::vector<std::string_view>> fields =
//       grepcore::Pattern::Compile(" *, *")->Split("a , b,c");  // {"a", "b", "c"}
//
//   // Walk the matches of a 64 MiB text without copying it: views, lines counted on demand.
//   const std::string big = ReadWholeFile("big.log");
//   grepcore::MatchRange errors = grepcore::Pattern::Compile("ERROR [0-9]+")->Matches(big);
//   for (const grepcore::Match& m : errors) std::cout << m.Line() << ':' << m.LineText() << '\n';
//   if (!errors.Outcome()) return fail(errors.Outcome().Error().Message);  // the engine gave up

#include <cstddef>
#include <cstdint>
#include <functional>
#include <locale>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "grepcore/Export.h"
#include "grepcore/Match.h"
#include "grepcore/MatchRange.h"
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
  GREPCORE_EXPORT static CompileOptions FromWord(
      unsigned word, const std::locale& locale = std::locale::classic());
};

// Restrictions on one match operation; all off by default.
struct MatchOptions {
  bool NotBeginningOfLine = false;    // the text's start is not a line start (^ fails there)
  bool NotEndOfLine = false;          // the text's end is not a line end ($ fails there)
  bool NotBeginningOfBuffer = false;  // the text's start is not the buffer's
  bool NotEndOfBuffer = false;
  bool NotBeginningOfWord = false;
  bool NotEndOfWord = false;
  bool NotDotNewline = false;  // . does not match a line feed
  bool NotDotNull = false;     // . does not match NUL
  bool Shortest = false;       // take the first match found at a position
  bool NotEmpty = false;       // an empty match is not accepted
  bool Continuous = false;     // each match starts where the previous one ended
  // The text's lines end at a line feed only, as a search tool reads lines: ^ and $ see no
  // line end beside a carriage return or a form feed, and NotDotNewline keeps . off a line
  // feed alone. Not part of the toolkit's match word.
  bool LineFeedLines = false;

  // The toolkit's match word these stand for, and back.
  GREPCORE_EXPORT unsigned Word() const;
  GREPCORE_EXPORT static MatchOptions FromWord(unsigned word);
};

class GREPCORE_EXPORT Pattern {
 public:
  // Compiles `text` (every byte counts, NUL included). The error is ErrorKind::BadPattern with
  // the engine's code and message, and the offset in `text` where the engine knows it.
  static Result<Pattern> Compile(std::string_view text, const CompileOptions& options = {});

  std::string_view Text() const;
  const CompileOptions& Options() const;
  // The marked sub-expressions (groups 1..GroupCount() of every match).
  std::size_t GroupCount() const;

  // --- Matching. Each operation is const and reads `text` in place; positions count from its
  // start. The error is ErrorKind::EngineGaveUp (and BadArgument for an offset beyond the text).

  // Whether the whole of `text` is a match. MatchOptions::Shortest does not apply: the answer
  // is whether any match at the start reaches the end.
  Result<bool> FullMatch(std::string_view text, const MatchOptions& options = {}) const;
  // Whether there is a match anywhere in `text` (Search without the match).
  Result<bool> Contains(std::string_view text, const MatchOptions& options = {}) const;
  // The match that starts at the text's start, if any; it need not reach the end.
  Result<std::optional<Match>> MatchAt(std::string_view text,
                                       const MatchOptions& options = {}) const;
  // The first match in `text`, and the first at or after `from` (at most text.size()): anchors
  // and word edges still see the bytes before `from`, positions still count from the text's
  // start. A `from` beyond the text is ErrorKind::BadArgument.
  Result<std::optional<Match>> Search(std::string_view text,
                                      const MatchOptions& options = {}) const;
  Result<std::optional<Match>> Search(std::string_view text, std::size_t from,
                                      const MatchOptions& options = {}) const;

  // Every successive match, found as the range is walked (see MatchRange.h for the rules).
  MatchRange Matches(std::string_view text, const MatchOptions& options = {}) const;
  // How many matches Matches() walks.
  Result<std::size_t> Count(std::string_view text, const MatchOptions& options = {}) const;
  // Calls `each(const Match&)` for every match of Matches(); when it returns a bool, false
  // stops the walk. Returns the matches seen, the one at which `each` stopped included.
  template <class Each>
  Result<std::size_t> ForEach(std::string_view text, Each&& each,
                              const MatchOptions& options = {}) const;

  // --- Replacing: a new text, `text` with every match of Matches() replaced (the text between
  // the matches kept as it is).

  // Each match replaced by the expansion of `format` (Match::Format's syntax); an empty format
  // deletes the matches.
  Result<std::string> Replace(std::string_view text, std::string_view format,
                              const MatchOptions& options = {}) const;
  // Each match replaced by what `replacement(const Match&)` returns: a std::string, or anything
  // else a std::string_view is made from (a view need only last until the call returns).
  template <class Replacement,
            class = std::enable_if_t<std::is_invocable_v<Replacement&, const Match&>>>
  Result<std::string> Replace(std::string_view text, Replacement&& replacement,
                              const MatchOptions& options = {}) const;
  // The expansions of `format` for every match, one after another: Replace without the text
  // before, between and after the matches.
  Result<std::string> Expand(std::string_view text, std::string_view format,
                             const MatchOptions& options = {}) const;
  // Only the first match replaced; the text unchanged when there is none.
  Result<std::string> ReplaceFirst(std::string_view text, std::string_view format,
                                   const MatchOptions& options = {}) const;

  // --- Splitting: the pieces of `text` between the matches of Matches(): the text before the
  // first match, between each two, and after the last, so n matches give n + 1 pieces and
  // joining them with the matches gives `text` back. No piece is dropped: a match at the
  // text's start or end gives an empty first or last piece ("a,b," on "," is {"a", "b", ""}),
  // two adjacent matches an empty piece between them, and an empty text without a match one
  // empty piece. An empty match splits where it lies: "x*" splits "abc" at its four empty
  // matches (0, 1, 2 and 3) into {"", "a", "b", "c", ""}.
  Result<std::vector<std::string_view>> Split(std::string_view text,
                                              const MatchOptions& options = {}) const;

  const std::shared_ptr<const PatternData>& Data() const { return Compiled; }

 private:
  explicit Pattern(std::shared_ptr<const PatternData> compiled) : Compiled(std::move(compiled)) {}
  std::shared_ptr<const PatternData> Compiled;
};

template <class Each>
Result<std::size_t> Pattern::ForEach(std::string_view text, Each&& each,
                                     const MatchOptions& options) const {
  MatchRange range = Matches(text, options);
  std::size_t seen = 0;
  for (const Match& match : range) {
    ++seen;
    if constexpr (std::is_void_v<std::invoke_result_t<Each&, const Match&>>) {
      each(match);
    } else if (!each(match)) {
      break;
    }
  }
  Status outcome = range.Outcome();
  if (!outcome) return outcome.Error();
  return seen;
}

template <class Replacement, class>
Result<std::string> Pattern::Replace(std::string_view text, Replacement&& replacement,
                                     const MatchOptions& options) const {
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;
  MatchRange range = Matches(text, options);
  for (const Match& match : range) {
    out.append(text.substr(copied, match.Position() - copied));
    out.append(std::string_view(replacement(match)));
    copied = match.End();
  }
  Status outcome = range.Outcome();
  if (!outcome) return outcome.Error();
  out.append(text.substr(copied));
  return out;
}

}  // namespace grepcore
