#include "SubsetDfa.h"

#include <algorithm>

namespace GrepEngine {
namespace {

// The DFA's memory stays below this many states (a kilobyte each); past it they are dropped
// and built again as needed.
constexpr std::size_t MostStates = 4096;

}  // namespace

SubsetDfa::SubsetDfa(const LineAutomaton& automaton, Mode mode, std::vector<std::uint32_t> initial)
    : Nfa(automaton), Reading(mode), Initial(std::move(initial)), Mark(automaton.States.size(), 0) {
  if (Reading.StartsEverywhere) {
    for (const std::uint8_t behind : {NotWordByte, WordByte}) {
      StartLives[behind] = false;
      for (int next = AtEnd; next < 256 && !StartLives[behind]; ++next) {
        const bool accepts = Closure(Initial, behind, next);
        StartLives[behind] = accepts || !Reached.empty();
      }
    }
  }
  Restart();
}

void SubsetDfa::Compute(std::int32_t& state, unsigned char byte) {
  const std::size_t from = static_cast<std::size_t>(state) >> 8;
  const bool accepts = Closure(Kernels[from], Behinds[from], byte);
  if (accepts && Reading.StopsAtAccept) {
    Table[static_cast<std::size_t>(state) + byte] = Matched;
    return;
  }
  std::vector<std::uint32_t> kernel;
  for (const std::uint32_t id : Reached) {
    const LineState& step = Nfa.States[id];
    if (Nfa.Sets[step.Set].test(byte)) kernel.push_back(step.Next);
  }
  std::sort(kernel.begin(), kernel.end());
  kernel.erase(std::unique(kernel.begin(), kernel.end()), kernel.end());
  if (Kernels.size() >= MostStates) {
    std::vector<std::uint32_t> current = Kernels[from];
    const std::uint8_t currentBehind = Behinds[from];
    Restart();
    state = Intern(std::move(current), currentBehind);
  }
  const std::int32_t next = Intern(std::move(kernel), KindOf(byte));
  Table[static_cast<std::size_t>(state) + byte] = next + (accepts ? AcceptBit : 0);
}

void SubsetDfa::Restart() {
  Table.clear();
  EndMatches.clear();
  Kernels.clear();
  Behinds.clear();
  Ids.clear();
  std::fill(std::begin(Begun), std::end(Begun), -1);
}

std::int32_t SubsetDfa::Intern(std::vector<std::uint32_t> kernel, std::uint8_t behind) {
  std::string key(1, static_cast<char>(behind));
  key.append(reinterpret_cast<const char*>(kernel.data()), kernel.size() * sizeof(std::uint32_t));
  const auto known = Ids.find(key);
  if (known != Ids.end()) return known->second;
  const auto id = static_cast<std::int32_t>(Kernels.size() * 256);
  // Nothing in progress, and no match can start here (or anywhere but at the text's start).
  const bool dead =
      kernel.empty() && (!Reading.StartsEverywhere ||
                         (behind != Edge && !StartLives[NotWordByte] && !StartLives[WordByte]));
  Table.resize(Table.size() + 256, dead ? Dead : Unknown);
  if (Reading.StopsAtLineFeed) Table[static_cast<std::size_t>(id) + '\n'] = LineFeed;
  EndMatches.push_back(!dead && Closure(kernel, behind, AtEnd));
  Kernels.push_back(std::move(kernel));
  Behinds.push_back(behind);
  Ids.emplace(std::move(key), id);
  return id;
}

bool SubsetDfa::Holds(Syntax::Assertion place, std::uint8_t behind, int next) const {
  // The kinds of the bytes left and right of the place, as the text reads forwards.
  const std::uint8_t nextKind = next == AtEnd ? Edge : KindOf(static_cast<unsigned char>(next));
  const std::uint8_t left = Reading.Backward ? nextKind : behind;
  const std::uint8_t right = Reading.Backward ? behind : nextKind;
  const bool wordLeft = left == WordByte;
  const bool wordRight = right == WordByte;
  switch (place) {
    case Syntax::Assertion::LineStart:
      return left == Edge;
    case Syntax::Assertion::LineEnd:
      return right == Edge;
    case Syntax::Assertion::WordBoundary:
      return wordLeft != wordRight;
    case Syntax::Assertion::WordStart:
      return !wordLeft && wordRight;
    case Syntax::Assertion::WordEnd:
      return wordLeft && !wordRight;
    default:  // the automaton holds no other assertion
      return false;
  }
}

bool SubsetDfa::Closure(const std::vector<std::uint32_t>& kernel, std::uint8_t behind, int next) {
  Reached.clear();
  if (++Generation == 0) {
    std::fill(Mark.begin(), Mark.end(), 0);
    Generation = 1;
  }
  Pending.assign(kernel.begin(), kernel.end());
  if (Reading.StartsEverywhere) Pending.push_back(Nfa.Start);
  bool accepts = false;
  while (!Pending.empty()) {
    const std::uint32_t id = Pending.back();
    Pending.pop_back();
    if (Mark[id] == Generation) continue;
    Mark[id] = Generation;
    const LineState& step = Nfa.States[id];
    switch (step.Step) {
      case LineStep::Byte:
        Reached.push_back(id);
        break;
      case LineStep::Split:
        Pending.push_back(step.Other);
        Pending.push_back(step.Next);
        break;
      case LineStep::Assert:
        if (Holds(step.Place, behind, next)) Pending.push_back(step.Next);
        break;
      case LineStep::Accept:
        accepts = true;
        break;
    }
  }
  return accepts;
}

}  // namespace GrepEngine
