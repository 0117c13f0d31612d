#include "Prefilter.h"

#include "AtomProbe.h"
#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "engine/OptionWords.h"
#include "syntax/BoostText.h"
#include "syntax/PrefilterFacts.h"

namespace GrepEngine {
namespace {

// Atoms whose bytes are asked of the engine, at most, for one pattern: each costs a compile.
constexpr unsigned MostProbes = 64;

const Syntax::Tree* UsableTree(const Pattern& pattern) {
  return pattern.Failed() ? nullptr : &pattern.Internals().Tree;
}

}  // namespace

std::string PlainLiteral(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  return tree != nullptr ? Syntax::PlainLiteral(*tree, pattern.Internals().OptionWord)
                         : std::string();
}

std::vector<std::string> RequiredLiterals(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  if (tree == nullptr) return {};
  return Syntax::RequiredLiterals(*tree, pattern.Internals().OptionWord);
}

bool StaysOnOneLine(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  return tree != nullptr && Syntax::StaysOnOneLine(*tree, pattern.Internals().OptionWord);
}

std::vector<ByteSet> RequiredByteRun(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  if (tree == nullptr) return {};
  const unsigned word = pattern.Internals().OptionWord;
  AtomProbe probe(word, pattern.Internals().Locale);
  const Syntax::AtomBytes bytesOf = [&](Syntax::NodeId atom, ByteSet& set) {
    const Syntax::Node& node = (*tree)[atom];
    if (node.Kind == Syntax::NodeKind::Literal && (word & SyntaxBits::CaseInsensitive) == 0) {
      set.reset();
      set.set(node.Value);
      return true;
    }
    // A UTF-8 tree's ASCII '.' is the engine's '.' on fewer bytes.
    const bool dot = node.Kind == Syntax::NodeKind::AnyByte;
    const std::string text = dot ? std::string(".") : Syntax::BoostText(*tree, atom);
    if (dot && node.Value == Syntax::AsciiDot) {
      if (!probe.Ask(text, set)) return false;
      set &= Syntax::DotBytes(node);
      return set.any();
    }
    if (!probe.Knows(text) && probe.Asked() == MostProbes) {
      set.reset();
      return false;
    }
    return probe.Ask(text, set);
  };
  return Syntax::RequiredByteRun(*tree, bytesOf);
}

Prefilter::Prefilter(std::vector<std::string> required, VectorLevel level) {
  if (!required.empty())
    Table = std::make_shared<const LiteralSetTable>(std::move(required), level);
}

bool Prefilter::MayMatch(const char* first, const char* last) const {
  if (Table == nullptr) return true;
  if (Table->Finder.Usable()) {
    const char* stopped = nullptr;
    if (Table->Finder.Find(first, last, stopped) != nullptr) return true;
    if (stopped == nullptr) return false;
    first = stopped;  // the pass gave up there: each literal from there on
  }
  for (const LiteralFinder& literal : Table->Finders)
    if (literal.Find(first, last) != nullptr) return true;
  return false;
}

}  // namespace GrepEngine
