#include "SyntaxTranslation.h"

#include "engine/OptionWords.h"

namespace GrepEngine {

boost::regex_constants::syntax_option_type TranslateSyntax(unsigned word) {
  namespace rc = boost::regex_constants;
  // Errors are values: Boost must never throw on a bad pattern.
  rc::syntax_option_type flags = rc::no_except;

  if (word & SyntaxBits::Literals) {
    flags |= rc::literal;
  } else if (word & SyntaxBits::ParenthesesNotOperators) {
    // Groups written \( \): the basic (BRE) family.
    flags |= boost::regbase::basic_syntax_group;
    if (!(word & SyntaxBits::CharacterClasses)) flags |= rc::no_char_classes;
    if (!(word & SyntaxBits::Intervals)) flags |= rc::no_intervals;
    if (word & SyntaxBits::QuestionmarkPlusNotOperators) flags |= rc::bk_plus_qm;
    if (word & SyntaxBits::VerticalbarNotOperator) flags |= rc::bk_vbar;
  } else {
    // The extended (ERE) family; Perl's extensions are not part of the language.
    flags |= boost::regbase::no_perl_ex;
    if (!(word & SyntaxBits::BackReferences)) flags |= boost::regbase::no_bk_refs;
  }

  if (!(word & SyntaxBits::EscapeInCharacterSets)) flags |= rc::no_escape_in_lists;
  if (word & SyntaxBits::NewlineAsAlternationOperator) flags |= boost::regbase::newline_alt;
  if (word & SyntaxBits::CaseInsensitive) flags |= rc::icase;
  if (!(word & SyntaxBits::NoLocaleSpecificCollation)) flags |= rc::collate;
  return flags;
}

}  // namespace GrepEngine
