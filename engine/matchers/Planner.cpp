#include "Planner.h"

#include "engine/OptionWords.h"
#include "syntax/PrefilterFacts.h"
#include "syntax/Re2Text.h"

namespace GrepEngine {
namespace {

using Syntax::Assertion;
using Syntax::NodeKind;

// What a tree holds that decides its route.
struct TreeShape {
  bool Bytes = false;  // brackets or class escapes: their members come from the locale
  bool Assertions[8] = {};
  bool LargeRepeat = false;

  bool Has(Assertion kind) const { return Assertions[static_cast<unsigned>(kind)]; }
};

TreeShape ShapeOf(const Syntax::Tree& tree) {
  TreeShape shape;
  for (const Syntax::Node& node : tree.Nodes) {
    switch (node.Kind) {
      case NodeKind::Bracket:
      case NodeKind::ClassEscape:
        shape.Bytes = true;
        break;
      case NodeKind::Assertion:
        shape.Assertions[node.Value & 7u] = true;
        break;
      case NodeKind::Repeat:
        if (node.Min > Syntax::MostRe2Repeat ||
            (node.Max != Syntax::Unbounded && node.Max > Syntax::MostRe2Repeat))
          shape.LargeRepeat = true;
        break;
      default:
        break;
    }
  }
  return shape;
}

bool Usable(const Syntax::Tree& tree) { return !tree.Failed() && tree.Root != Syntax::NoNode; }

}  // namespace

bool IsClassicLocale(const std::locale& locale) {
  const std::string name = locale.name();
  return name == "C" || name == "POSIX";
}

const char* ReferenceOnlyReason(const Syntax::Tree& tree, unsigned optionWord,
                                const std::locale& locale) {
  if (!Usable(tree)) return "not a valid pattern";
  if (tree.HasBackReferences) return "back-references";
  const TreeShape shape = ShapeOf(tree);
  if (shape.LargeRepeat) return "a repeat bound above the DFA's limit";
  if (!IsClassicLocale(locale)) {
    // Brackets may hold several-character elements, and classes, word edges and case folding
    // follow the locale's tables.
    if (shape.Bytes) return "brackets or classes in a locale other than the classic one";
    if (optionWord & SyntaxBits::CaseInsensitive)
      return "case folding in a locale other than the classic one";
    if (shape.Has(Assertion::WordBoundary) || shape.Has(Assertion::NotWordBoundary) ||
        shape.Has(Assertion::WordStart) || shape.Has(Assertion::WordEnd))
      return "word edges in a locale other than the classic one";
  }
  return nullptr;
}

std::vector<std::string> LiteralAlternatives(const Syntax::Tree& tree, unsigned optionWord) {
  if (!Usable(tree) || (optionWord & SyntaxBits::CaseInsensitive)) return {};
  const Syntax::Node& root = tree[tree.Root];
  if (root.Kind != NodeKind::Alternation || root.ChildCount > MostSetLiterals) return {};
  std::vector<std::string> literals;
  for (std::uint32_t i = 0; i < root.ChildCount; ++i) {
    const Syntax::NodeId child = tree.Child(tree.Root, i);
    std::string text;
    if (tree[child].Kind == NodeKind::Literal) {
      text.assign(1, static_cast<char>(tree[child].Value));
    } else if (tree[child].Kind == NodeKind::Concat) {
      for (std::uint32_t j = 0; j < tree[child].ChildCount; ++j) {
        const Syntax::Node& piece = tree[tree.Child(child, j)];
        if (piece.Kind != NodeKind::Literal) return {};
        text += static_cast<char>(piece.Value);
      }
    } else {
      return {};
    }
    literals.push_back(std::move(text));
  }
  return literals;
}

PlanFacts PlanFactsOf(const Syntax::Tree& tree, unsigned optionWord, const std::locale& locale) {
  PlanFacts facts;
  if (ReferenceOnlyReason(tree, optionWord, locale) != nullptr) return facts;
  facts.ReferenceOnly = false;
  const TreeShape shape = ShapeOf(tree);
  const struct {
    Assertion Kind;
    unsigned Bits;
  } breaking[] = {
      {Assertion::LineStart, MatchBits::NotBeginningOfLine},
      {Assertion::LineEnd, MatchBits::NotEndOfLine},
      {Assertion::BufferStart, MatchBits::NotBeginningOfBuffer},
      {Assertion::BufferEnd, MatchBits::NotEndOfBuffer},
      {Assertion::WordBoundary, MatchBits::NotBeginningOfWord | MatchBits::NotEndOfWord},
      {Assertion::NotWordBoundary, MatchBits::NotBeginningOfWord | MatchBits::NotEndOfWord},
      {Assertion::WordStart, MatchBits::NotBeginningOfWord | MatchBits::NotEndOfWord},
      {Assertion::WordEnd, MatchBits::NotBeginningOfWord | MatchBits::NotEndOfWord},
  };
  for (const auto& entry : breaking)
    if (shape.Has(entry.Kind)) facts.AssertionBreakingBits |= entry.Bits;
  facts.LineAnchors = shape.Has(Assertion::LineStart) || shape.Has(Assertion::LineEnd);
  facts.Literal = !Syntax::PlainLiteral(tree, optionWord).empty();
  facts.LiteralSet = !facts.Literal && !LiteralAlternatives(tree, optionWord).empty();
  return facts;
}

MatchPlan ChoosePlan(const PlanFacts& facts, unsigned matchWord) {
  MatchPlan plan;
  if (facts.ReferenceOnly || (matchWord & facts.AssertionBreakingBits) != 0) return plan;
  // The reference engine's shortest match is the first one its backtracking finds.
  if (matchWord & MatchBits::Shortest) return plan;
  if (facts.Literal) {
    plan.Kind = Route::Literal;
  } else if (facts.LiteralSet) {
    plan.Kind = Route::LiteralSet;
  } else {
    plan.Kind = Route::Dfa;
    plan.NeedsPlainLineBreaks = facts.LineAnchors;
  }
  return plan;
}

MatchPlan ChoosePlan(const Syntax::Tree& tree, unsigned optionWord, unsigned matchWord,
                     const std::locale& locale) {
  return ChoosePlan(PlanFactsOf(tree, optionWord, locale), matchWord);
}

}  // namespace GrepEngine
