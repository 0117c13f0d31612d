// The cost of a Grep handler as the text grows: the specified event, whose suffix record is a
// copy of the rest of the text, against the view event, whose records are views. Each runs
// over 1 MB and 2 MB of the same generated text; a handler whose cost per match does not
// depend on the text takes about twice as long on twice the text.
#include <benchmark/benchmark.h>
#include <grepcore/Regularexpressionclass.h>

#include <string>

#include "Corpus.h"

namespace {

using RE = RegexClass::RegularExpression;

const std::string& Text(std::int64_t megabytes) {
  static const std::string whole = Bench::GenerateText(2u << 20, 20261208);
  static const std::string one = whole.substr(0, 1u << 20);
  return megabytes == 1 ? one : whole;
}

void ReadRecords(RE*, const RegexClass::REMatchInfo& matches, unsigned, std::uint64_t, bool&) {
  benchmark::DoNotOptimize(matches.back().MatchString.size());
}

void ReadViews(RE*, const RegexClass::REMatchViewInfo& matches, unsigned, std::uint64_t, bool&) {
  benchmark::DoNotOptimize(matches.back().MatchString.size());
}

// A common word: many matches, so the per-match cost dominates.
constexpr const char* Pattern = "the";

void GrepRun(benchmark::State& state, bool views) {
  RE re;
  re.SetExpression(Pattern);
  re.SetStringToMatch(Text(state.range(0)));
  if (views)
    re.SetOnGreppingView(&ReadViews);
  else
    re.SetOnGrepping(&ReadRecords);
  unsigned count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(count = re.Grep());
  state.counters["matches"] = count;
  state.SetLabel(std::to_string(state.range(0)) + " MB");
}

void GrepRecords(benchmark::State& state) { GrepRun(state, false); }
void GrepViews(benchmark::State& state) { GrepRun(state, true); }

void MergeViews(benchmark::State& state) {
  RE re;
  re.SetExpression(Pattern);
  re.SetFormatString("THE");
  re.SetMergeCopy(true);
  re.SetStringToMatch(Text(state.range(0)));
  re.SetOnMergingView(&ReadViews);
  std::string out;
  for (auto _ : state) {
    re.Merge(out);
    benchmark::DoNotOptimize(out.size());
  }
  state.SetLabel(std::to_string(state.range(0)) + " MB");
}

BENCHMARK(GrepRecords)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(GrepViews)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(MergeViews)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
