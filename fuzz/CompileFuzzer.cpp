// Pattern compilation and matching under random option words and match flags: no crash, no
// leak, and no exception but running out of memory.
#include <new>
#include <string>

#include "FuzzInput.h"
#include "engine/Matching.h"
#include "engine/Pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const unsigned optionWord = input.Take<std::uint16_t>() & 0x73FFu;
  const unsigned matchWord = input.Take<std::uint16_t>() & 0x1CFFu;
  const std::string pattern = input.Piece();
  const std::string text = input.Piece();
  try {
    auto compiled = GrepEngine::Pattern::Compile(pattern.data(), pattern.data() + pattern.size(),
                                                 optionWord, std::locale::classic());
    if (compiled->Failed() && compiled->ErrorText().empty()) __builtin_trap();
    GrepEngine::MatchResults results;
    GrepEngine::SearchIn(*compiled, text.data(), text.data() + text.size(), matchWord, results);
    GrepEngine::MatchAt(*compiled, text.data(), text.data() + text.size(), matchWord, results);
    unsigned seen = 0;
    const auto outcome = GrepEngine::GrepIn(*compiled, text.data(), text.data() + text.size(),
                                            matchWord, [&](const GrepEngine::MatchResults& m) {
                                              if (m.Sub(0).Last > text.data() + text.size()) __builtin_trap();
                                              return ++seen < 1000;
                                            });
    if (outcome.Count != seen) __builtin_trap();
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
