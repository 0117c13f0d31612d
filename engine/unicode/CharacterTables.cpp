#include "unicode/CharacterTables.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <utility>

#include "platform/WideCharacters.h"
#include "unicode/Utf8.h"

namespace GrepEngine {
namespace Unicode {
namespace {

static_assert(sizeof(wchar_t) >= 4, "a wide character holds any code point");

struct NamedClass {
  const char* Name;
  std::ctype_base::mask Mask;
};

// In the order of CharacterTables' class slots.
constexpr NamedClass Classes[] = {
    {"alnum", std::ctype_base::alnum}, {"alpha", std::ctype_base::alpha},
    {"blank", std::ctype_base::blank}, {"cntrl", std::ctype_base::cntrl},
    {"digit", std::ctype_base::digit}, {"graph", std::ctype_base::graph},
    {"lower", std::ctype_base::lower}, {"print", std::ctype_base::print},
    {"punct", std::ctype_base::punct}, {"space", std::ctype_base::space},
    {"upper", std::ctype_base::upper}, {"xdigit", std::ctype_base::xdigit},
};
constexpr std::size_t AlnumSlot = 0, DigitSlot = 4, SpaceSlot = 9;

// The class slot of a name, or past the last slot for an unknown name.
std::size_t SlotOf(const std::string& name) {
  if (name == "s") return SpaceSlot;
  if (name == "d") return DigitSlot;
  std::size_t slot = 0;
  while (slot < std::size(Classes) && name != Classes[slot].Name) ++slot;
  return slot;
}

// The facet is asked about a block of consecutive code points at a time: one virtual call per
// block, and no table of all code points.
constexpr std::uint32_t BlockSize = 4096;

std::uint32_t FillBlock(std::uint32_t base, wchar_t* block) {
  const std::uint32_t count = std::min(BlockSize, LastCode + 1 - base);
  for (std::uint32_t i = 0; i < count; ++i) block[i] = static_cast<wchar_t>(base + i);
  return count;
}

// Planes 4 to 13 hold no characters: no class has members there and no case mapping starts
// there, so the scans pass over them (the tests hold this to the C library's own tables).
constexpr std::uint32_t FirstEmptyPlane = 0x40000, AfterEmptyPlanes = 0xE0000;
static_assert(FirstEmptyPlane % BlockSize == 0 && AfterEmptyPlanes % BlockSize == 0);

bool InEmptyPlanes(std::uint32_t base) {
  return base >= FirstEmptyPlane && base < AfterEmptyPlanes;
}

// The members of one class: the facet's scans find where each run of members starts and ends,
// asking one question per code point.
CodeSet ScanClass(const std::ctype<wchar_t>& ctype, std::ctype_base::mask mask) {
  CodeSet members;
  wchar_t block[BlockSize];
  bool inside = false;
  std::uint32_t start = 0;
  for (std::uint32_t base = 0; base <= LastCode; base += BlockSize) {
    if (InEmptyPlanes(base)) {
      if (inside) members.Add(start, base - 1);
      inside = false;
      continue;
    }
    const wchar_t* end = block + FillBlock(base, block);
    for (const wchar_t* p = block; p < end;) {
      p = inside ? ctype.scan_not(mask, p, end) : ctype.scan_is(mask, p, end);
      if (p == end) break;
      const std::uint32_t code = base + static_cast<std::uint32_t>(p - block);
      if (inside)
        members.Add(start, code - 1);
      else
        start = code;
      inside = !inside;
    }
  }
  if (inside) members.Add(start, LastCode);
  return members;
}

// The same from the C library directly, where it has the locale: one question per code point
// where the facet asks one per class bit it tries.
CodeSet ScanClass(const Platform::WideCharacters& library, unsigned long handle) {
  CodeSet members;
  bool inside = false;
  std::uint32_t start = 0;
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    if (code == FirstEmptyPlane) {
      if (inside) members.Add(start, code - 1);
      inside = false;
      code = AfterEmptyPlanes - 1;
      continue;
    }
    const bool member = library.Is(code, handle);
    if (member == inside) continue;
    if (member)
      start = code;
    else
      members.Add(start, code - 1);
    inside = member;
  }
  if (inside) members.Add(start, LastCode);
  return members;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> CaseLinks(
    const Platform::WideCharacters& library) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> links;
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    if (code == FirstEmptyPlane) {
      code = AfterEmptyPlanes - 1;
      continue;
    }
    for (const std::uint32_t target : {library.Upper(code), library.Lower(code)})
      if (target != code && target <= LastCode) links.emplace_back(code, target);
  }
  return links;
}

// Every pair of a code point and a different code point that it maps to, upper or lower.
std::vector<std::pair<std::uint32_t, std::uint32_t>> CaseLinks(const std::ctype<wchar_t>& ctype) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> links;
  wchar_t upper[BlockSize], lower[BlockSize];
  for (std::uint32_t base = 0; base <= LastCode; base += BlockSize) {
    if (InEmptyPlanes(base)) continue;
    const std::uint32_t count = FillBlock(base, upper);
    std::copy(upper, upper + count, lower);
    ctype.toupper(upper, upper + count);
    ctype.tolower(lower, lower + count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t code = base + i;
      for (const wchar_t mapped : {upper[i], lower[i]}) {
        const auto target = static_cast<std::uint32_t>(mapped);
        if (target != code && target <= LastCode) links.emplace_back(code, target);
      }
    }
  }
  return links;
}

}  // namespace

