// Search, Grep and Merge on random texts. Besides not crashing, the merge that shows each
// match to a handler must give the same text as the plain merge when the handler accepts
// every match.
#include <new>
#include <string>

#include "FuzzInput.h"
#include "grepcore/Regularexpressionclass.h"

namespace {

using RE = RegexClass::RegularExpression;

struct Accepting {
  unsigned calls = 0;
  void On(RE* sender, const RegexClass::REMatchInfo& matches, unsigned, std::uint64_t, bool&) {
    ++calls;
    if (matches.empty() || sender->GetMatchingInformation().size() != matches.size()) __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Input input(data, size);
  const std::uint16_t options = input.Take<std::uint16_t>();
  const std::uint16_t matches = input.Take<std::uint16_t>();
  RE re;
  for (unsigned ordinal = 0; ordinal < 16; ++ordinal)
    if (options & (1u << ordinal)) re.AddExpressionOption(static_cast<RE::Options>(ordinal));
  for (unsigned ordinal = 1; ordinal < 12; ++ordinal)
    if (matches & (1u << ordinal)) re.AddMatchOption(static_cast<RE::Matches>(ordinal));
  re.SetExpression(input.Piece());
  re.SetStringToMatch(input.Piece());
  re.SetFormatString(input.Piece());
  re.SetMergeCopy((options & 0x8000u) != 0);
  try {
    re.Search();
    re.Match();
    Accepting grepHandler;
    re.SetOnGreppingClosure(RE::ContinueMatchEventClosure(&grepHandler, &Accepting::On));
    const unsigned count = re.Grep();
    if (count != grepHandler.calls) __builtin_trap();

    std::string plain, handled;
    re.Merge(plain);
    Accepting mergeHandler;
    re.SetOnMergingClosure(RE::ContinueMatchEventClosure(&mergeHandler, &Accepting::On));
    re.Merge(handled);
    // The two merges agree whenever the engine did not give up on the text.
    if (plain != handled && mergeHandler.calls == count && !plain.empty()) __builtin_trap();
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
