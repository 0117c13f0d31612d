// The cost of POSIX's sub-expressions per match: Boost's search alone (its own groups) next to
// Boost's search followed by the resolver, on group-heavy patterns; the resolver next to the
// one-pass groups on a match; and the resolver's growth with the length of the match.
#include <benchmark/benchmark.h>

#include <boost/regex.hpp>
#include <locale>
#include <string>
#include <vector>

#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "PosixGroups.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

namespace S = GrepEngine::SyntaxBits;

struct Case {
  const char* Name;
  const char* Pattern;
  std::string Text;
};

const Case& CaseOf(int index) {
  static const Case cases[] = {
      {"date", "([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2})(:([0-9]{2}))?",
       "logged 2026-12-08T09:48:35 by the night run"},
      {"assignment", "(\\w+)[[:space:]]*=[[:space:]]*(\"([^\"]*)\"|(\\w+))",
       "  option name = \"a value\" ; rest"},
      {"repeated", "((a|ab)(c|bcd)?)+x", std::string(12, ' ') + "abcdacabcabcdabacx"},
      {"nested", "(([a-z]+)[.])*([a-z]+)@(([a-z]+)[.])+(com|org)",
       "mail first.second.last@mail.example.org now"},
  };
  return cases[index];
}

const char* const Names[] = {"date", "assignment", "repeated", "nested"};

std::shared_ptr<const GrepEngine::Pattern> Compile(const char* text) {
  return GrepEngine::Pattern::Compile(text, text + std::char_traits<char>::length(text),
                                      S::Extended, std::locale::classic());
}

void BoostAlone(benchmark::State& state) {
  const Case& c = CaseOf(static_cast<int>(state.range(0)));
  auto pattern = Compile(c.Pattern);
  const GrepEngine::FlagBits flags = GrepEngine::TranslateMatchFlags(0);
  boost::match_results<const char*> results;
  for (auto _ : state) {
    const bool found =
        boost::regex_search(c.Text.data(), c.Text.data() + c.Text.size(), results,
                            pattern->Internals().Expression, GrepEngine::AsMatchFlags(flags));
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(Names[state.range(0)]);
}

void BoostThenResolver(benchmark::State& state) {
  const Case& c = CaseOf(static_cast<int>(state.range(0)));
  auto pattern = Compile(c.Pattern);
  const GrepEngine::FlagBits flags = GrepEngine::TranslateMatchFlags(0);
  boost::match_results<const char*> results;
  for (auto _ : state) {
    boost::regex_search(c.Text.data(), c.Text.data() + c.Text.size(), results,
                        pattern->Internals().Expression, GrepEngine::AsMatchFlags(flags));
    const bool resolved = GrepEngine::ApplyPosixGroups(*pattern, c.Text.data(), flags, results);
    benchmark::DoNotOptimize(resolved);
  }
  state.SetLabel(Names[state.range(0)]);
}

// On the whole match Boost found: the resolver's groups, and the one-pass groups of the
// patterns that have one parse (the date and the assignment).
void OnTheMatch(benchmark::State& state, bool onePass) {
  const Case& c = CaseOf(static_cast<int>(state.range(0)));
  auto pattern = Compile(c.Pattern);
  const GrepEngine::Pattern::Impl& impl = pattern->Internals();
  const GrepEngine::FlagBits flags = GrepEngine::TranslateMatchFlags(0);
  boost::match_results<const char*> results;
  const char* first = c.Text.data();
  const char* last = first + c.Text.size();
  if (!boost::regex_search(first, last, results, impl.Expression,
                           GrepEngine::AsMatchFlags(flags)) ||
      impl.OnePassGroups == nullptr) {
    state.SkipWithError("no match, or no one-pass groups");
    return;
  }
  const GrepEngine::Groups::TextContext context = GrepEngine::GroupTextContext(first, last, flags);
  std::vector<GrepEngine::Groups::GroupSpan> spans(impl.OnePassGroups->GroupCount());
  for (auto _ : state) {
    const bool done =
        onePass
            ? impl.OnePassGroups->Follow(context, results[0].first, results[0].second, spans.data())
            : impl.GroupResolver->Resolve(context, results[0].first, results[0].second, spans);
    benchmark::DoNotOptimize(done);
  }
  state.SetLabel(Names[state.range(0)]);
}

void ResolverOnTheMatch(benchmark::State& state) { OnTheMatch(state, false); }
void OnePassOnTheMatch(benchmark::State& state) { OnTheMatch(state, true); }

// The resolver alone on one match of `length` bytes, for a pattern whose star iterates once per
// byte and one whose iterations are long.
void ResolverByLength(benchmark::State& state) {
  const bool longIterations = state.range(1) != 0;
  auto pattern = Compile(longIterations ? "(a*b|c)*d" : "((a)|b)*d");
  // Whole iterations up to the length, then the final 'd'.
  const std::string iteration = longIterations ? "aaaaaaaaaaaaaaab" : "ab";
  std::string text;
  while (text.size() + iteration.size() < static_cast<std::size_t>(state.range(0)))
    text += iteration;
  text += 'd';
  const GrepEngine::FlagBits flags = GrepEngine::TranslateMatchFlags(0);
  boost::match_results<const char*> results;
  const char* first = text.data();
  boost::regex_search(first, first + text.size(), results, pattern->Internals().Expression,
                      GrepEngine::AsMatchFlags(flags));
  for (auto _ : state) {
    const bool resolved = GrepEngine::ApplyPosixGroups(*pattern, first, flags, results);
    benchmark::DoNotOptimize(resolved);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.SetLabel(longIterations ? "(a*b|c)*d" : "((a)|b)*d");
}

}  // namespace

BENCHMARK(BoostAlone)->DenseRange(0, 3);
BENCHMARK(BoostThenResolver)->DenseRange(0, 3);
BENCHMARK(ResolverOnTheMatch)->DenseRange(0, 1);
BENCHMARK(OnePassOnTheMatch)->DenseRange(0, 1);
BENCHMARK(ResolverByLength)->ArgsProduct({{64, 1024, 16384}, {0, 1}});
BENCHMARK_MAIN();