CharacterTables::CharacterTables(const std::locale& locale)
    : locale_(locale), ctype_(&std::use_facet<std::ctype<wchar_t>>(locale_)) {
  auto library = std::make_unique<Platform::WideCharacters>(CharacterTypeName(locale.name()));
  if (library->Usable()) library_ = std::move(library);
}

CharacterTables::~CharacterTables() = default;

bool CharacterTables::Class(const std::string& name, CodeSet& members) const {
  if (name == "w") {
    members = Word();
    return true;
  }
  const std::size_t slot = SlotOf(name);
  if (slot >= ClassCount) return false;
  members = ClassMembers(slot);
  return true;
}

const CodeSet& CharacterTables::ClassMembers(std::size_t index) const {
  static_assert(std::size(Classes) == ClassCount, "a slot for every class");
  if (!classes_[index]) {
    const unsigned long handle = library_ ? library_->Class(Classes[index].Name) : 0;
    classes_[index] =
        handle != 0 ? ScanClass(*library_, handle) : ScanClass(*ctype_, Classes[index].Mask);
  }
  return *classes_[index];
}

const CodeSet& CharacterTables::Word() const {
  if (!word_) {
    word_ = ClassMembers(AlnumSlot);
    word_->Add('_');
  }
  return *word_;
}

std::uint32_t CharacterTables::Upper(std::uint32_t code) const {
  if (code > LastCode) return code;
  if (library_) return library_->Upper(code);
  return static_cast<std::uint32_t>(ctype_->toupper(static_cast<wchar_t>(code)));
}

std::uint32_t CharacterTables::Lower(std::uint32_t code) const {
  if (code > LastCode) return code;
  if (library_) return library_->Lower(code);
  return static_cast<std::uint32_t>(ctype_->tolower(static_cast<wchar_t>(code)));
}

const CharacterTables::CaseGroups& CharacterTables::Groups() const {
  if (groups_) return *groups_;
  const auto links = library_ ? CaseLinks(*library_) : CaseLinks(*ctype_);
  // The linked code points, each with a number, joined into groups by union-find.
  std::vector<std::uint32_t> codes;
  codes.reserve(2 * links.size());
  for (const auto& link : links) {
    codes.push_back(link.first);
    codes.push_back(link.second);
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  const auto number = [&codes](std::uint32_t code) {
    return static_cast<std::size_t>(std::lower_bound(codes.begin(), codes.end(), code) -
                                    codes.begin());
  };
  std::vector<std::size_t> parent(codes.size());
  std::iota(parent.begin(), parent.end(), std::size_t{0});
  const auto root = [&parent](std::size_t node) {
    while (parent[node] != node) node = parent[node] = parent[parent[node]];
    return node;
  };
  for (const auto& link : links) parent[root(number(link.first))] = root(number(link.second));

  // Codes in the order of their groups' roots, ascending within a group.
  std::vector<std::pair<std::size_t, std::uint32_t>> byRoot(codes.size());
  for (std::size_t i = 0; i < codes.size(); ++i) byRoot[i] = {root(i), codes[i]};
  std::sort(byRoot.begin(), byRoot.end());
  CaseGroups groups;
  groups.Members.reserve(codes.size());
  groups.GroupOf.reserve(codes.size());
  for (std::size_t i = 0; i < byRoot.size(); ++i) {
    if (i == 0 || byRoot[i].first != byRoot[i - 1].first) groups.Starts.push_back(i);
    groups.Members.push_back(byRoot[i].second);
    groups.GroupOf.emplace_back(byRoot[i].second, groups.Starts.size() - 1);
  }
  groups.Starts.push_back(byRoot.size());
  std::sort(groups.GroupOf.begin(), groups.GroupOf.end());
  groups_ = std::move(groups);
  return *groups_;
}

CodeSet CharacterTables::CaseClosure(const CodeSet& set) const {
  const CaseGroups& groups = Groups();
  // One walk over the linked codes and the set's ranges, both ascending.
  std::vector<bool> taken(groups.Starts.size() - 1, false);
  std::vector<std::uint32_t> added;
  const auto& ranges = set.Ranges();
  auto range = ranges.begin();
  for (const auto& [code, group] : groups.GroupOf) {
    while (range != ranges.end() && range->High < code) ++range;
    if (range == ranges.end()) break;
    if (code < range->Low || taken[group]) continue;
    taken[group] = true;
    added.insert(added.end(), groups.Members.begin() + groups.Starts[group],
                 groups.Members.begin() + groups.Starts[group + 1]);
  }
  std::sort(added.begin(), added.end());
  CodeSet variants;
  for (const std::uint32_t code : added) variants.Add(code);
  CodeSet closure = set;
  closure.Add(variants);
  return closure;
}

}  // namespace Unicode
}  // namespace GrepEngine
