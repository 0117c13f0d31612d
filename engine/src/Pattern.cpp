#include "engine/Pattern.h"

#include <new>
#include <stdexcept>
#include <string>

#include "PatternImpl.h"
#include "PatternRewriter.h"
#include "SyntaxTranslation.h"
#include "engine/OptionWords.h"

namespace GrepEngine {

Pattern::Pattern(Token, std::unique_ptr<Impl> body) : Body(std::move(body)) {}
Pattern::~Pattern() = default;

std::shared_ptr<const Pattern> Pattern::Compile(const char* first, const char* last,
                                                unsigned optionWord, const std::locale& locale) {
  auto body = std::make_unique<Impl>();
  body->OptionWord = optionWord;
  body->Locale = locale;
  body->Expression.imbue(locale);
  try {
    const auto flags = TranslateSyntax(optionWord);
    if (optionWord & SyntaxBits::Literals) {
      body->Expression.assign(first, last, flags);
    } else {
      const std::string canonical = RewritePattern(first, last, optionWord);
      body->Expression.assign(canonical.data(), canonical.data() + canonical.size(), flags);
    }
    body->ErrorCode = static_cast<unsigned>(body->Expression.status());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const boost::regex_error& error) {
    // no_except covers syntax errors; anything the engine still throws becomes a value too.
    body->ErrorCode = static_cast<unsigned>(error.code());
  } catch (const std::exception&) {
    body->ErrorCode = static_cast<unsigned>(boost::regex_constants::error_unknown);
  }
  return std::make_shared<const Pattern>(Token{}, std::move(body));
}

unsigned Pattern::ErrorCode() const { return Body->ErrorCode; }

std::string Pattern::ErrorText() const {
  if (!Failed()) return std::string();
  return ErrorTextOf(Body->ErrorCode, Body->Locale);
}

unsigned Pattern::MarkCount() const {
  if (Failed()) return 0;
  return static_cast<unsigned>(Body->Expression.mark_count()) + 1;
}

unsigned Pattern::OptionWord() const { return Body->OptionWord; }

std::locale Pattern::Locale() const { return Body->Locale; }

std::string ErrorTextOf(unsigned errorCode, const std::locale& locale) {
  boost::cpp_regex_traits<char> traits;
  traits.imbue(locale);
  return traits.error_string(static_cast<boost::regex_constants::error_type>(errorCode));
}

}  // namespace GrepEngine
