// The engine's literal scans on their own, on the generated code-like text: the memchr scan
// on the rarest byte, the two-byte vector scan at each level, the set scans (one scan per
// literal, the pair kernel, the fingerprint kernel) and, where it was found at build time,
// Hyperscan's literal matcher, each counting every occurrence. Median of interleaved rounds.
//
//   literal_scan_bench [rounds] [megabytes]
#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "Corpus.h"
#include "LiteralSearch.h"
#include "VectorScan.h"

#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
#include <hs.h>
#endif

namespace {

using namespace GrepEngine;

struct Way {
  std::string Name;
  std::function<unsigned()> Count;
};

template <class Find>
unsigned CountLiteral(const std::string& text, const std::string& literal, const Find& find) {
  unsigned count = 0;
  const char* const last = text.data() + text.size();
  for (const char* at = text.data();; ++count) {
    at = find(at, last);
    if (at == nullptr) return count;
    at += literal.size();
  }
}

unsigned CountSet(const std::string& text, const std::vector<std::string>& set, VectorLevel level) {
  LiteralSetScanner scanner(set, text.data() + text.size(), level);
  unsigned count = 0;
  for (const char* at = text.data();; ++count) {
    at = scanner.Next(at);
    if (at == nullptr) return count;
    ++at;  // the words of the sets here never overlap
  }
}

unsigned CountWithFinder(const std::string& text, const LiteralSetFinder& finder) {
  unsigned count = 0;
  const char* const last = text.data() + text.size();
  for (const char* at = text.data();; ++count) {
    const char* stopped = nullptr;
    at = finder.Find(at, last, stopped);
    if (at == nullptr) return count;
    ++at;
  }
}

#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
struct Hyperscan {
  hs_database_t* Database = nullptr;
  hs_scratch_t* Scratch = nullptr;
  explicit Hyperscan(const std::vector<std::string>& set) {
    std::vector<const char*> texts;
    std::vector<unsigned> flags(set.size(), 0), ids(set.size()), lengths;
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < set.size(); ++i) {
      texts.push_back(set[i].c_str());
      sizes.push_back(set[i].size());
      ids[i] = static_cast<unsigned>(i);
    }
    hs_compile_error_t* error = nullptr;
    if (hs_compile_lit_multi(texts.data(), flags.data(), ids.data(), sizes.data(),
                             static_cast<unsigned>(set.size()), HS_MODE_BLOCK, nullptr, &Database,
                             &error) != HS_SUCCESS ||
        hs_alloc_scratch(Database, &Scratch) != HS_SUCCESS)
      std::exit(2);
  }
  ~Hyperscan() {
    hs_free_scratch(Scratch);
    hs_free_database(Database);
  }
  Hyperscan(const Hyperscan&) = delete;
  Hyperscan& operator=(const Hyperscan&) = delete;
  unsigned Count(const std::string& text) const {
    unsigned count = 0;
    hs_scan(
        Database, text.data(), static_cast<unsigned>(text.size()), 0, Scratch,
        [](unsigned, unsigned long long, unsigned long long, unsigned, void* context) {
          ++*static_cast<unsigned*>(context);
          return 0;
        },
        &count);
    return count;
  }
};
#endif

unsigned CountRun(const std::string& text, const std::vector<std::bitset<256>>& run,
                  VectorLevel level) {
  const ByteRunScanner scanner(run, text.data() + text.size(), level);
  unsigned count = 0;
  for (const char* at = text.data();; ++count) {
    at = scanner.Next(at);
    if (at == nullptr) return count;
    at += run.size();
  }
}

