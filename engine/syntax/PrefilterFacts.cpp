#include "syntax/PrefilterFacts.h"

#include <algorithm>

#include "engine/OptionWords.h"

namespace GrepEngine {
namespace Syntax {
namespace {

// A repeat of a known text is spelled out up to this length (so "(ab){3}" is "ababab").
constexpr std::size_t LongestRepeatedText = 64;
// An alternation of more literals than this is of no use to a prefilter.
constexpr std::size_t MostLiterals = 64;
// A byte run takes at most this many copies of one repeated atom.
constexpr std::uint32_t MostCopies = 8;

bool CaseMatters(unsigned word) { return (word & SyntaxBits::CaseInsensitive) == 0; }

bool Usable(const Tree& tree) { return !tree.Failed() && tree.Root != NoNode; }

// What is known of every match of one node.
struct Facts {
  bool Exact = false;  // every match is Text
  std::string Text;
  std::string Prefix, Suffix;         // not Exact: every match starts and ends with these
  std::vector<std::string> Required;  // not Exact: every match holds one; empty: not known

  std::vector<std::string> Literals() const {
    if (!Exact) return Required;
    if (Text.empty()) return {};
    return {Text};
  }
};

// The best literal set seen: the longest shortest member first, then the fewest members.
class Best {
 public:
  void Consider(const std::string& literal) {
    if (!literal.empty() && Better(literal.size(), 1)) Keep({literal}, literal.size());
  }
  void Consider(const std::vector<std::string>& set) {
    if (set.empty()) return;
    std::size_t shortest = set.front().size();
    for (const std::string& literal : set) shortest = std::min(shortest, literal.size());
    if (shortest > 0 && Better(shortest, set.size())) Keep(set, shortest);
  }
  std::vector<std::string> Take() { return std::move(Set); }

 private:
  bool Better(std::size_t shortest, std::size_t count) const {
    return Set.empty() || shortest > Shortest || (shortest == Shortest && count < Set.size());
  }
  void Keep(std::vector<std::string> set, std::size_t shortest) {
    Set = std::move(set);
    Shortest = shortest;
  }

  std::vector<std::string> Set;
  std::size_t Shortest = 0;
};

Facts Repeated(Facts once, std::uint32_t min, std::uint32_t max) {
  if (min == 0) {
    Facts none;
    none.Exact = max == 0;  // only the empty text
    return none;
  }
  if (!once.Exact || once.Text.empty()) return once;  // starts, ends and holds as one copy does
  const std::size_t fitting = LongestRepeatedText / once.Text.size();
  if (min == max && min <= fitting) {
    std::string text;
    for (std::uint32_t i = 0; i < min; ++i) text += once.Text;
    once.Text = std::move(text);
    return once;
  }
  // At least `min` copies in a row: as many as fit are known at both ends.
  std::string copies;
  for (std::size_t i = 0; i < std::max<std::size_t>(1, std::min<std::size_t>(min, fitting)); ++i)
    copies += once.Text;
  Facts facts;
  facts.Prefix = copies;
  facts.Suffix = copies;
  facts.Required = {std::move(copies)};
  return facts;
}

// Computes the Facts of every node from those of its children, bottom-up.
class LiteralFacts {
 public:
  explicit LiteralFacts(const Tree& tree) : In(tree) {}

  Facts Result;  // the root's, once the walk is done

  void Enter(NodeId id) {
    Frames.emplace_back();
    Frame& frame = Frames.back();
    frame.Node = id;
    const Node& node = In[id];
    switch (node.Kind) {
      case NodeKind::Literal:
        frame.Own.Exact = true;
        frame.Own.Text.assign(1, static_cast<char>(node.Value));
        break;
      case NodeKind::Empty:
      case NodeKind::Assertion:
        frame.Own.Exact = true;
        break;  // zero width: the empty text
      default:
        break;
    }
  }

  void Child(NodeId, std::uint32_t) {}

  void Leave(NodeId) {
    Facts facts = Finish(Frames.back());
    Frames.pop_back();
    if (Frames.empty())
      Result = std::move(facts);
    else
      Add(Frames.back(), std::move(facts));
  }

