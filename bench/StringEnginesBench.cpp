// The toolkit's string Grep next to other engines, in one process on the same generated text:
// every non-overlapping match of each case is counted by each engine, the counts must agree,
// and the median time of each engine over interleaved rounds is printed with the ratio of ours
// to the fastest peer that counts alike.
//
//   string_engines_bench [rounds] [megabytes] [case name substring] [engine names, comma-separated]
//
// Ours: Grep without a handler, and with a view handler that reads the whole match (and the
// groups, where the case reads groups). Peers: RE2 (longest match and its default leftmost-
// first), PCRE2 with its JIT, and Hyperscan in block mode. Hyperscan reports every end of every
// match; only where a match has one end and matches cannot overlap (literals, sets of words
// none of which is inside another, words between \b) does counting its reports with a start at
// or after the last end give the same count, so it runs only on those cases. Peers whose
// library was not found at build time are left out.
#include <grepcore/Regex.h>
#include <grepcore/Regularexpressionclass.h>
#include <re2/re2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef GREPTOOLKIT_BENCH_PCRE2
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#endif
#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
#include <hs.h>
#endif

#include "Corpus.h"

namespace {

using RE = RegexClass::RegularExpression;

template <class T>
void Keep(const T& value) {
  asm volatile("" : : "g"(value) : "memory");
}

struct Case {
  const char* Name;
  const char* Pattern;
  bool ReadGroups;  // the view handler and the peers read every group
  bool EndsAlike;   // Hyperscan's reports give the same count
  // The peers' spelling where theirs differs (they have no \< or \>); null: Pattern.
  const char* PeerPattern = nullptr;

