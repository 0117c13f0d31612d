#include "ReferenceParses.h"

#include <map>
#include <vector>

namespace SyntaxTest {

namespace {

namespace Sx = GrepEngine::Syntax;
using Path = std::vector<std::uint32_t>;

struct Parse {
  std::size_t End = 0;
  std::map<Path, long> Lengths;  // by position; a position that is not here took no part
  Spans Groups;                  // group n at [n - 1]
};

// True when `a` is the better parse: the larger length at the first position where they differ.
bool Better(const Parse& a, const Parse& b) {
  auto i = a.Lengths.begin();
  auto j = b.Lengths.begin();
  while (i != a.Lengths.end() || j != b.Lengths.end()) {
    if (j == b.Lengths.end() || (i != a.Lengths.end() && i->first < j->first)) return true;  // b: -1 there
    if (i == a.Lengths.end() || j->first < i->first) return false;
    if (i->second != j->second) return i->second > j->second;
    ++i;
    ++j;
  }
  return false;
}

struct TooManyParses {};
constexpr std::size_t ParseBudget = 3000;

class Enumerator {
 public:
  Enumerator(const Sx::Tree& tree, const std::string& text) : In(tree), Text(text) {}

  std::vector<Parse> Parses(Sx::NodeId id, std::size_t at, const Path& path) {
    const Sx::Node& node = In[id];
    std::vector<Parse> out;
    switch (node.Kind) {
      case Sx::NodeKind::Empty:
        out.push_back(Leaf(at, at, path));
        break;
      case Sx::NodeKind::Literal:
      case Sx::NodeKind::AnyByte:
      case Sx::NodeKind::Bracket:
        if (at < Text.size() && Takes(node, static_cast<unsigned char>(Text[at]))) out.push_back(Leaf(at, at + 1, path));
        break;
      case Sx::NodeKind::Assertion: {
        const auto kind = static_cast<Sx::Assertion>(node.Value);
        if ((kind == Sx::Assertion::LineStart && at == 0) || (kind == Sx::Assertion::LineEnd && at == Text.size()))
          out.push_back(Leaf(at, at, path));
        break;
      }
      case Sx::NodeKind::Group:
        for (Parse& p : Parses(In.Child(id, 0), at, Extend(path, 0))) {
          p.Groups[node.Value - 1] = Span(static_cast<long>(at), static_cast<long>(p.End));
          p.Lengths[path] = static_cast<long>(p.End - at);
          out.push_back(std::move(p));
        }
        break;
      case Sx::NodeKind::Alternation:
        for (std::uint32_t i = 0; i < node.ChildCount; ++i)
          for (Parse& p : Parses(In.Child(id, i), at, Extend(path, i))) {
            p.Lengths[path] = static_cast<long>(p.End - at);
            out.push_back(std::move(p));
          }
        break;
      case Sx::NodeKind::Concat: {
        std::vector<Parse> partial{Leaf(at, at, path)};
        for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
          std::vector<Parse> next;
          for (const Parse& before : partial)
            for (const Parse& p : Parses(In.Child(id, i), before.End, Extend(path, i))) next.push_back(Join(before, p));
          partial = std::move(next);
        }
        for (Parse& p : partial) p.Lengths[path] = static_cast<long>(p.End - at);
        out = std::move(partial);
        break;
      }
      case Sx::NodeKind::Repeat:
        Iterations(id, at, path, at, 0, Leaf(at, at, path), out);
        for (Parse& p : out) p.Lengths[path] = static_cast<long>(p.End - at);
        break;
      default:
        break;
    }
    Listed += out.size();
    if (Listed > ParseBudget) throw TooManyParses();
    return out;
  }

 private:
  Parse Leaf(std::size_t from, std::size_t to, const Path& path) {
    Parse p;
    p.End = to;
    p.Lengths[path] = static_cast<long>(to - from);
    p.Groups.assign(In.GroupCount(), Span(-1, -1));
    return p;
  }

  static Path Extend(const Path& path, std::uint32_t step) {
    Path longer = path;
    longer.push_back(step);
    return longer;
  }

  // `before` followed by `after`: lengths of both, groups of `after` where it set them.
  static Parse Join(const Parse& before, const Parse& after) {
    Parse p = before;
    p.End = after.End;
    for (const auto& entry : after.Lengths) p.Lengths.insert(entry);
    for (std::size_t g = 0; g < p.Groups.size(); ++g)
      if (after.Groups[g].first >= 0) p.Groups[g] = after.Groups[g];
    return p;
  }

  // Every way to go on with iteration `done + 1` of repeat `id` at `at`; `sofar` holds the
  // iterations before, its groups those of the last one.
  void Iterations(Sx::NodeId id, std::size_t start, const Path& path, std::size_t at, std::uint32_t done,
                  const Parse& sofar, std::vector<Parse>& out) {
    const Sx::Node& node = In[id];
    if (done >= node.Min) out.push_back(sofar);
    if (done == node.Max) return;
    for (const Parse& p : Parses(In.Child(id, 0), at, Extend(path, done + 1))) {
      const bool empty = p.End == at;
      // Beyond the minimum no iteration is empty, but for a lone one making the repeat empty.
      if (empty && done + 1 > node.Min && !(done == 0 && at == start)) continue;
      Parse next = sofar;
      next.End = p.End;
      for (const auto& entry : p.Lengths) next.Lengths.insert(entry);
      next.Groups = p.Groups;  // only the last iteration's groups count
      if (empty && done + 1 > node.Min) {
        out.push_back(next);  // the lone empty iteration ends the repeat
        continue;
      }
      Iterations(id, start, path, p.End, done + 1, next, out);
    }
  }

  bool Takes(const Sx::Node& node, unsigned char c) const {
    if (node.Kind == Sx::NodeKind::Literal) return c == node.Value;
    if (node.Kind == Sx::NodeKind::AnyByte) return true;
    const Sx::Bracket& bracket = In.Brackets[node.Value];
    bool member = false;
    for (std::uint32_t i = 0; i < bracket.ItemCount; ++i) {
      const Sx::BracketItem& item = In.Items[bracket.FirstItem + i];
      if (item.Kind == Sx::ItemKind::Single) member |= c == item.Low.Byte;
      if (item.Kind == Sx::ItemKind::Range) member |= c >= item.Low.Byte && c <= item.High.Byte;
    }
    return member != bracket.Negated;
  }

  const Sx::Tree& In;
  const std::string& Text;
  std::size_t Listed = 0;
};

}  // namespace

bool ReferenceSearch(const GrepEngine::Syntax::Tree& tree, const std::string& text, Spans& out) {
  out.clear();
  Enumerator enumerator(tree, text);
  try {
    for (std::size_t start = 0; start <= text.size(); ++start) {
      std::vector<Parse> parses = enumerator.Parses(tree.Root, start, Path());
      if (parses.empty()) continue;
      const Parse* best = &parses.front();
      for (const Parse& p : parses)
        if (p.End > best->End || (p.End == best->End && Better(p, *best))) best = &p;
      out.emplace_back(static_cast<long>(start), static_cast<long>(best->End));
      out.insert(out.end(), best->Groups.begin(), best->Groups.end());
      return true;
    }
  } catch (const TooManyParses&) {
    return false;
  }
  return true;
}

}  // namespace SyntaxTest
