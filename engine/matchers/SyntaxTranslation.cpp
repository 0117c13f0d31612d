#include "SyntaxTranslation.h"

#include "engine/OptionWords.h"

namespace GrepEngine {

boost::regex_constants::syntax_option_type TranslateSyntax(unsigned word) {
  namespace rc = boost::regex_constants;
  // Errors are values: Boost must never throw on a bad pattern. The canonical syntax: the Perl
  // family without Perl's extensions (leftmost-longest, back-references, backslash escapes
  // inside brackets), in which the tree's text says what the word means.
  rc::syntax_option_type flags = rc::no_except | boost::regbase::no_perl_ex;
  if (word & SyntaxBits::CaseInsensitive) flags |= rc::icase;
  if (!(word & SyntaxBits::NoLocaleSpecificCollation)) flags |= rc::collate;
  return flags;
}

}  // namespace GrepEngine
