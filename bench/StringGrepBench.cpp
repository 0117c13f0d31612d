// Grep on a pattern object against a plain Boost.Regex loop over the same 16 MB text.
// The plain loop is what a caller would write by hand: regex_search from the end of the last
// match, POSIX extended syntax, counting matches.
#include <benchmark/benchmark.h>
#include <grepcore/Regularexpressionclass.h>

#include <boost/regex.hpp>
#include <string>

#include "Corpus.h"

namespace {

using RE = RegexClass::RegularExpression;

const std::string& Text() {
  static const std::string text = Bench::GenerateText(16u << 20, 20261208);
  return text;
}

const char* const Patterns[] = {
    "needle",                             // a literal
    "[[:alpha:]]+[[:digit:]]{2,}",        // class-heavy
    "([a-z]+)@([a-z]+)\\.(com|org|net)",  // groups
    "fox|dog|handler|thread",             // an alternation of words
};
const char* const Names[] = {"literal", "classes", "groups", "alternation"};

unsigned PlainBoostCount(const boost::regex& expression, const std::string& text) {
  unsigned count = 0;
  boost::cmatch match;
  const char* start = text.data();
  const char* const end = text.data() + text.size();
  boost::match_flag_type flags = boost::match_default;
  while (start <= end && boost::regex_search(start, end, match, expression, flags, text.data())) {
    ++count;
    const char* next = match[0].second;
    // An empty match must not be found again at the same place.
    start = next == match[0].first ? next + 1 : next;
    flags = boost::match_default | boost::match_prev_avail;
  }
  return count;
}

void PlainBoostLoop(benchmark::State& state) {
  const boost::regex expression(Patterns[state.range(0)], boost::regex::extended);
  unsigned count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(count = PlainBoostCount(expression, Text()));
  state.counters["matches"] = count;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Text().size()));
  state.SetLabel(Names[state.range(0)]);
}

void ReadVector(RE*, const RegexClass::REMatchInfo& matches, unsigned, std::uint64_t, bool&) {
  benchmark::DoNotOptimize(matches.front().Position);
}

void GrepOnObject(benchmark::State& state, bool withHandler) {
  RE re;
  re.SetExpression(Patterns[state.range(0)]);
  re.SetStringToMatch(Text());
  if (withHandler) re.SetOnGrepping(&ReadVector);
  unsigned count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(count = re.Grep());
  state.counters["matches"] = count;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Text().size()));
  state.SetLabel(Names[state.range(0)]);
}

void GrepNoHandler(benchmark::State& state) { GrepOnObject(state, false); }
void GrepWithHandler(benchmark::State& state) { GrepOnObject(state, true); }

BENCHMARK(PlainBoostLoop)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(GrepNoHandler)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(GrepWithHandler)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