// A case-insensitive word as a run of byte sets, and two digits in a row.
std::vector<std::vector<std::bitset<256>>> Runs() {
  std::vector<std::bitset<256>> word;
  for (char c : std::string("namespace")) {
    word.emplace_back();
    word.back().set(static_cast<unsigned char>(c));
    word.back().set(static_cast<unsigned char>(c - 'a' + 'A'));
  }
  std::bitset<256> digit;
  for (char c = '0'; c <= '9'; ++c) digit.set(static_cast<unsigned char>(c));
  return {word, {digit, digit}};
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 16;
  const std::string text =
      Bench::GenerateCodeText(static_cast<std::size_t>(megabytes) << 20, 20261209);
  const std::vector<std::vector<std::string>> sets = {
      {"namespace"},
      {"quixotic"},
      {"struct", "handler", "length"},
      {"quixotic", "zephyr", "jukebox"},
      {"value", "buffer", "length"},
      {"Sherlock", "Holmes", "Watson", "Moriarty", "Adler", "Lestrade", "Hudson", "Mycroft"}};
  std::printf("%d MB, median of %d rounds, processor ms per scan of the whole text\n", megabytes,
              rounds);
  for (const std::vector<std::string>& set : sets) {
    std::vector<Way> ways;
#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
    const Hyperscan hyperscan(set);
#endif
    if (set.size() == 1) {
      const std::string& literal = set[0];
      ways.push_back({"memchr", [&] {
                        return CountLiteral(text, literal,
                                            [&](const char* first, const char* last) {
                                              return FindLiteralByRareByte(first, last, literal);
                                            });
                      }});
      for (VectorLevel level : {VectorLevel::Sse2, VectorLevel::Avx2})
        if (RunsHere(level))
          ways.push_back({level == VectorLevel::Avx2 ? "pair avx2" : "pair sse2", [&, level] {
                            const LiteralPairFinder finder(literal, level);
                            return CountLiteral(text, literal,
                                                [&](const char* first, const char* last) {
                                                  return finder.Find(first, last);
                                                });
                          }});
    } else {
      ways.push_back({"per literal", [&] { return CountSet(text, set, VectorLevel::Plain); }});
      for (VectorLevel level : {VectorLevel::Sse2, VectorLevel::Avx2})
        for (SetKernel kernel : {SetKernel::Pairs, SetKernel::Prints}) {
          const LiteralSetFinder finder(set, level, kernel);
          if (!finder.Usable()) continue;
          std::string name = kernel == SetKernel::Prints ? "prints" : "pairs";
          name += level == VectorLevel::Avx2 ? " avx2" : " sse2";
          ways.push_back({name, [&text, finder] { return CountWithFinder(text, finder); }});
        }
    }
#ifdef GREPTOOLKIT_BENCH_HYPERSCAN
    ways.push_back({"Hyperscan", [&] { return hyperscan.Count(text); }});
#endif
    std::vector<std::vector<double>> times(ways.size());
    std::vector<unsigned> counts(ways.size());
    for (int round = 0; round < rounds; ++round)
      for (std::size_t i = 0; i < ways.size(); ++i) {
        const std::clock_t start = std::clock();  // processor time: the machine is shared
        counts[i] = ways[i].Count();
        const std::clock_t stop = std::clock();
        times[i].push_back(1000.0 * static_cast<double>(stop - start) / CLOCKS_PER_SEC);
      }
    std::string name;
    for (const std::string& literal : set) name += (name.empty() ? "" : "|") + literal;
    std::printf("\n%s\n", name.c_str());
    for (std::size_t i = 0; i < ways.size(); ++i)
      std::printf("  %-12s %8.2f  %8u%s\n", ways[i].Name.c_str(), Median(times[i]), counts[i],
                  counts[i] == counts[0] ? "" : "  COUNT DIFFERS");
  }
  for (const std::vector<std::bitset<256>>& run : Runs()) {
    std::vector<Way> ways;
    for (VectorLevel level : {VectorLevel::Plain, VectorLevel::Sse2, VectorLevel::Avx2})
      if (RunsHere(level))
        ways.push_back({level == VectorLevel::Plain  ? "byte loop"
                        : level == VectorLevel::Sse2 ? "ranges sse2"
                                                     : "ranges avx2",
                        [&, level] { return CountRun(text, run, level); }});
    std::vector<std::vector<double>> times(ways.size());
    std::vector<unsigned> counts(ways.size());
    for (int round = 0; round < rounds; ++round)
      for (std::size_t i = 0; i < ways.size(); ++i) {
        const std::clock_t start = std::clock();
        counts[i] = ways[i].Count();
        const std::clock_t stop = std::clock();
        times[i].push_back(1000.0 * static_cast<double>(stop - start) / CLOCKS_PER_SEC);
      }
    std::printf("\nrun of %zu byte sets (%s)\n", run.size(),
                run.size() == 2 ? "two digits" : "namespace, any case");
    for (std::size_t i = 0; i < ways.size(); ++i)
      std::printf("  %-12s %8.2f  %8u%s\n", ways[i].Name.c_str(), Median(times[i]), counts[i],
                  counts[i] == counts[0] ? "" : "  COUNT DIFFERS");
  }
  return 0;
}
