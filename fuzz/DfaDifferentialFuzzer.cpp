// The planned routes (literal scans, the DFA, groups filled on reading) against the reference
// engine on one pattern, option word, match word, text and locale (the C locale, or UTF-8): every
// match of a grep, its groups, prefix and line, and the merge must be the same wherever the
// reference engine does not give up.
#include <boost/regex.hpp>
#include <iterator>
#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "MatchFlagTranslation.h"
#include "PatternImpl.h"
#include "ReferenceRoute.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"

namespace {

using namespace GrepEngine;

// Enough matches to compare; a pattern matching empty everywhere has one per byte.
constexpr std::size_t MostMatches = 256;

struct Seen {
  std::vector<std::int64_t> Offsets;
  bool Abandoned = false;
};

template <class Grep>
Seen Collect(Grep grep) {
  Seen seen;
  const GrepOutcome outcome = grep([&](const MatchResults& match) {
    for (unsigned i = 0; i < match.Size(); ++i) {
      const SubMatch sub = match.Sub(i);
      seen.Offsets.push_back(sub.Position);
      seen.Offsets.push_back(sub.Matched ? static_cast<std::int64_t>(sub.Length()) : -1);
    }
    seen.Offsets.push_back(match.Prefix().Position);
    seen.Offsets.push_back(match.Line());
    return seen.Offsets.size() < MostMatches * 8;
  });
  seen.Abandoned = outcome.Abandoned;
  return seen;
}

// A UTF-8 locale, when the system has one.
const std::locale& Utf8Locale() {
  static const std::locale utf8 = [] {
    try {
      return std::locale("C.UTF-8");
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }();
  return utf8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  // Every option bit but Literals, which leaves little to the planner.
  const unsigned option = input.Take<std::uint16_t>() & 0x67FFu;
  // The toolkit's match bits, and the engine's own line rule from a bit they leave free.
  const unsigned drawn = input.Take<std::uint16_t>();
  const unsigned matchWord =
      (drawn & 0x1CFFu) | ((drawn & 0x2000u) ? unsigned{MatchBits::LineFeedLines} : 0u);
  const std::locale& locale = (drawn & 0x4000u) ? Utf8Locale() : std::locale::classic();
  const std::string pattern = input.Piece();
  const std::string text = input.Piece();
  const std::string format = input.Piece();
  if (pattern.size() > 64 || text.size() > 512) return 0;
  try {
    auto compiled =
        Pattern::Compile(pattern.data(), pattern.data() + pattern.size(), option, locale);
    if (compiled->Failed()) return 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const Seen reference = Collect([&](auto callback) {
      return ReferenceGrepIn(*compiled, first, last, matchWord, callback);
    });
    if (reference.Abandoned) return 0;
    const Seen planned =
        Collect([&](auto callback) { return GrepIn(*compiled, first, last, matchWord, callback); });
    if (planned.Offsets != reference.Offsets || planned.Abandoned) __builtin_trap();

    std::string expected, merged;
    bool gaveUp = false;
    if (compiled->Internals().GroupResolver) {
      // POSIX's groups on either route: the reference grep with each match formatted.
      const char* copied = first;
      std::string expansion;
      bool badFormat = false;
      gaveUp = ReferenceGrepIn(*compiled, first, last, matchWord,
                               [&](const MatchResults& match) {
                                 const SubMatch whole = match.Sub(0);
                                 expected.append(copied, whole.First);
                                 copied = whole.Last;
                                 badFormat =
                                     !FormatMatch(match, format, expansion, compiled->Locale());
                                 expected += expansion;
                                 return !badFormat;
                               })
                   .Abandoned ||
               badFormat;
      expected.append(copied, last);
    } else {
      try {
        const FlagBits flags = TranslateMatchFlags(matchWord);
        boost::regex_replace(std::back_inserter(expected), first, last,
                             compiled->Internals().ExpressionFor(flags), format,
                             AsMatchFlags(flags));
      } catch (const std::runtime_error&) {
        gaveUp = true;
      }
    }
    if (!gaveUp) {
      if (!MergeInto(*compiled, first, last, format, true, matchWord, merged)) __builtin_trap();
      if (merged != expected) __builtin_trap();
    }
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
