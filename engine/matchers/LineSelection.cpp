#include "engine/LineSelection.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "LineAutomaton.h"
#include "LiteralSearch.h"
#include "PatternImpl.h"
#include "Prefilter.h"
#include "engine/OptionWords.h"

namespace GrepEngine {
namespace {

// A table entry: the next state, or one of these.
constexpr std::int32_t Unknown = -1;   // not worked out yet
constexpr std::int32_t Matched = -2;   // a match ends before this byte: the line is selected
constexpr std::int32_t LineFeed = -3;  // the line ends here
constexpr std::int32_t Dead = -4;      // no match can end in the rest of the line

// What the byte before a place was, as the assertions read it.
enum Before : std::uint8_t { AtLineStart = 0, NotWordByte = 1, WordByte = 2 };

constexpr int AtLineEnd = -1;  // the place after the line's last byte

// The DFA's memory stays below this many states (a kilobyte each); past it they are dropped
// and built again as needed.
constexpr std::size_t MostStates = 4096;

}  // namespace

std::shared_ptr<const LineSelector> LineSelector::For(const Pattern& pattern, unsigned matchWord) {
  const unsigned allowed =
      MatchBits::LineFeedLines | MatchBits::NotDotNewline | MatchBits::NotDotNullCharacter;
  if (pattern.Failed() || (matchWord & ~allowed) != 0 ||
      (matchWord & MatchBits::LineFeedLines) == 0 || (matchWord & MatchBits::NotDotNewline) == 0)
    return nullptr;
  const Pattern::Impl& impl = pattern.Internals();
  std::shared_ptr<const LineAutomaton> automaton =
      LineAutomaton::Build(impl.Tree, impl.OptionWord, impl.Locale, matchWord);
  if (!automaton) return nullptr;
  // The literals, or else a run of bytes, every match holds pick out the lines worth the
  // DFA's time.
  std::vector<std::string> literals = RequiredLiterals(pattern);
  std::shared_ptr<const ByteRunTable> runs;
  if (literals.empty()) {
    const std::vector<std::bitset<256>> run = RequiredByteRun(pattern);
    if (!run.empty()) runs = std::make_shared<const ByteRunTable>(run);
  }
  return std::make_shared<const LineSelector>(std::move(automaton), std::move(literals),
                                              std::move(runs));
}

LineSelector::LineSelector(std::shared_ptr<const LineAutomaton> automaton,
                           std::vector<std::string> literals,
                           std::shared_ptr<const ByteRunTable> runs)
    : Nfa(std::move(automaton)), RunTable(std::move(runs)) {
  if (!literals.empty()) RequiredSet = std::make_shared<const LiteralSetTable>(std::move(literals));
}
LineSelector::~LineSelector() = default;

// The subset construction, state by state as the text asks for them. A DFA state is the set of
// NFA states reached before a byte (before their closure, which depends on the next byte's
// kind) and the kind of the byte before.
class LineSelection::Dfa {
 public:
  explicit Dfa(const LineAutomaton& automaton) : Nfa(automaton), Mark(automaton.States.size(), 0) {
    for (const std::uint8_t before : {NotWordByte, WordByte}) {
      StartLives[before] = false;
      for (int next = AtLineEnd; next < 256 && !StartLives[before]; ++next) {
        const bool accepts = Closure(std::vector<std::uint32_t>(), before, next);
        StartLives[before] = accepts || !Reached.empty();
      }
    }
    Restart();
  }

  // Only the lines where `candidates` finds a place (a pointer at or after its argument,
  // null for none) are run through the DFA.
  template <class Candidates>
  bool Scan(const char* first, const char* last, Candidates&& candidates, Sink& sink) {
    const auto* at = reinterpret_cast<const unsigned char*>(first);
    const auto* const end = reinterpret_cast<const unsigned char*>(last);
    const auto offset = [first](const void* p) {
      return static_cast<std::size_t>(static_cast<const char*>(p) - first);
    };
    while (at < end) {
      const auto* hit = candidates(at);
      if (hit == nullptr) break;
      const unsigned char* start = at;
      if (hit != at) {
        const void* feed = ::memrchr(at, '\n', static_cast<std::size_t>(hit - at));
        if (feed != nullptr) start = static_cast<const unsigned char*>(feed) + 1;
      }
      bool selected = false;
      const unsigned char* lineEnd = RunLine(start, end, selected);
      if (selected && !sink.Line(offset(start), offset(lineEnd))) return false;
      at = lineEnd == end ? end : lineEnd + 1;
    }
    return true;
  }

 private:
  // Runs the DFA over the line from `start`; its end (its LF, or `end`), and whether a match
  // ends in it.
  const unsigned char* RunLine(const unsigned char* at, const unsigned char* end, bool& selected) {
    std::int32_t state = LineStartState;
    for (;;) {
      if (at == end) {
        selected = EndMatches[static_cast<std::size_t>(state) >> 8];
        return end;
      }
      const std::int32_t entry = Table[static_cast<std::size_t>(state) + *at];
      if (entry >= 0) {
        state = entry;
        ++at;
        continue;
      }
      if (entry == Unknown) {
        Compute(state, *at);
        continue;
      }
      if (entry == LineFeed) {
        selected = EndMatches[static_cast<std::size_t>(state) >> 8];
        return at;
      }
      // Matched or Dead: the rest of the line changes nothing.
      selected = entry == Matched;
      const void* feed = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      return feed == nullptr ? end : static_cast<const unsigned char*>(feed);
    }
  }