 private:
  struct Frame {
    NodeId Node = NoNode;
    Facts Own;  // a leaf's facts; a Group's or Repeat's child's
    // Concat: whether all children so far are exact, the text known to end at the current
    // point, the prefix once a child is not exact, and the best literal seen.
    bool AllExact = true;
    std::string Run, Prefix;
    Best Found;
    // Alternation: the literals of the alternatives so far, while each has some.
    bool Known = true;
    std::vector<std::string> Union;
  };

  void Add(Frame& parent, Facts child) {
    switch (In[parent.Node].Kind) {
      case NodeKind::Concat:
        if (child.Exact) {
          parent.Run += child.Text;
          return;
        }
        parent.Run += child.Prefix;  // the text before the child joins its prefix
        if (parent.AllExact) {
          parent.AllExact = false;
          parent.Prefix = parent.Run;
        }
        parent.Found.Consider(parent.Run);
        parent.Found.Consider(child.Required);
        parent.Run = std::move(child.Suffix);
        return;
      case NodeKind::Alternation: {
        if (!parent.Known) return;
        std::vector<std::string> literals = child.Literals();
        if (literals.empty() || parent.Union.size() + literals.size() > MostLiterals) {
          parent.Known = false;
          parent.Union.clear();
          return;
        }
        for (std::string& literal : literals) parent.Union.push_back(std::move(literal));
        return;
      }
      default:
        parent.Own = std::move(child);
        return;  // Group, Repeat: the one child
    }
  }

  Facts Finish(Frame& frame) {
    const Node& node = In[frame.Node];
    Facts facts;
    switch (node.Kind) {
      case NodeKind::Concat:
        if (frame.AllExact) {
          facts.Exact = true;
          facts.Text = std::move(frame.Run);
          return facts;
        }
        frame.Found.Consider(frame.Run);
        facts.Prefix = std::move(frame.Prefix);
        facts.Suffix = std::move(frame.Run);
        facts.Required = frame.Found.Take();
        return facts;
      case NodeKind::Alternation:
        if (frame.Known) facts.Required = std::move(frame.Union);
        return facts;
      case NodeKind::Repeat:
        return Repeated(std::move(frame.Own), node.Min, node.Max);
      default:
        return std::move(frame.Own);
    }
  }

