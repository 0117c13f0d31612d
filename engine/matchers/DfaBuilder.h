#pragma once
// The DFA of a pattern, built from its syntax tree: each atom's bytes are the reference
// engine's own answer under the option word, the locale and the match word's '.' rules.

#include <locale>
#include <memory>
#include <string>

#include "DfaProgram.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

// The pattern's RE2 text; false when the tree holds something the DFA cannot say exactly.
bool DfaTextOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale,
               unsigned matchWord, std::string& text);

// Null when the tree cannot be said exactly or RE2 refuses it.
std::unique_ptr<DfaProgram> BuildDfa(const Syntax::Tree& tree, unsigned optionWord,
                                     const std::locale& locale, unsigned matchWord);

}  // namespace GrepEngine