  // Works out the entry of `state` for `byte`; `state` is renumbered when the states are
  // dropped to make room.
  void Compute(std::int32_t& state, unsigned char byte) {
    const std::size_t from = static_cast<std::size_t>(state) >> 8;
    if (Closure(Kernels[from], Befores[from], byte)) {
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
    const std::uint8_t before = Nfa.WordEdges && Nfa.Word.test(byte) ? WordByte : NotWordByte;
    if (Kernels.size() >= MostStates) {
      std::vector<std::uint32_t> current = Kernels[from];
      const std::uint8_t currentBefore = Befores[from];
      Restart();
      state = Intern(std::move(current), currentBefore);
    }
    const std::int32_t next = Intern(std::move(kernel), before);
    Table[static_cast<std::size_t>(state) + byte] = next;
  }

  void Restart() {
    Table.clear();
    EndMatches.clear();
    Kernels.clear();
    Befores.clear();
    Ids.clear();
    LineStartState = Intern(std::vector<std::uint32_t>(), AtLineStart);
  }

  std::int32_t Intern(std::vector<std::uint32_t> kernel, std::uint8_t before) {
    std::string key(1, static_cast<char>(before));
    key.append(reinterpret_cast<const char*>(kernel.data()), kernel.size() * sizeof(std::uint32_t));
    const auto known = Ids.find(key);
    if (known != Ids.end()) return known->second;
    const auto id = static_cast<std::int32_t>(Kernels.size() * 256);
    // Nothing in progress and no match can start anywhere but at the line's start.
    const bool dead = kernel.empty() && before != AtLineStart && !StartLives[NotWordByte] &&
                      !StartLives[WordByte];
    Table.resize(Table.size() + 256, dead ? Dead : Unknown);
    Table[static_cast<std::size_t>(id) + '\n'] = LineFeed;
    EndMatches.push_back(!dead && Closure(kernel, before, AtLineEnd));
    Kernels.push_back(std::move(kernel));
    Befores.push_back(before);
    Ids.emplace(std::move(key), id);
    return id;
  }

  bool Holds(Syntax::Assertion place, std::uint8_t before, int next) const {
    const bool wordBefore = before == WordByte;
    const bool wordNext = next != AtLineEnd && Nfa.Word.test(static_cast<std::size_t>(next));
    switch (place) {
      case Syntax::Assertion::LineStart:
        return before == AtLineStart;
      case Syntax::Assertion::LineEnd:
        return next == AtLineEnd;
      case Syntax::Assertion::WordBoundary:
        return wordBefore != wordNext;
      case Syntax::Assertion::WordStart:
        return !wordBefore && wordNext;
      case Syntax::Assertion::WordEnd:
        return wordBefore && !wordNext;
      default:  // the automaton holds no other assertion
        return false;
    }
  }

  // The byte states reached from `kernel` and the start (a match may start anywhere) before
  // the byte `next` (or the line's end), into Reached; true when a match ends there.
  bool Closure(const std::vector<std::uint32_t>& kernel, std::uint8_t before, int next) {
    Reached.clear();
    if (++Generation == 0) {
      std::fill(Mark.begin(), Mark.end(), 0);
      Generation = 1;
    }
    Pending.assign(kernel.begin(), kernel.end());
    Pending.push_back(Nfa.Start);
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
          if (Holds(step.Place, before, next)) Pending.push_back(step.Next);
          break;
        case LineStep::Accept:
          accepts = true;
          break;
      }
    }
    return accepts;
  }

  const LineAutomaton& Nfa;
  std::vector<std::int32_t> Table;  // 256 entries per state; a state is its row's offset
  std::vector<bool> EndMatches;     // per state: a match ends at the line's end
  std::vector<std::vector<std::uint32_t>> Kernels;
  std::vector<std::uint8_t> Befores;
  std::unordered_map<std::string, std::int32_t> Ids;
  std::int32_t LineStartState = 0;
  // After a byte of this kind, a match can start (or be empty) at the next place.
  bool StartLives[3] = {true, true, true};

  std::vector<std::uint32_t> Mark;  // the closure's visited states, by generation
  std::uint32_t Generation = 0;
  std::vector<std::uint32_t> Pending;
  std::vector<std::uint32_t> Reached;
};

LineSelection::LineSelection(std::shared_ptr<const LineSelector> selector)
    : Selector(std::move(selector)), States(std::make_unique<Dfa>(Selector->Automaton())) {}

LineSelection::~LineSelection() = default;

bool LineSelection::Scan(const char* first, const char* last, Sink& sink) {
  using Bytes = const unsigned char*;
  const auto asBytes = [](const char* p) { return reinterpret_cast<Bytes>(p); };
  const auto asChars = [](Bytes p) { return reinterpret_cast<const char*>(p); };
  if (Selector->Literals() != nullptr) {
    LiteralSetScanner scanner(*Selector->Literals(), last);
    return States->Scan(
        first, last, [&](Bytes from) { return asBytes(scanner.Next(asChars(from))); }, sink);
  }
  if (Selector->Runs() != nullptr) {
    const ByteRunScanner scanner(*Selector->Runs(), last);
    return States->Scan(
        first, last, [&](Bytes from) { return asBytes(scanner.Next(asChars(from))); }, sink);
  }
  return States->Scan(
      first, last, [](Bytes from) { return from; }, sink);
}

}  // namespace GrepEngine
