#pragma once
// The character classes and case mappings of a UTF-8 locale as sets of code points, read from
// the locale's wide character type facet. One object serves one pattern compile: each table is
// computed on first use, in a pass over all code points, and kept by the object.

#include <array>
#include <cstdint>
#include <locale>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "unicode/CodeSet.h"

namespace Platform {
class WideCharacters;
}

namespace GrepEngine {
namespace Unicode {

class CharacterTables {
 public:
  explicit CharacterTables(const std::locale& locale);
  ~CharacterTables();
  CharacterTables(const CharacterTables&) = delete;
  CharacterTables& operator=(const CharacterTables&) = delete;

  // The members of a class by name: alnum alpha blank cntrl digit graph lower print punct
  // space upper xdigit, and the escape letters "w" (alnum plus '_'), "s" (space), "d" (digit).
  // False, and `members` untouched, for an unknown name.
  bool Class(const std::string& name, CodeSet& members) const;
  // What word edges count as word characters: alnum plus '_'.
  const CodeSet& Word() const;
  // The set with every member's case variants: the members of each group of code points that
  // the locale's upper and lower case mappings link, directly or through others (so 'k' brings
  // 'K' and U+212A KELVIN SIGN, 's' brings U+017F). The result is closed.
  CodeSet CaseClosure(const CodeSet& set) const;
  // The simple mappings; the code itself when it has none.
  std::uint32_t Upper(std::uint32_t code) const;
  std::uint32_t Lower(std::uint32_t code) const;

 private:
  static constexpr std::size_t ClassCount = 12;
  // The groups of code points linked by case, each sorted, and each code of a group with the
  // group's number, sorted by code.
  struct CaseGroups {
    std::vector<std::uint32_t> Members;
    std::vector<std::size_t> Starts;  // group i is Members[Starts[i], Starts[i + 1])
    std::vector<std::pair<std::uint32_t, std::size_t>> GroupOf;
  };

  const CodeSet& ClassMembers(std::size_t index) const;
  const CaseGroups& Groups() const;

  std::locale locale_;
  const std::ctype<wchar_t>* ctype_;  // owned by locale_
  // The same tables from the C library, asked directly, where it knows the locale's name.
  std::unique_ptr<const Platform::WideCharacters> library_;
  mutable std::array<std::optional<CodeSet>, ClassCount> classes_;
  mutable std::optional<CodeSet> word_;
  mutable std::optional<CaseGroups> groups_;
};

}  // namespace Unicode
}  // namespace GrepEngine
