#include "DfaProgram.h"

#include <re2/re2.h>

#include <cstring>

namespace GrepEngine {

namespace {

// A skip pays only when few bytes can start a match.
constexpr std::size_t MostSkipBytes = 64;

}  // namespace

DfaProgram::DfaProgram() = default;
DfaProgram::~DfaProgram() = default;

std::unique_ptr<DfaProgram> DfaProgram::Build(const std::string& re2Text,
                                              const std::bitset<256>* leading) {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_longest_match(true);
  options.set_log_errors(false);
  options.set_max_mem(MemoryBound);
  std::unique_ptr<DfaProgram> program(new DfaProgram());
  program->Program = std::make_unique<RE2>(re2Text, options);
  if (!program->Program->ok()) return nullptr;
  if (leading != nullptr && leading->any() && leading->count() <= MostSkipBytes) {
    program->Skips = true;
    for (unsigned b = 0; b < 256; ++b) program->Starts[b] = leading->test(b);
    if (leading->count() == 1)
      for (unsigned b = 0; b < 256; ++b)
        if (leading->test(b)) program->SingleByte = static_cast<int>(b);
  }
  return program;
}

const char* DfaProgram::Skip(const char* from, const char* last) const {
  if (SingleByte >= 0) {
    const void* hit = std::memchr(from, SingleByte, static_cast<std::size_t>(last - from));
    return static_cast<const char*>(hit);
  }
  const auto* at = reinterpret_cast<const unsigned char*>(from);
  const auto* end = reinterpret_cast<const unsigned char*>(last);
  for (; at != end; ++at)
    if (Starts[*at]) return reinterpret_cast<const char*>(at);
  return nullptr;
}

Span DfaProgram::Find(const char* context, const char* contextEnd, const char* from,
                      const char* last, bool anchored) const {
  Span span;
  if (Skips && !anchored) {
    from = Skip(from, last);
    if (from == nullptr) return span;
  }
  const re2::StringPiece text(context, static_cast<std::size_t>(contextEnd - context));
  re2::StringPiece match;
  if (!Program->Match(text, static_cast<std::size_t>(from - context),
                      static_cast<std::size_t>(last - context),
                      anchored ? RE2::ANCHOR_START : RE2::UNANCHORED, &match, 1))
    return span;
  span.First = match.data();
  span.Last = match.data() + match.size();
  return span;
}

}  // namespace GrepEngine
