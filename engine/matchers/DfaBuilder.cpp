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

// Where lines end at a LF only, NotDotNewline keeps '.' off a LF alone: the engine is asked
// without it, and the LF taken out afterwards.
bool DotKeepsOffLineFeedOnly(unsigned matchWord) {
  return (matchWord & MatchBits::NotDotNewline) && (matchWord & MatchBits::LineFeedLines);
}

// '.' is the only atom the match word changes.
FlagBits DotFlags(unsigned matchWord) {
  unsigned dot = matchWord & (MatchBits::NotDotNewline | MatchBits::NotDotNullCharacter);
  if (DotKeepsOffLineFeedOnly(matchWord)) dot &= ~static_cast<unsigned>(MatchBits::NotDotNewline);
  return TranslateMatchFlags(dot);
}

}  // namespace

Syntax::AtomBytes DfaAtomBytes(const Syntax::Tree& tree, unsigned optionWord, unsigned matchWord,
                               AtomProbe& probe) {
  const bool dotOffLineFeed = DotKeepsOffLineFeedOnly(matchWord);
  return [&tree, optionWord, dotOffLineFeed, &probe](Syntax::NodeId atom, ByteSet& set) {
    const Syntax::Node& node = tree[atom];
    if (node.Kind == Syntax::NodeKind::Literal && (optionWord & SyntaxBits::CaseInsensitive) == 0) {
      set.reset();
      set.set(node.Value);
      return true;
    }
    // A UTF-8 tree's ASCII '.' is the engine's '.' on fewer bytes.
    const std::string text = node.Kind == Syntax::NodeKind::AnyByte ? std::string(".")
                                                                    : Syntax::BoostText(tree, atom);
    if (!probe.Knows(text) && probe.Asked() == MostProbes) return false;
    if (!probe.Ask(text, set)) return false;
    if (dotOffLineFeed && node.Kind == Syntax::NodeKind::AnyByte) set.reset('\n');
    if (node.Kind == Syntax::NodeKind::AnyByte) set &= Syntax::DotBytes(node);
    return set.any();
  };
}

AtomProbe DfaAtomProbe(unsigned optionWord, const std::locale& locale, unsigned matchWord) {
  return AtomProbe(optionWord, locale, DotFlags(matchWord));
}

bool DfaTextOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale,
               unsigned matchWord, std::string& text) {
  AtomProbe probe(optionWord, locale, DotFlags(matchWord));
  return Syntax::Re2Text(tree, DfaAtomBytes(tree, optionWord, matchWord, probe), text);
}

std::unique_ptr<DfaProgram> BuildDfa(const Syntax::Tree& tree, unsigned optionWord,
                                     const std::locale& locale, unsigned matchWord) {
  AtomProbe probe(optionWord, locale, DotFlags(matchWord));
  const Syntax::AtomBytes bytesOf = DfaAtomBytes(tree, optionWord, matchWord, probe);
  std::string text;
  if (!Syntax::Re2Text(tree, bytesOf, text)) return nullptr;
  ByteSet leading;
  const bool skips = Syntax::LeadingBytes(tree, bytesOf, leading);
  return DfaProgram::Build(text, skips ? &leading : nullptr);
}

}  // namespace GrepEngine
