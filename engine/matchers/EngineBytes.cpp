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

bool CollationDecides(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale) {
  const std::string name = locale.name();
  if (name == "C" || name == "POSIX") return false;
  for (const Syntax::BracketItem& item : tree.Items) {
    if (item.Kind == Syntax::ItemKind::Equivalence || item.Low.Named || item.High.Named) return true;
    if (item.Kind == Syntax::ItemKind::Range && !(optionWord & SyntaxBits::NoLocaleSpecificCollation))
      return true;
  }
  return false;
}

std::bitset<256> BytesOf(const std::string& text, boost::regex_constants::syntax_option_type flags,
                         const std::locale& locale, bool& ok) {
  std::bitset<256> bytes;
  Regex expression;
  expression.imbue(locale);
  expression.assign(text.data(), text.data() + text.size(), flags);
  if (expression.status() != 0) {
    ok = false;
    return bytes;
  }
  for (unsigned c = 0; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    if (boost::regex_match(&byte, &byte + 1, expression)) bytes.set(c);
  }
  return bytes;
}

}  // namespace

std::optional<Groups::AtomBytes> EngineBytes(const Syntax::Tree& tree, unsigned optionWord,
                                             const std::locale& locale) {
  if (CollationDecides(tree, optionWord, locale)) return std::nullopt;
  const auto flags = TranslateSyntax(optionWord);
  const bool foldsCase = (optionWord & SyntaxBits::CaseInsensitive) != 0;
  Groups::AtomBytes bytes;
  bytes.SetOfNode.assign(tree.Nodes.size(), Groups::AtomBytes::NoSet);
  std::map<std::string, std::uint32_t> known;  // the engine's text of an atom -> its set
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
        set = BytesOf(text, flags, locale, ok);
      found = known.emplace(text, static_cast<std::uint32_t>(bytes.Sets.size())).first;
      bytes.Sets.push_back(set);
    }
    bytes.SetOfNode[id] = found->second;
  }
  bytes.Word = BytesOf("\\w", TranslateSyntax(optionWord & ~SyntaxBits::CaseInsensitive), locale, ok);
  if (!ok) return std::nullopt;
  return bytes;
}

}  // namespace GrepEngine
