#include <utility>

#include "PatternData.h"
#include "engine/OptionWords.h"
#include "grepcore/Regex.h"

namespace grepcore {
namespace {

unsigned SyntaxWord(SyntaxKind syntax) {
  switch (syntax) {
    case SyntaxKind::Normal:
      return GrepEngine::SyntaxBits::Normal;
    case SyntaxKind::Extended:
      return GrepEngine::SyntaxBits::Extended;
    case SyntaxKind::Basic:
      return GrepEngine::SyntaxBits::Basic;
    case SyntaxKind::Literal:
      return GrepEngine::SyntaxBits::Literals;
    case SyntaxKind::Custom:
      return 0;
  }
  return GrepEngine::SyntaxBits::Normal;
}

}  // namespace

unsigned CompileOptions::Word() const {
  unsigned word = SyntaxWord(Syntax) | Extra;
  if (IgnoreCase) word |= GrepEngine::SyntaxBits::CaseInsensitive;
  return word;
}

CompileOptions CompileOptions::FromWord(unsigned word, const std::locale& locale) {
  namespace Bits = GrepEngine::SyntaxBits;
  CompileOptions options;
  options.Locale = locale;
  options.IgnoreCase = (word & Bits::CaseInsensitive) != 0;
  word &= ~static_cast<unsigned>(Bits::CaseInsensitive);
  // The largest syntax the word holds whole; the rest are single options.
  if ((word & Bits::Literals) != 0) {
    options.Syntax = SyntaxKind::Literal;
    word &= ~static_cast<unsigned>(Bits::Literals);
  } else if ((word & Bits::Normal) == Bits::Normal) {
    options.Syntax = SyntaxKind::Normal;
    word &= ~static_cast<unsigned>(Bits::Normal);
  } else if ((word & Bits::Basic) == Bits::Basic) {
    options.Syntax = SyntaxKind::Basic;
    word &= ~static_cast<unsigned>(Bits::Basic);
  } else if ((word & Bits::Extended) == Bits::Extended) {
    options.Syntax = SyntaxKind::Extended;
    word &= ~static_cast<unsigned>(Bits::Extended);
  } else {
    options.Syntax = SyntaxKind::Custom;
  }
  options.Extra = word;
  return options;
}

Result<Pattern> Pattern::Compile(std::string_view text, const CompileOptions& options) {
  auto data = std::make_shared<PatternData>();
  data->Text = std::string(text);
  data->Options = options;
  data->Engine = GrepEngine::Pattern::Compile(data->Text.data(), data->Text.data() + data->Text.size(),
                                              options.Word(), options.Locale);
  if (data->Engine->Failed()) {
    Error error;
    error.Kind = ErrorKind::BadPattern;
    error.Code = data->Engine->ErrorCode();
    error.Message = data->Engine->ErrorText();
    return error;
  }
  return Pattern(std::move(data));
}

std::string_view Pattern::Text() const { return Compiled->Text; }
const CompileOptions& Pattern::Options() const { return Compiled->Options; }
std::size_t Pattern::GroupCount() const {
  const unsigned marks = Compiled->Engine->MarkCount();
  return marks == 0 ? 0 : marks - 1;
}

}  // namespace grepcore
