#include "EngineBytes.h"

#include <map>
#include <string>

#include "PatternImpl.h"
#include "SyntaxTranslation.h"
#include "engine/OptionWords.h"
#include "syntax/BoostText.h"

namespace GrepEngine {

namespace {

using Syntax::NodeKind;

bool IsClassic(const std::locale& locale) {
  const std::string name = locale.name();
  return name == "C" || name == "POSIX";
}

bool CollationDecides(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale) {
  if (IsClassic(locale)) return false;
  for (const Syntax::BracketItem& item : tree.Items) {
    if (item.Kind == Syntax::ItemKind::Equivalence || item.Low.Named || item.High.Named) return true;
    if (item.Kind == Syntax::ItemKind::Range && !(optionWord & SyntaxBits::NoLocaleSpecificCollation))
      return true;
  }
  return false;
}

bool HasWordEdges(const Syntax::Tree& tree) {
  for (const Syntax::Node& node : tree.Nodes) {
    if (node.Kind != NodeKind::Assertion) continue;
    const auto kind = static_cast<Syntax::Assertion>(node.Value);
    if (kind == Syntax::Assertion::WordBoundary || kind == Syntax::Assertion::NotWordBoundary ||
        kind == Syntax::Assertion::WordStart || kind == Syntax::Assertion::WordEnd)
      return true;
  }
  return false;
}

// `expression` is imbued with the pattern's locale once, for all atoms.
std::bitset<256> BytesOf(Regex& expression, const std::string& text, boost::regex_constants::syntax_option_type flags,
                         bool& ok) {
  std::bitset<256> bytes;
  expression.assign(text.data(), text.data() + text.size(), flags);
  if (expression.status() != 0) {
    ok = false;
    return bytes;
  }
  // One search over all 256 bytes: each match is one byte the atom takes.
  char all[256];
  for (unsigned c = 0; c < 256; ++c) all[c] = static_cast<char>(c);
  using Matches = boost::regex_iterator<const char*, char, Regex::traits_type>;
  for (Matches m(all, all + 256, expression), end; m != end; ++m)
    if ((*m)[0].second - (*m)[0].first == 1) bytes.set(static_cast<unsigned char>(*(*m)[0].first));
  return bytes;
}

}  // namespace

std::optional<Groups::AtomBytes> EngineBytes(const Syntax::Tree& tree, unsigned optionWord,
                                             const std::locale& locale) {
  if (CollationDecides(tree, optionWord, locale)) return std::nullopt;
  // The C locale collates by byte value, so there the engine's cheaper byte order gives the
  // same members.
  const auto flags =
      TranslateSyntax(IsClassic(locale) ? optionWord | SyntaxBits::NoLocaleSpecificCollation : optionWord);
  const bool foldsCase = (optionWord & SyntaxBits::CaseInsensitive) != 0;
  Groups::AtomBytes bytes;
  bytes.SetOfNode.assign(tree.Nodes.size(), Groups::AtomBytes::NoSet);
  std::map<std::string, std::uint32_t> known;  // the engine's text of an atom -> its set
  Regex expression;
  expression.imbue(locale);
  bool ok = true;
  for (Syntax::NodeId id = 0; id < tree.Nodes.size(); ++id) {
    const Syntax::Node& node = tree[id];
    if (node.Kind != NodeKind::Literal && node.Kind != NodeKind::Bracket && node.Kind != NodeKind::ClassEscape)
      continue;
    const std::string text = Syntax::BoostText(tree, id);
    auto found = known.find(text);
    if (found == known.end()) {
      std::bitset<256> set;
      if (node.Kind == NodeKind::Literal && !foldsCase)
        set.set(node.Value & 0xFFu);
      else
        set = BytesOf(expression, text, flags, ok);
      found = known.emplace(text, static_cast<std::uint32_t>(bytes.Sets.size())).first;
      bytes.Sets.push_back(set);
    }
    bytes.SetOfNode[id] = found->second;
  }
  if (HasWordEdges(tree)) bytes.Word = BytesOf(expression, "\\w", flags & ~boost::regex_constants::icase, ok);
  if (!ok) return std::nullopt;
  return bytes;
}

}  // namespace GrepEngine
