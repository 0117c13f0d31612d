#include "SyntaxTranslation.h"

#include "engine/OptionWords.h"

namespace GrepEngine {

boost::regex_constants::syntax_option_type TranslateSyntax(unsigned word) {
  namespace rc = boost::regex_constants;
  // Errors are values: Boost must never throw on a bad pattern.
  rc::syntax_option_type flags = rc::no_except;

  if (word & SyntaxBits::Literals) {
    flags |= rc::literal;
  } else {
    // The canonical syntax: POSIX-extended (leftmost-longest, no Perl extensions) with
    // back-references and backslash escapes inside brackets; the rewriter has already made
    // the pattern say what the word means.
    flags |= boost::regbase::no_perl_ex;
  }
  if (word & SyntaxBits::CaseInsensitive) flags |= rc::icase;
  if (!(word & SyntaxBits::NoLocaleSpecificCollation)) flags |= rc::collate;
  return flags;
}

}  // namespace GrepEngine
