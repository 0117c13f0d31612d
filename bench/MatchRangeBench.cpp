// A walk of the value interface's MatchRange against the engine's own push grep (GrepIn) over
// the same 16 MB text: the time per match, with and without reading each match's line.
#include <benchmark/benchmark.h>
#include <grepcore/Regex.h>

#include <string>

#include "Corpus.h"
#include "engine/Matching.h"

namespace {

const std::string& Text() {
  static const std::string text = Bench::GenerateText(16u << 20, 20261209);
  return text;
}

// One pattern per route the planner takes.
const char* const Patterns[] = {
    "needle",                  // a literal scan
    "fox|dog|handler|thread",  // a literal-set scan
    "[a-z]+[0-9]{2,}",         // the DFA
    "\\<(fox|dog)[a-z]*",      // the reference engine (a word start)
};
const char* const Names[] = {"literal", "literal-set", "dfa", "reference"};

void Report(benchmark::State& state, std::size_t matches) {
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["per_match"] =
      benchmark::Counter(static_cast<double>(matches) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(Names[state.range(0)]);
}

void EngineGrepIn(benchmark::State& state, bool lines) {
  const grepcore::Pattern pattern = *grepcore::Pattern::Compile(Patterns[state.range(0)]);
  const std::shared_ptr<const GrepEngine::Pattern> engine = GrepEngine::Pattern::Compile(
      pattern.Text().data(), pattern.Text().data() + pattern.Text().size(),
      pattern.Options().Word(), pattern.Options().Locale);
  const std::string& text = Text();
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    GrepEngine::GrepIn(*engine, text.data(), text.data() + text.size(), 0,
                       [&](const GrepEngine::MatchResults& match) {
                         benchmark::DoNotOptimize(lines ? match.Line() : match.Sub(0).Position);
                         ++matches;
                         return true;
                       });
  }
  Report(state, matches);
}

void Range(benchmark::State& state, bool lines) {
  const grepcore::Pattern pattern = *grepcore::Pattern::Compile(Patterns[state.range(0)]);
  const std::string& text = Text();
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const grepcore::Match& match : pattern.Matches(text)) {
      benchmark::DoNotOptimize(lines ? match.Line() : match.Position());
      ++matches;
    }
  }
  Report(state, matches);
}

// Reading a group of every match: the groups are worked out per match on either side.
void GroupsByGrepIn(benchmark::State& state) {
  const std::string pattern = "([a-z]+)([0-9]{2,})";
  const auto engine =
      GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                   grepcore::CompileOptions().Word(), std::locale::classic());
  const std::string& text = Text();
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    GrepEngine::GrepIn(*engine, text.data(), text.data() + text.size(), 0,
                       [&](const GrepEngine::MatchResults& match) {
                         benchmark::DoNotOptimize(match.Sub(2).Position);
                         ++matches;
                         return true;
                       });
  }
  state.counters["per_match"] =
      benchmark::Counter(static_cast<double>(matches) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void GroupsByRange(benchmark::State& state) {
  const grepcore::Pattern pattern = *grepcore::Pattern::Compile("([a-z]+)([0-9]{2,})");
  const std::string& text = Text();
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const grepcore::Match& match : pattern.Matches(text)) {
      benchmark::DoNotOptimize(match.Group(2).Position());
      ++matches;
    }
  }
  state.counters["per_match"] =
      benchmark::Counter(static_cast<double>(matches) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void GrepInPositions(benchmark::State& state) { EngineGrepIn(state, false); }
void RangePositions(benchmark::State& state) { Range(state, false); }
void GrepInLines(benchmark::State& state) { EngineGrepIn(state, true); }
void RangeLines(benchmark::State& state) { Range(state, true); }

BENCHMARK(GrepInPositions)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(RangePositions)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(GrepInLines)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(RangeLines)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(GroupsByGrepIn)->Unit(benchmark::kMillisecond);
BENCHMARK(GroupsByRange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
