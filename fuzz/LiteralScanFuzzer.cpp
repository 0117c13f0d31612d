// The vectorised literal scans against the memchr scan and plain searches on one input: a
// literal, a set of literals and a text taken from the fuzzer's bytes, searched from a position
// the input gives, at every vector level the machine runs and with every set kernel.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "LiteralSearch.h"
#include "VectorScan.h"

namespace {

using namespace GrepEngine;

void Check(bool holds) {
  if (!holds) std::abort();
}

const char* PlainSetFind(const std::string& text, std::size_t from,
                         const std::vector<std::string>& set) {
  std::size_t best = std::string_view::npos;
  for (const std::string& literal : set)
    best = std::min(best, std::string_view(text).find(literal, from));
  return best == std::string_view::npos ? nullptr : text.data() + best;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const auto sets = static_cast<std::size_t>(input.Take<std::uint8_t>() % 9);
  const std::string literal = input.Piece();
  std::vector<std::string> set;
  for (std::size_t i = 0; i < sets; ++i) set.push_back(input.Piece());
  const std::string text = input.Piece();
  const std::size_t from = text.empty() ? 0 : input.Take<std::uint16_t>() % (text.size() + 1);
  const char* first = text.data() + from;
  const char* last = text.data() + text.size();

  const char* expected = FindLiteralByRareByte(first, last, literal);
  const std::size_t at = std::string_view(text).find(literal, from);
  Check(literal.empty() ? expected == nullptr
                        : expected == (at == std::string_view::npos ? nullptr : text.data() + at));
  for (VectorLevel level : {VectorLevel::Sse2, VectorLevel::Avx2}) {
    if (!RunsHere(level)) continue;
    if (!literal.empty()) Check(LiteralPairFinder(literal, level).Find(first, last) == expected);
    for (SetKernel kernel : {SetKernel::Pairs, SetKernel::Prints}) {
      const LiteralSetFinder finder(set, level, kernel);
      if (!finder.Usable()) continue;
      const char* stopped = nullptr;
      const char* hit = finder.Find(first, last, stopped);
      const char* plain = PlainSetFind(text, from, set);
      Check(stopped == nullptr ? hit == plain
                               : hit == nullptr && (plain == nullptr || stopped <= plain));
    }
    bool anyEmpty = false;
    for (const std::string& piece : set) anyEmpty = anyEmpty || piece.empty();
    if (!set.empty() && !anyEmpty) {
      LiteralSetScanner scanner(set, last, level);
      Check(scanner.Next(first) == PlainSetFind(text, from, set));
    }
  }
  return 0;
}