  const char* ForPeers() const { return PeerPattern != nullptr ? PeerPattern : Pattern; }
};

const Case Cases[] = {
    {"frequent literal", "namespace", false, true},
    {"literal, no match", "quixotic", false, true},
    {"alternation of three words", "struct|handler|length", false, true},
    {"alternation, no match", "quixotic|zephyr|jukebox", false, true},
    {"[A-Z][a-z]+_[a-z0-9]+", "[A-Z][a-z]+_[a-z0-9]+", false, false},
    {"[[:alpha:]]+[[:digit:]]{2,}", "[[:alpha:]]+[[:digit:]]{2,}", false, false},
    {"(struct|union) ([a-z_]+), groups", "(struct|union) ([a-z_]+)", true, false},
    {"\\b(value|buffer|length)\\b", "\\b(value|buffer|length)\\b", false, true},
    {"\\<(value|buffer|length)\\>", "\\<(value|buffer|length)\\>", false, true,
     "\\b(value|buffer|length)\\b"},
};

// One engine's way of counting a case's matches; `Peer`: an engine we compare with.
struct Runner {
  std::string Name;
  bool Peer = true;
  std::function<unsigned()> Count;
};

// Ours ----------------------------------------------------------------------------------------

void ReadWholeView(RE*, const RegexClass::REMatchViewInfo& matches, unsigned, std::uint64_t,
                   bool&) {
  Keep(matches[0].MatchString.data());
  Keep(matches[0].MatchString.size());
}

// The records past the whole match, but for the prefix and suffix, are the groups.
void ReadGroupViews(RE*, const RegexClass::REMatchViewInfo& matches, unsigned, std::uint64_t,
                    bool&) {
  for (std::size_t i = 0; i + 2 < matches.size(); ++i) {
    Keep(matches[i].MatchString.data());
    Keep(matches[i].MatchString.size());
  }
}

Runner OursWithoutHandler(const Case& c, const std::string& text) {
  auto re = std::make_shared<RE>();
  re->SetExpression(c.Pattern);
  re->SetStringToMatch(text);
  re->ParseExpression();
  return Runner{"ours", false, [re] { return re->Grep(); }};
}

Runner OursWithViewHandler(const Case& c, const std::string& text) {
  auto re = std::make_shared<RE>();
  re->SetExpression(c.Pattern);
  re->SetStringToMatch(text);
  re->SetOnGreppingView(c.ReadGroups ? &ReadGroupViews : &ReadWholeView);
  re->ParseExpression();
  return Runner{"ours+view", false, [re] { return re->Grep(); }};
}

// The value interface's match range: each match read as a view (the whole match, or its groups).
Runner OursValueRange(const Case& c, const std::string& text) {
  auto pattern = std::make_shared<grepcore::Pattern>(grepcore::Pattern::Compile(c.Pattern).Value());
  const bool groups = c.ReadGroups;
  return Runner{"ours value", false,
                [pattern, own = std::make_shared<const std::string>(text), groups] {
                  unsigned count = 0;
                  for (const grepcore::Match& match : pattern->Matches(*own)) {
                    if (groups) {
                      for (std::size_t i = 1; i < match.Size(); ++i) {
                        const grepcore::Group group = match.Group(i);
                        Keep(group.Text().data());
                        Keep(group.Length());
                      }
                    } else {
                      Keep(match.Text().data());
                      Keep(match.Length());
                    }
                    ++count;
                  }
                  return count;
                }};
}

std::vector<Runner> OursFor(const Case& c, const std::string& text) {
  return {OursWithoutHandler(c, text), OursWithViewHandler(c, text), OursValueRange(c, text)};
}

// RE2 -----------------------------------------------------------------------------------------

Runner Re2Runner(const Case& c, const std::string& text, bool longest) {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_longest_match(longest);
  options.set_log_errors(false);
  options.set_max_mem(std::int64_t{256} << 20);
  auto re = std::make_shared<RE2>(c.ForPeers(), options);
  if (!re->ok()) {
    std::fprintf(stderr, "RE2 refuses %s: %s\n", c.ForPeers(), re->error().c_str());
    std::exit(2);
  }
  const int wanted = c.ReadGroups ? 1 + re->NumberOfCapturingGroups() : 1;
  return Runner{longest ? "RE2 longest" : "RE2", true,
                [re, wanted, own = std::make_shared<const std::string>(text)] {
                  const re2::StringPiece input(*own);
                  std::vector<re2::StringPiece> groups(static_cast<std::size_t>(wanted));
                  unsigned count = 0;
                  std::size_t from = 0;
                  while (from <= own->size() && re->Match(input, from, own->size(), RE2::UNANCHORED,
                                                          groups.data(), wanted)) {
                    ++count;
                    for (const re2::StringPiece& group : groups) Keep(group.data());
                    const auto start = static_cast<std::size_t>(groups[0].data() - own->data());
                    const std::size_t end = start + groups[0].size();
                    from = end == start ? end + 1 : end;
                  }
                  return count;
                }};
}

// PCRE2 ---------------------------------------------------------------------------------------

#ifdef GREPTOOLKIT_BENCH_PCRE2
struct Pcre2Compiled {
  pcre2_code* Code = nullptr;
  pcre2_match_data* Data = nullptr;
  ~Pcre2Compiled() {
    pcre2_match_data_free(Data);
    pcre2_code_free(Code);
  }
};

std::vector<Runner> Pcre2Runners(const Case& c, const std::string& text) {
  auto compiled = std::make_shared<Pcre2Compiled>();
  int error = 0;
  PCRE2_SIZE offset = 0;
  compiled->Code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.ForPeers()), PCRE2_ZERO_TERMINATED,
                                 0, &error, &offset, nullptr);
  if (compiled->Code == nullptr || pcre2_jit_compile(compiled->Code, PCRE2_JIT_COMPLETE) != 0) {
    std::fprintf(stderr, "PCRE2 refuses %s\n", c.ForPeers());
    std::exit(2);
  }
  compiled->Data = pcre2_match_data_create_from_pattern(compiled->Code, nullptr);
  const bool groups = c.ReadGroups;
  return {Runner{"PCRE2-JIT", true,
                 [compiled, groups, own = std::make_shared<const std::string>(text)] {
                   const auto* subject = reinterpret_cast<PCRE2_SPTR>(own->data());
                   unsigned count = 0;
                   PCRE2_SIZE from = 0;
                   while (from <= own->size()) {
                     const int found = pcre2_jit_match(compiled->Code, subject, own->size(), from,
                                                       0, compiled->Data, nullptr);
                     if (found < 0) break;
                     ++count;
                     const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(compiled->Data);
                     if (groups)
                       for (int i = 0; i < 2 * found; ++i) Keep(ovector[i]);
                     from = ovector[1] == ovector[0] ? ovector[1] + 1 : ovector[1];
                   }
                   return count;
                 }}};
}
#else
std::vector<Runner> Pcre2Runners(const Case&, const std::string&) { return {}; }
#endif

// Hyperscan -----------------------------------------------------------------------------------

#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
struct HyperscanCompiled {
  hs_database_t* Database = nullptr;
  hs_scratch_t* Scratch = nullptr;
  ~HyperscanCompiled() {
    hs_free_scratch(Scratch);
    hs_free_database(Database);
  }
};

struct NonOverlapping {
  unsigned long long LastEnd = 0;
  unsigned Count = 0;
};

int CountReport(unsigned, unsigned long long from, unsigned long long to, unsigned, void* context) {
  auto* state = static_cast<NonOverlapping*>(context);
  if (from >= state->LastEnd) {
    ++state->Count;
    state->LastEnd = to;
  }
  return 0;
}

