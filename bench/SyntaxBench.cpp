// The pattern's syntax tree: reading 1 MB patterns into it, writing the engine's text from it,
// compiling typical patterns end to end (tree, locale check, engine text, Boost compile), and
// planning a file search's fast paths from the compiled pattern.
#include <benchmark/benchmark.h>

#include <locale>
#include <string>

#include "BufferSearch.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"
#include "syntax/BoostText.h"
#include "syntax/Parser.h"

namespace {

namespace S = GrepEngine::SyntaxBits;

// About 1 MB of a pattern made of `piece` again and again.
std::string Repeated(const std::string& piece) {
  std::string pattern;
  while (pattern.size() < (1u << 20)) pattern += piece;
  return pattern;
}

const std::string& LargePattern(int kind) {
  static const std::string patterns[] = {
      Repeated("the quick brown fox jumps over the lazy dog "),  // literal text
      Repeated("(ab|c[d-f]+)\\.x{2,3}[[:alpha:]_]*\\w "),        // groups, brackets, repeats
      Repeated("word|other|third|"),                             // one long alternation
  };
  return patterns[kind];
}
const char* const LargeNames[] = {"literal", "mixed", "alternation"};

void ParseLarge(benchmark::State& state) {
  const std::string& pattern = LargePattern(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto tree =
        GrepEngine::Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), S::Normal);
    benchmark::DoNotOptimize(tree.Nodes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pattern.size()));
  state.SetLabel(LargeNames[state.range(0)]);
}

void EngineTextOfLarge(benchmark::State& state) {
  const std::string& pattern = LargePattern(static_cast<int>(state.range(0)));
  const auto tree =
      GrepEngine::Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), S::Normal);
  for (auto _ : state) benchmark::DoNotOptimize(GrepEngine::Syntax::BoostText(tree));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pattern.size()));
  state.SetLabel(LargeNames[state.range(0)]);
}

struct Typical {
  const char* name;
  const char* pattern;
  unsigned word;
};
const Typical TypicalPatterns[] = {
    {"literal", "needle", S::Normal},
    {"classes", "[[:alpha:]]+[[:digit:]]{2,}", S::Normal},
    {"groups", "([a-z]+)@([a-z]+)\\.(com|org|net)", S::Normal},
    {"basic", "^\\([A-Za-z_][A-Za-z0-9_]*\\) *= *\\(.*\\)$", S::Basic},
};

void CompileTypical(benchmark::State& state) {
  const Typical& typical = TypicalPatterns[state.range(0)];
  const std::string pattern = typical.pattern;
  for (auto _ : state) {
    auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                 typical.word, std::locale::classic());
    benchmark::DoNotOptimize(compiled.get());
  }
  state.SetLabel(typical.name);
}

// The fast-path plan of a file search: the prefilter facts of the compiled pattern.
void PlanTypical(benchmark::State& state) {
  const Typical& typical = TypicalPatterns[state.range(0)];
  const std::string pattern = typical.pattern;
  const auto compiled = GrepEngine::Pattern::Compile(
      pattern.data(), pattern.data() + pattern.size(), typical.word, std::locale::classic());
  for (auto _ : state) {
    auto plan =
        GrepEngine::PlanSearch(compiled, pattern.data(), pattern.data() + pattern.size(), true);
    benchmark::DoNotOptimize(plan.Literal.data());
  }
  state.SetLabel(typical.name);
}

void ParseTypical(benchmark::State& state) {
  const Typical& typical = TypicalPatterns[state.range(0)];
  const std::string pattern = typical.pattern;
  for (auto _ : state) {
    auto tree =
        GrepEngine::Syntax::Parse(pattern.data(), pattern.data() + pattern.size(), typical.word);
    benchmark::DoNotOptimize(tree.Nodes.data());
  }
  state.SetLabel(typical.name);
}

BENCHMARK(ParseLarge)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineTextOfLarge)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseTypical)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(CompileTypical)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlanTypical)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
