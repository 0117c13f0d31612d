#pragma once
// A format's case escapes (\U \L until \E or the end, \u \l for the next character, \E) over
// UTF-8 text. The engine's formatter changes case one byte at a time, which leaves é alone
// and would split a character if it could change one; in a UTF-8 locale the escapes change
// whole characters instead. The format is cut at its case escapes, each piece between them is
// expanded by the engine's formatter (so every other part keeps the formatter's meaning), and
// the characters each piece expands to are then mapped with the locale's wide character type.
// The escapes follow the formatter's own rules: \u and \l apply to the next character written,
// however many pieces expand to nothing before it, and then give back the case mode they
// interrupted; \U, \L and \E replace the mode, a pending \u or \l included. A byte that is not
// part of a well-formed sequence is a character of its own and is left as it is.

#include <locale>
#include <string>
#include <string_view>
#include <vector>

namespace GrepEngine {

class CaseFormat {
 public:
  // `format` read for the case escapes, with `locale`'s case mappings.
  CaseFormat(const std::string& format, const std::locale& locale);

  // Whether the format needs this: it has a case escape and the locale reads UTF-8. Otherwise
  // the engine's formatter expands the whole format as it always has.
  bool Active() const { return Characters != nullptr; }

  // Appends the format's expansion to `out`. `expand(piece, into)` appends the formatter's
  // expansion of `piece`, a part of the format with no case escape, and returns false when the
  // engine gave up; then so does Expand (with `out` partly written).
  template <class ExpandPiece>
  bool Expand(ExpandPiece&& expand, std::string& out) const {
    Mapping mapping(*Characters);
    std::string expanded;
    for (const Piece& piece : Pieces) {
      mapping.Escape(piece.Escape);
      if (piece.Text.empty()) continue;
      expanded.clear();
      if (!expand(piece.Text, expanded)) return false;
      mapping.Append(expanded, out);
    }
    return true;
  }

  // The format cut before each case escape: the escape's letter ('\0' for the first piece)
  // and the format text that follows it up to the next. Exposed for tests.
  struct Piece {
    char Escape = '\0';
    std::string Text;
  };
  static std::vector<Piece> Split(const std::string& format);

 private:
  // The case mode as the formatter keeps it, applied to the characters of expanded pieces.
  class Mapping {
   public:
    explicit Mapping(const std::ctype<wchar_t>& characters) : Characters(characters) {}
    void Escape(char letter);
    void Append(std::string_view expanded, std::string& out);

   private:
    enum class Mode { Copy, NextLower, NextUpper, Lower, Upper };
    const std::ctype<wchar_t>& Characters;
    Mode Current = Mode::Copy;
    Mode Restore = Mode::Copy;  // what \u or \l gives back after its character
  };

  std::vector<Piece> Pieces;
  const std::ctype<wchar_t>* Characters = nullptr;  // null when not Active()
  std::locale Kept;                                 // keeps the facet alive
};

}  // namespace GrepEngine
