#include "DfaBuilder.h"

#include "AtomProbe.h"
#include "MatchFlagTranslation.h"
#include "engine/OptionWords.h"
#include "syntax/BoostText.h"
#include "syntax/Re2Text.h"

namespace GrepEngine {

namespace {

// Distinct atoms asked of the reference engine, at most (each costs a compile).
constexpr std::size_t MostProbes = 4096;

// '.' is the only atom the match word changes.
FlagBits DotFlags(unsigned matchWord) {
  return TranslateMatchFlags(matchWord & (MatchBits::NotDotNewline | MatchBits::NotDotNullCharacter));
}

Syntax::AtomBytes BytesOf(const Syntax::Tree& tree, unsigned optionWord, AtomProbe& probe) {
  return [&tree, optionWord, &probe](Syntax::NodeId atom, ByteSet& set) {
    const Syntax::Node& node = tree[atom];
    if (node.Kind == Syntax::NodeKind::Literal && (optionWord & SyntaxBits::CaseInsensitive) == 0) {
      set.reset();
      set.set(node.Value);
      return true;
    }
    const std::string text = Syntax::BoostText(tree, atom);
    if (!probe.Knows(text) && probe.Asked() == MostProbes) return false;
    return probe.Ask(text, set);
  };
}

}  // namespace

bool DfaTextOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale,
               unsigned matchWord, std::string& text) {
  AtomProbe probe(optionWord, locale, DotFlags(matchWord));
  return Syntax::Re2Text(tree, BytesOf(tree, optionWord, probe), text);
}

std::unique_ptr<DfaProgram> BuildDfa(const Syntax::Tree& tree, unsigned optionWord,
                                     const std::locale& locale, unsigned matchWord) {
  AtomProbe probe(optionWord, locale, DotFlags(matchWord));
  const Syntax::AtomBytes bytesOf = BytesOf(tree, optionWord, probe);
  std::string text;
  if (!Syntax::Re2Text(tree, bytesOf, text)) return nullptr;
  ByteSet leading;
  const bool skips = Syntax::LeadingBytes(tree, bytesOf, leading);
  return DfaProgram::Build(text, skips ? &leading : nullptr);
}

}  // namespace GrepEngine
