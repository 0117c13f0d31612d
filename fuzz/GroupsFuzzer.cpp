// POSIX sub-expressions on random patterns and texts. Two checks:
// - on short texts, for patterns the brute-force matcher reads, the resolver's groups for the
//   best parse's whole match are the best parse's groups;
// - on any text, the resolver follows every whole match Boost finds (anchors, word edges and
//   classes as the engine has them), and where the pattern has one-pass groups they are the
//   resolver's.
#include <boost/regex.hpp>
#include <new>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "ReferenceParses.h"
#include "engine/OptionWords.h"

namespace {

namespace Sx = GrepEngine::Syntax;

// Whether the brute-force matcher reads every node of the tree, and the tree is small enough.
bool ReferenceReads(const Sx::Tree& tree) {
  if (tree.Nodes.size() > 24) return false;
  for (const Sx::Node& node : tree.Nodes) {
    if (node.Kind == Sx::NodeKind::ClassEscape || node.Kind == Sx::NodeKind::BackReference)
      return false;
    if (node.Kind == Sx::NodeKind::Assertion &&
        node.Value != static_cast<unsigned>(Sx::Assertion::LineStart) &&
        node.Value != static_cast<unsigned>(Sx::Assertion::LineEnd))
      return false;
    if (node.Kind == Sx::NodeKind::Repeat && node.Max != Sx::Unbounded && node.Max > 4)
      return false;
  }
  for (const Sx::BracketItem& item : tree.Items)
    if (item.Kind == Sx::ItemKind::Class || item.Kind == Sx::ItemKind::Equivalence ||
        item.Low.Named || item.High.Named)
      return false;
  return true;
}

void CheckBestParse(const GrepEngine::Pattern& pattern, std::string text) {
  const Sx::Tree& tree = pattern.Internals().Tree;
  const GrepEngine::Groups::Resolver* resolver = pattern.Internals().GroupResolver.get();
  if (resolver == nullptr || !ReferenceReads(tree)) return;
  if (text.size() > 8) text.resize(8);
  for (char& c : text)
    if (c == '\n' || c == '\r' || c == '\f') c = 'a';  // anchors: the text's ends only
  SyntaxTest::Spans best;
  if (!SyntaxTest::ReferenceSearch(tree, text, best) || best.empty()) return;
  GrepEngine::Groups::TextContext context;
  context.Base = text.data();
  context.Last = text.data() + text.size();
  std::vector<GrepEngine::Groups::GroupSpan> groups;
  if (!resolver->Resolve(context, text.data() + best[0].first, text.data() + best[0].second,
                         groups))
    __builtin_trap();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const SyntaxTest::Span found(groups[g].First < 0 ? -1L : best[0].first + groups[g].First,
                                 groups[g].First < 0 ? -1L : best[0].first + groups[g].Last);
    if (found != best[g + 1]) __builtin_trap();
  }
}

void CheckFollowsEngine(const GrepEngine::Pattern& pattern, const std::string& text,
                        unsigned matchWord) {
  if (!pattern.Internals().GroupResolver) return;
  const GrepEngine::FlagBits flags = GrepEngine::TranslateMatchFlags(matchWord);
  boost::match_results<const char*> results;
  try {
    if (!boost::regex_search(text.data(), text.data() + text.size(), results,
                             pattern.Internals().Expression, GrepEngine::AsMatchFlags(flags)))
      return;
  } catch (const std::runtime_error&) {
    return;  // the engine gave up
  }
  if (!GrepEngine::ApplyPosixGroups(pattern, text.data(), flags, results)) __builtin_trap();
  const GrepEngine::Groups::OnePass* onePass = pattern.Internals().OnePassGroups.get();
  if (onePass == nullptr) return;
  std::vector<GrepEngine::Groups::GroupSpan> spans(onePass->GroupCount());
  const char* first = results[0].first;
  if (!onePass->Follow(GrepEngine::GroupTextContext(text.data(), results.suffix().second, flags),
                       first, results[0].second, spans.data()))
    __builtin_trap();
  for (std::size_t n = 1; n < results.size(); ++n) {
    const GrepEngine::Groups::GroupSpan& span = spans[n - 1];
    const auto& sub = results[static_cast<int>(n)];
    if (span.First < 0
            ? sub.matched
            : !sub.matched || sub.first - first != span.First || sub.second - first != span.Last)
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const std::uint8_t choice = input.Take<std::uint8_t>();
  const std::uint16_t matchWord = input.Take<std::uint16_t>();
  const std::string expression = input.Piece();
  const std::string text = input.Piece();
  if (expression.size() > 64 || text.size() > 256) return 0;
  const unsigned syntax = (choice & 1)   ? GrepEngine::SyntaxBits::Extended
                          : (choice & 2) ? GrepEngine::SyntaxBits::Basic
                                         : GrepEngine::SyntaxBits::Normal;
  try {
    auto pattern = GrepEngine::Pattern::Compile(
        expression.data(), expression.data() + expression.size(), syntax, std::locale::classic());
    if (pattern->Failed()) return 0;
    CheckBestParse(*pattern, text);
    CheckFollowsEngine(*pattern, text, matchWord & 0x10FFu);
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
