#include "CaseFormat.h"

#include <cstdint>

#include "unicode/Utf8.h"

namespace GrepEngine {
namespace {

bool IsCaseEscape(char letter) {
  return letter == 'U' || letter == 'L' || letter == 'u' || letter == 'l' || letter == 'E';
}

// How many bytes of `format` from `i` (a backslash) the formatter takes as one escape that is
// not a case escape. Only the escapes that may take a backslash after them matter here: \c
// takes the next byte whatever it is. The others take letters or digits.
std::size_t EscapeLength(const std::string& format, std::size_t i) {
  if (i + 1 == format.size()) return 1;  // a trailing backslash stands for itself
  if (format[i + 1] == 'c' && i + 2 < format.size()) return 3;
  return 2;
}

// The same for a '$' at `i`: "$$" is a dollar sign and "$+{...}" a name that may hold any
// byte up to its brace; any other reference is letters, digits and braces.
std::size_t ReferenceLength(const std::string& format, std::size_t i) {
  if (i + 1 < format.size() && format[i + 1] == '$') return 2;
  if (i + 2 < format.size() && format[i + 1] == '+' && format[i + 2] == '{') {
    const std::size_t close = format.find('}', i + 3);
    return close == std::string::npos ? 2 : close + 1 - i;
  }
  return 1;
}

}  // namespace

std::vector<CaseFormat::Piece> CaseFormat::Split(const std::string& format) {
  std::vector<Piece> pieces(1);
  std::size_t i = 0;
  while (i < format.size()) {
    std::size_t length = 1;
    if (format[i] == '\\') {
      if (i + 1 < format.size() && IsCaseEscape(format[i + 1])) {
        pieces.emplace_back();
        pieces.back().Escape = format[i + 1];
        i += 2;
        continue;
      }
      length = EscapeLength(format, i);
    } else if (format[i] == '$') {
      length = ReferenceLength(format, i);
    }
    pieces.back().Text.append(format, i, length);
    i += length;
  }
  return pieces;
}

CaseFormat::CaseFormat(const std::string& format, const std::locale& locale) {
  // Without a backslash there is no case escape; the common formats stop here.
  if (format.find('\\') == std::string::npos || !Unicode::IsUtf8Locale(locale)) return;
  std::vector<Piece> pieces = Split(format);
  if (pieces.size() == 1) return;
  Pieces = std::move(pieces);
  Kept = locale;
  Characters = &std::use_facet<std::ctype<wchar_t>>(Kept);
}

void CaseFormat::Mapping::Escape(char letter) {
  switch (letter) {
    case 'l':
      Restore = Current;
      Current = Mode::NextLower;
      break;
    case 'u':
      Restore = Current;
      Current = Mode::NextUpper;
      break;
    case 'L':
      Current = Mode::Lower;
      break;
    case 'U':
      Current = Mode::Upper;
      break;
    case 'E':
      Current = Mode::Copy;
      break;
    default:
      break;
  }
}

void CaseFormat::Mapping::Append(std::string_view expanded, std::string& out) {
  const char* p = expanded.data();
  const char* const last = p + expanded.size();
  while (p != last) {
    if (Current == Mode::Copy) {
      out.append(p, last);
      return;
    }
    std::uint32_t code = 0;
    const unsigned length = Unicode::SequenceAt(p, last, code);
    const bool upper = Current == Mode::Upper || Current == Mode::NextUpper;
    if (Current == Mode::NextLower || Current == Mode::NextUpper) Current = Restore;
    if (length == 0) {
      out += *p++;  // not a character of UTF-8: kept as it is
      continue;
    }
    const wchar_t wide = static_cast<wchar_t>(code);
    const std::uint32_t mapped =
        static_cast<std::uint32_t>(upper ? Characters.toupper(wide) : Characters.tolower(wide));
    // A mapping that leaves the code points (or the surrogates) is not taken.
    const bool valid = mapped <= Unicode::LastCode && (mapped < 0xD800 || mapped > 0xDFFF);
    if (valid && mapped != code)
      Unicode::AppendUtf8(out, mapped);
    else
      out.append(p, length);
    p += length;
  }
}

}  // namespace GrepEngine
