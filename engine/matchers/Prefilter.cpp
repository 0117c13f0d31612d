#include "Prefilter.h"

#include <map>
#include <utility>

#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "SyntaxTranslation.h"
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

// The bytes the engine accepts for the pattern `atom`, asked byte by byte; false when it does
// not compile alone or accepts nothing.
bool AskEngine(const std::string& atom, unsigned word, const std::locale& locale, ByteSet& set) {
  Regex expression;
  expression.imbue(locale);
  expression.assign(atom.data(), atom.data() + atom.size(), TranslateSyntax(word));
  if (expression.status() != 0 || expression.mark_count() != 0) return false;
  set.reset();
  for (unsigned b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    if (boost::regex_match(&byte, &byte + 1, expression)) set.set(b);
  }
  return set.any();
}

}  // namespace

std::string PlainLiteral(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  return tree != nullptr ? Syntax::PlainLiteral(*tree, pattern.OptionWord()) : std::string();
}

std::vector<std::string> RequiredLiterals(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  if (tree == nullptr) return {};
  return Syntax::RequiredLiterals(*tree, pattern.OptionWord());
}

bool StaysOnOneLine(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  return tree != nullptr && Syntax::StaysOnOneLine(*tree, pattern.OptionWord());
}

std::vector<ByteSet> RequiredByteRun(const Pattern& pattern) {
  const Syntax::Tree* tree = UsableTree(pattern);
  if (tree == nullptr) return {};
  const unsigned word = pattern.OptionWord();
  const std::locale locale = pattern.Locale();
  std::map<std::string, std::pair<bool, ByteSet>> asked;  // by the atom's text
  const Syntax::AtomBytes bytesOf = [&](Syntax::NodeId atom, ByteSet& set) {
    const Syntax::Node& node = (*tree)[atom];
    if (node.Kind == Syntax::NodeKind::Literal && (word & SyntaxBits::CaseInsensitive) == 0) {
      set.reset();
      set.set(node.Value);
      return true;
    }
    const std::string text = Syntax::BoostText(*tree, atom);
    auto known = asked.find(text);
    if (known == asked.end()) {
      if (asked.size() == MostProbes) return false;
      std::pair<bool, ByteSet> answer;
      answer.first = AskEngine(text, word, locale, answer.second);
      known = asked.emplace(text, answer).first;
    }
    set = known->second.second;
    return known->second.first;
  };
  return Syntax::RequiredByteRun(*tree, bytesOf);
}

bool Prefilter::MayMatch(const char* first, const char* last) const {
  if (Required.empty()) return true;
  for (const std::string& literal : Required)
    if (FindLiteral(first, last, literal) != nullptr) return true;
  return false;
}

}  // namespace GrepEngine
