#include "syntax/BracketResolution.h"

#include <boost/regex.hpp>
#include <string>
#include <utility>
#include <vector>

#include "engine/OptionWords.h"

namespace GrepEngine {
namespace Syntax {
namespace {

using Traits = boost::cpp_regex_traits<char>;

bool IsTheCLocale(const std::locale& locale) {
  const std::string name = locale.name();
  return name == "C" || name == "POSIX";
}

class Resolver {
 public:
  Resolver(Tree& tree, unsigned word, const std::locale& locale)
      : In(tree),
        CaseInsensitive((word & SyntaxBits::CaseInsensitive) != 0),
        ByCode((word & SyntaxBits::NoLocaleSpecificCollation) != 0),
        CLocale(IsTheCLocale(locale)) {
    Locale.imbue(locale);
  }

  Error Resolve(const Bracket& bracket) {
    // The engine keys its ranges differently once a set holds a two-character element, so the
    // ranges are compared after every element is known.
    Digraphs = false;
    Ranges.clear();
    for (std::uint32_t i = 0; i < bracket.ItemCount; ++i) {
      BracketItem& item = In.Items[bracket.FirstItem + i];
      std::string low, high;
      switch (item.Kind) {
        case ItemKind::Class: {
          const std::string name = In.Text(item.ClassOrEquivalence);
          if (Locale.lookup_classname(name.data(), name.data() + name.size()) == 0)
            return Error::ClassName;
          break;
        }
        case ItemKind::Equivalence: {
          const std::string element = Collating(item.ClassOrEquivalence);
          if (element.empty()) return Error::Collate;
          if (element.size() == 1 &&
              Locale.transform_primary(element.data(), element.data() + 1).empty())
            return Error::Collate;  // the locale has no primary key for it
          if (CLocale) {            // the class of one character is that character
            item.Kind = ItemKind::Single;
            item.Low = Element();
            item.Low.Byte = static_cast<unsigned char>(element[0]);
          }
          break;
        }
        case ItemKind::Single:
          if (!ElementText(item.Low, low)) return Error::Collate;
          break;
        case ItemKind::Range:
          if (!ElementText(item.Low, low) || !ElementText(item.High, high)) return Error::Collate;
          Ranges.emplace_back(std::move(low), std::move(high));
          break;
      }
    }
    for (const auto& range : Ranges)
      if (Key(range.first) > Key(range.second)) return Error::Range;
    return Error::None;
  }

 private:
  // The characters a collating element's name stands for: one or two (one in the C locale),
  // or empty when it names none.
  std::string Collating(Name name) {
    const std::string text = In.Text(name);
    std::string element = Locale.lookup_collatename(text.data(), text.data() + text.size());
    if (element.size() > (CLocale ? 1u : 2u)) element.clear();
    if (element.size() == 2) Digraphs = true;
    return element;
  }

  // A member's or range end's characters; in the C locale a named one becomes its byte.
  bool ElementText(Element& element, std::string& text) {
    text =
        element.Named ? Collating(element.Text) : std::string(1, static_cast<char>(element.Byte));
    if (text.empty()) return false;
    if (element.Named && CLocale)
      element = Element{false, static_cast<unsigned char>(text[0]), Name()};
    return true;
  }

  // A range end's sort key, as the engine computes it.
  std::string Key(std::string text) const {
    for (char& c : text) c = Locale.translate(c, CaseInsensitive);
    if (ByCode) return text;  // compared as unsigned bytes
    std::string key = Locale.transform(text.data(), text.data() + text.size());
    if (key.empty() && Digraphs) key.assign(1, '\0');
    return key;
  }

  Tree& In;
  const bool CaseInsensitive;
  const bool ByCode;
  const bool CLocale;
  Traits Locale;
  bool Digraphs = false;
  std::vector<std::pair<std::string, std::string>> Ranges;  // the ends of the ranges
};

}  // namespace

Error ResolveBrackets(Tree& tree, unsigned optionWord, const std::locale& locale) {
  if (tree.Brackets.empty()) return Error::None;
  Resolver resolver(tree, optionWord, locale);
  for (const Bracket& bracket : tree.Brackets) {
    const Error error = resolver.Resolve(bracket);
    if (error != Error::None) return error;
  }
  return Error::None;
}

}  // namespace Syntax
}  // namespace GrepEngine