  const Tree& In;
  std::vector<Frame> Frames;
};

// Named classes that hold no LF in any locale.
bool ClassWithoutNewline(const std::string& name) {
  static const char* const names[] = {"alpha",  "digit", "alnum", "upper", "lower", "punct",
                                      "xdigit", "graph", "print", "word",  "w",     "d"};
  for (const char* known : names)
    if (name == known) return true;
  return false;
}

bool ElementIsNewline(const Element& element) { return !element.Named && element.Byte == '\n'; }

bool BracketWithoutNewline(const Tree& tree, const Bracket& bracket, bool byCode) {
  if (bracket.Negated) return false;
  for (std::uint32_t i = 0; i < bracket.ItemCount; ++i) {
    const BracketItem& item = tree.Items[bracket.FirstItem + i];
    switch (item.Kind) {
      case ItemKind::Single:
        if (item.Low.Named || ElementIsNewline(item.Low)) return false;
        break;
      case ItemKind::Range:
        // In a collation order, what a range holds is the locale's to say.
        if (!byCode || item.Low.Named || item.High.Named) return false;
        if (item.Low.Byte <= '\n' && '\n' <= item.High.Byte) return false;
        break;
      case ItemKind::Class:
        if (item.Negated || !ClassWithoutNewline(tree.Text(item.ClassOrEquivalence))) return false;
        break;
      case ItemKind::Equivalence:
        return false;
    }
  }
  return true;
}

bool ByteAtom(NodeKind kind) {
  return kind == NodeKind::Literal || kind == NodeKind::AnyByte || kind == NodeKind::Bracket ||
         kind == NodeKind::ClassEscape;
}

// How much a run narrows the text: the chance that random bytes hold it at one position.
double Selectivity(const std::vector<ByteSet>& run) {
  double chance = 1.0;
  for (const ByteSet& set : run) chance *= static_cast<double>(set.count()) / 256.0;
  return chance;
}

}  // namespace

std::string PlainLiteral(const Tree& tree, unsigned optionWord) {
  if (!Usable(tree) || !CaseMatters(optionWord)) return std::string();
  const Node& root = tree[tree.Root];
  if (root.Kind == NodeKind::Literal) return std::string(1, static_cast<char>(root.Value));
  if (root.Kind != NodeKind::Concat) return std::string();
  std::string literal;
  literal.reserve(root.ChildCount);
  for (std::uint32_t i = 0; i < root.ChildCount; ++i) {
    const Node& child = tree[tree.Child(tree.Root, i)];
    if (child.Kind != NodeKind::Literal) return std::string();
    literal += static_cast<char>(child.Value);
  }
  return literal;
}

std::vector<std::string> RequiredLiterals(const Tree& tree, unsigned optionWord) {
  if (!Usable(tree) || !CaseMatters(optionWord)) return {};
  LiteralFacts facts(tree);
  Walk(tree, tree.Root, facts);
  return facts.Result.Literals();
}

namespace {

// What a node's matches start with: one of Texts, and when Exact, nothing more.
struct Starts {
  std::vector<std::string> Texts{std::string()};
  bool Exact = true;
};

// A guess at nothing: every match starts with the empty text.
Starts Unknown() {
  Starts starts;
  starts.Exact = false;
  return starts;
}

// Only the shallow shapes everyday patterns have are looked into.
constexpr unsigned MostLeadingDepth = 8;

Starts StartsOf(const Tree& tree, NodeId id, std::size_t most, unsigned depth) {
  const Node& node = tree[id];
  if (depth > MostLeadingDepth) return Unknown();
  switch (node.Kind) {
    case NodeKind::Literal:
      return Starts{{std::string(1, static_cast<char>(node.Value))}, true};
    case NodeKind::Empty:
    case NodeKind::Assertion:  // takes no byte
      return Starts();
    case NodeKind::Group:
      return StartsOf(tree, tree.Child(id, 0), most, depth + 1);
    case NodeKind::Repeat: {
      if (node.Min == 0) return Unknown();
      Starts starts = StartsOf(tree, tree.Child(id, 0), most, depth + 1);
      starts.Exact = starts.Exact && node.Min == 1 && node.Max == 1;
      return starts;
    }
    case NodeKind::Alternation: {
      Starts all;
      all.Texts.clear();
      for (std::uint32_t i = 0; i < node.ChildCount; ++i) {
        Starts one = StartsOf(tree, tree.Child(id, i), most, depth + 1);
        all.Exact = all.Exact && one.Exact;
        for (std::string& text : one.Texts) all.Texts.push_back(std::move(text));
        if (all.Texts.size() > most) return Unknown();
      }
      return all;
    }
    case NodeKind::Concat: {
      Starts joined;
      for (std::uint32_t i = 0; i < node.ChildCount && joined.Exact; ++i) {
        const Starts next = StartsOf(tree, tree.Child(id, i), most, depth + 1);
        if (joined.Texts.size() * next.Texts.size() > most) {
          joined.Exact = false;  // what is known so far still starts every match
          break;
        }
        std::vector<std::string> texts;
        for (const std::string& head : joined.Texts)
          for (const std::string& tail : next.Texts) texts.push_back(head + tail);
        joined.Texts = std::move(texts);
        joined.Exact = next.Exact;
      }
      return joined;
    }
    default:  // takes bytes no literal names
      return Unknown();
  }
}

}  // namespace

std::vector<std::string> LeadingLiterals(const Tree& tree, unsigned optionWord, std::size_t most) {
  if (!Usable(tree) || !CaseMatters(optionWord) || most == 0) return {};
  Starts starts = StartsOf(tree, tree.Root, most, 0);
  for (const std::string& text : starts.Texts)
    if (text.empty()) return {};
  std::sort(starts.Texts.begin(), starts.Texts.end());
  starts.Texts.erase(std::unique(starts.Texts.begin(), starts.Texts.end()), starts.Texts.end());
  return starts.Texts;
}

bool StaysOnOneLine(const Tree& tree, unsigned optionWord) {
  if (!Usable(tree) || !CaseMatters(optionWord)) return false;
  const bool byCode = (optionWord & SyntaxBits::NoLocaleSpecificCollation) != 0;
  // Every node of a valid tree is part of it, so a look at each one is enough.
  for (const Node& node : tree.Nodes) {
    switch (node.Kind) {
      case NodeKind::Literal:
        if (node.Value == '\n') return false;
        break;
      case NodeKind::AnyByte:
        return false;
      case NodeKind::ClassEscape:
        if (node.Value != 'w' && node.Value != 'd') return false;
        break;
      case NodeKind::Bracket:
        if (!BracketWithoutNewline(tree, tree.Brackets[node.Value], byCode)) return false;
        break;
      default:
        break;  // a back-reference repeats what its group matched
    }
  }
  return true;
}

std::vector<ByteSet> LeadingByteRun(const Tree& tree, const AtomBytes& bytesOf, std::size_t most) {
  if (!Usable(tree)) return {};
  const Node& root = tree[tree.Root];
  const bool sequence = root.Kind == NodeKind::Concat;
  const std::uint32_t count = sequence ? root.ChildCount : 1;
  std::vector<ByteSet> run;
  for (std::uint32_t i = 0; i < count && run.size() < most; ++i) {
    const NodeId id = sequence ? tree.Child(tree.Root, i) : tree.Root;
    const Node& node = tree[id];
    if (node.Kind == NodeKind::Assertion) continue;  // takes no byte
    // '.' is left out: the match word decides its bytes.
    const bool atom = ByteAtom(node.Kind) && node.Kind != NodeKind::AnyByte;
    const bool repeatedAtom = node.Kind == NodeKind::Repeat && node.Min >= 1 &&
                              ByteAtom(tree[tree.Child(id, 0)].Kind) &&
                              tree[tree.Child(id, 0)].Kind != NodeKind::AnyByte;
    if (!atom && !repeatedAtom) break;
    ByteSet bytes;
    if (!bytesOf(atom ? id : tree.Child(id, 0), bytes)) break;
    run.push_back(bytes);
    if (repeatedAtom) break;  // what follows its first copy is not known
  }
  return run;
}

std::vector<ByteSet> RequiredByteRun(const Tree& tree, const AtomBytes& bytesOf) {
  if (!Usable(tree)) return {};
  const Node& root = tree[tree.Root];
  if (root.Kind == NodeKind::Alternation) return {};  // no one run is required
  const bool sequence = root.Kind == NodeKind::Concat;
  const std::uint32_t count = sequence ? root.ChildCount : 1;
  std::vector<ByteSet> best, run;
  const auto endRun = [&] {
    if (!run.empty() && (best.empty() || Selectivity(run) < Selectivity(best))) best = run;
    run.clear();
  };
  for (std::uint32_t i = 0; i < count; ++i) {
    const NodeId id = sequence ? tree.Child(tree.Root, i) : tree.Root;
    const Node& node = tree[id];
    if (node.Kind == NodeKind::Assertion) continue;  // zero width: the run goes on
    NodeId atom = id;
    std::uint32_t min = 1, max = 1;
    if (node.Kind == NodeKind::Repeat) {
      atom = tree.Child(id, 0);
      min = node.Min;
      max = node.Max;
    }
    ByteSet set;
    if (min == 0 || !ByteAtom(tree[atom].Kind) || !bytesOf(atom, set)) {
      endRun();
      continue;
    }
    for (std::uint32_t copy = 0; copy < std::min(min, MostCopies); ++copy) run.push_back(set);
    // When more copies may follow, or more than were taken, what comes next is not adjacent.
    if (max != min || min > MostCopies) endRun();
  }
  endRun();
  return best;
}

}  // namespace Syntax
}  // namespace GrepEngine
