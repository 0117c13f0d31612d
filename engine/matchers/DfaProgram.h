#pragma once
// A whole-match DFA (RE2, Latin-1, leftmost-longest) built from a pattern's RE2 text, with a
// skip over the bytes no match can start with in front of it. RE2 stays inside this unit.

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

namespace re2 {
class RE2;
}

namespace GrepEngine {

// A match's bytes [First, Last); First is null when there is none.
struct Span {
  const char* First = nullptr;
  const char* Last = nullptr;
  bool Found() const { return First != nullptr; }
};

class DfaProgram {
 public:
  // Memory the DFA may use (RE2 splits it between its programs and its state caches); a
  // pattern that needs more is left to the reference engine.
  static constexpr std::int64_t MemoryBound = std::int64_t{256} << 20;

  // Null when RE2 refuses the text (too large, nesting too deep, ...). `leading`, when given,
  // holds every byte a match can start with, and no match is empty.
  static std::unique_ptr<DfaProgram> Build(const std::string& re2Text,
                                           const std::bitset<256>* leading);
  ~DfaProgram();
  DfaProgram(const DfaProgram&) = delete;
  DfaProgram& operator=(const DfaProgram&) = delete;

  // The leftmost-longest match that starts at or after `from` (at `from` when `anchored`) and
  // ends at or before `last`, in the text [context, contextEnd) that anchors and word edges
  // look at; context <= from <= last <= contextEnd.
  Span Find(const char* context, const char* contextEnd, const char* from, const char* last,
            bool anchored) const;

 private:
  DfaProgram();
  const char* Skip(const char* from, const char* last) const;

  std::unique_ptr<re2::RE2> Program;
  bool Skips = false;
  int SingleByte = -1;  // the one byte a match starts with, if there is only one
  std::array<bool, 256> Starts{};
};

}  // namespace GrepEngine
