#include "AtomProbe.h"

#include "PatternImpl.h"
#include "SyntaxTranslation.h"

namespace GrepEngine {

bool AtomProbe::Ask(const std::string& atomText, ByteSet& set) {
  auto known = Known.find(atomText);
  if (known == Known.end()) {
    std::pair<bool, ByteSet> answer{false, ByteSet()};
    Regex expression;
    expression.imbue(Locale);
    expression.assign(atomText.data(), atomText.data() + atomText.size(), TranslateSyntax(Word));
    if (expression.status() == 0 && expression.mark_count() == 0) {
      for (unsigned b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        if (boost::regex_match(&byte, &byte + 1, expression, AsMatchFlags(Flags))) answer.second.set(b);
      }
      answer.first = answer.second.any();
    }
    known = Known.emplace(atomText, answer).first;
  }
  set = known->second.second;
  return known->second.first;
}

}  // namespace GrepEngine
