#include "unicode/WordCharacters.h"

#include "unicode/Utf8.h"

namespace GrepEngine {
namespace Unicode {
namespace {

bool StrayWordByte(const CodeSet& word, char c, StrayBytes strays) {
  const auto byte = static_cast<unsigned char>(c);
  return strays == StrayBytes::Latin1 && byte >= 0xC0 && word.Contains(byte);
}

}  // namespace

bool WordCharacterAt(const CodeSet& word, const char* at, const char* last, StrayBytes strays) {
  std::uint32_t code = 0;
  if (SequenceAt(at, last, code) == 0) return StrayWordByte(word, *at, strays);
  return word.Contains(code);
}

bool WordCharacterBefore(const CodeSet& word, const char* floor, const char* at,
                         StrayBytes strays) {
  const char* start = CharacterBefore(floor, at);
  std::uint32_t code = 0;
  if (SequenceAt(start, at, code) != static_cast<unsigned>(at - start))
    return StrayWordByte(word, at[-1], strays);
  return word.Contains(code);
}

}  // namespace Unicode
}  // namespace GrepEngine
