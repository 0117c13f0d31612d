#pragma once
// The DFA of a pattern, built from its syntax tree: each atom's bytes are the reference
// engine's own answer under the option word, the locale and the match word's '.' rules.

#include <locale>
#include <memory>
#include <string>

#include "AtomProbe.h"
#include "DfaProgram.h"
#include "syntax/PrefilterFacts.h"
#include "syntax/SyntaxTree.h"

namespace GrepEngine {

// The probe that asks the reference engine for the atoms' bytes under `matchWord`'s '.' rules,
// and each atom's bytes through it (the probe must outlive the function).
AtomProbe DfaAtomProbe(unsigned optionWord, const std::locale& locale, unsigned matchWord);
Syntax::AtomBytes DfaAtomBytes(const Syntax::Tree& tree, unsigned optionWord, unsigned matchWord,
                               AtomProbe& probe);

// The pattern's RE2 text; false when the tree holds something the DFA cannot say exactly.
bool DfaTextOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale,
               unsigned matchWord, std::string& text);

// Null when the tree cannot be said exactly or RE2 refuses it.
std::unique_ptr<DfaProgram> BuildDfa(const Syntax::Tree& tree, unsigned optionWord,
                                     const std::locale& locale, unsigned matchWord);

}  // namespace GrepEngine
