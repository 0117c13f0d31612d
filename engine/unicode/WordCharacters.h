#pragma once
// Word characters in UTF-8 text, for word edges and whole-word searches. A well-formed
// sequence is a word character when its code point is in the set. A byte that starts none is
// no word character to a whole-word search; to a pattern's word edges it reads as the Latin-1
// character of its value, as the C library's matcher reads it, when it could never be part of
// a sequence's tail (0xC0 and up): so a stray "\xC3" before a letter is a letter there, and no
// word starts after it.

#include "unicode/CodeSet.h"

namespace GrepEngine {
namespace Unicode {

enum class StrayBytes { NoWord, Latin1 };

// Whether a word character starts at `at` (< last).
bool WordCharacterAt(const CodeSet& word, const char* at, const char* last,
                     StrayBytes strays = StrayBytes::Latin1);
// Whether a word character ends right before `at`; nothing before `floor` is looked at
// (floor < at).
bool WordCharacterBefore(const CodeSet& word, const char* floor, const char* at,
                         StrayBytes strays = StrayBytes::Latin1);

}  // namespace Unicode
}  // namespace GrepEngine