std::vector<Runner> HyperscanRunners(const Case& c, const std::string& text) {
  if (!c.EndsAlike) return {};
  auto compiled = std::make_shared<HyperscanCompiled>();
  hs_compile_error_t* error = nullptr;
  if (hs_compile(c.ForPeers(), HS_FLAG_SOM_LEFTMOST, HS_MODE_BLOCK, nullptr, &compiled->Database,
                 &error) != HS_SUCCESS) {
    std::fprintf(stderr, "Hyperscan refuses %s: %s\n", c.ForPeers(), error->message);
    hs_free_compile_error(error);
    std::exit(2);
  }
  if (hs_alloc_scratch(compiled->Database, &compiled->Scratch) != HS_SUCCESS) std::exit(2);
  return {Runner{"Hyperscan", true, [compiled, own = std::make_shared<const std::string>(text)] {
                   NonOverlapping state;
                   hs_scan(compiled->Database, own->data(), static_cast<unsigned>(own->size()), 0,
                           compiled->Scratch, &CountReport, &state);
                   return state.Count;
                 }}};
}
#else
std::vector<Runner> HyperscanRunners(const Case&, const std::string&) { return {}; }
#endif

// The table -----------------------------------------------------------------------------------

// The process's processor time (the benchmark runs one thread), not the wall clock: on a
// machine shared with other work, time spent waiting for a processor is not the engine's. An
// untimed run first: ours searches its own copy of the text, the peers one shared copy, and
// each timed run should find its text as warm as any other's. Each engine searches its own copy
// of the text, as ours does: engines sharing one copy would find it in the cache more often.
double Milliseconds(const std::function<unsigned()>& count, unsigned& result) {
  result = count();
  const std::clock_t start = std::clock();
  result = count();
  const std::clock_t stop = std::clock();
  return 1000.0 * static_cast<double>(stop - start) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 16;
  const std::string only = argc > 3 ? argv[3] : "";
  const std::string onlyEngine = argc > 4 ? argv[4] : "";
  const std::string text =
      Bench::GenerateCodeText(static_cast<std::size_t>(megabytes) << 20, 20261209);
  std::printf("%d MB of generated text, median of %d interleaved rounds, processor ms\n", megabytes,
              rounds);
#ifndef GREPTOOLKIT_BENCH_PCRE2
  std::printf("PCRE2 not found at build time: left out\n");
#endif
#ifndef GREPTOOLKIT_BENCH_HYPERSCAN
  std::printf("Hyperscan not found at build time: left out\n");
#endif
  bool agree = true;
  std::string header = "| case | fastest peer | ms |";
  std::string rule = "|---|---|---|";
  std::string summary;
  for (const Case& c : Cases) {
    if (!only.empty() && std::string(c.Name).find(only) == std::string::npos) continue;
    std::vector<Runner> runners = OursFor(c, text);
    runners.push_back(Re2Runner(c, text, true));
    runners.push_back(Re2Runner(c, text, false));
    for (auto* more : {&Pcre2Runners, &HyperscanRunners})
      for (Runner& runner : more(c, text)) runners.push_back(std::move(runner));
    if (!onlyEngine.empty())
      runners.erase(
          std::remove_if(runners.begin(), runners.end(),
                         [&](const Runner& runner) {
                           return (',' + onlyEngine + ',').find(',' + runner.Name + ',') ==
                                  std::string::npos;
                         }),
          runners.end());
    if (runners.empty()) continue;

    std::vector<std::vector<double>> times(runners.size());
    std::vector<unsigned> counts(runners.size());
    for (int round = 0; round < rounds; ++round)
      for (std::size_t i = 0; i < runners.size(); ++i)
        times[i].push_back(Milliseconds(runners[i].Count, counts[i]));

    std::printf("\n%s  (%s)\n", c.Name, c.Pattern);
    double fastestPeer = 0;
    std::string fastestName;
    for (std::size_t i = 0; i < runners.size(); ++i) {
      const double median = Median(times[i]);
      const bool alike = counts[i] == counts[0];
      agree = agree && alike;
      std::printf("  %-12s %9.2f  %8u matches%s\n", runners[i].Name.c_str(), median, counts[i],
                  alike ? "" : "  COUNT DIFFERS");
      if (runners[i].Peer && alike && (fastestName.empty() || median < fastestPeer)) {
        fastestPeer = median;
        fastestName = runners[i].Name;
      }
    }
    if (summary.empty())
      for (const Runner& runner : runners)
        if (!runner.Peer) {
          header += " " + runner.Name + " |";
          rule += "---|";
        }
    char cell[64];
    std::snprintf(cell, sizeof cell, "%.2f", fastestPeer);
    summary += std::string("\n| ") + c.Name + " | " + fastestName + " | " + cell + " |";
    for (std::size_t i = 0; i < runners.size(); ++i) {
      if (runners[i].Peer || fastestName.empty()) continue;
      std::snprintf(cell, sizeof cell, " %.2fx |", Median(times[i]) / fastestPeer);
      summary += cell;
    }
  }
  std::printf("\n%s\n%s%s\n", header.c_str(), rule.c_str(), summary.c_str());
  if (!agree) std::printf("\nsome counts differ\n");
  return agree ? 0 : 1;
}
