// UTF-8 text: well-formed sequences and character boundaries, sets of code points, their byte
// patterns, and a locale's classes and case mappings held to the C library's own answers.

#include <gtest/gtest.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwctype>
#include <locale>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "unicode/CharacterTables.h"
#include "unicode/CodeSet.h"
#include "unicode/Utf8.h"
#include "unicode/Utf8Sequences.h"

namespace GrepEngine {
namespace Unicode {
void PrintTo(const CodeRange& range, std::ostream* out) {
  *out << std::hex << "[" << range.Low << "-" << range.High << "]";
}
void PrintTo(const ByteRange& range, std::ostream* out) {
  *out << std::hex << "[" << unsigned{range.Low} << "-" << unsigned{range.High} << "]";
}
void PrintTo(const CodeSet& set, std::ostream* out) {
  *out << "{";
  for (const CodeRange& range : set.Ranges()) PrintTo(range, out);
  *out << "}";
}
}  // namespace Unicode
}  // namespace GrepEngine

namespace {

using namespace GrepEngine::Unicode;
using Ranges = std::vector<CodeRange>;

constexpr std::uint32_t CodeSpace = LastCode + 1;
constexpr std::uint32_t ScalarCount = CodeSpace - 0x800;

bool IsSurrogate(std::uint32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

std::string Encode(std::uint32_t code) {
  std::string out;
  AppendUtf8(out, code);
  return out;
}

CodeSet SetOf(std::initializer_list<CodeRange> ranges) {
  CodeSet set;
  for (const CodeRange& range : ranges) set.Add(range.Low, range.High);
  return set;
}

// The structure every set must keep, whatever was done to it.
void ExpectWellFormed(const CodeSet& set) {
  const Ranges& ranges = set.Ranges();
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    EXPECT_LE(ranges[i].Low, ranges[i].High);
    EXPECT_LE(ranges[i].High, LastCode);
    EXPECT_FALSE(ranges[i].Low <= 0xDFFF && ranges[i].High >= 0xD800) << "a surrogate member";
    if (i > 0) {
      EXPECT_GT(ranges[i].Low, ranges[i - 1].High + 1) << "touching or out of order";
    }
  }
}

// ----------------------------------------------------------------------------------------------
// CodeSet

TEST(UnicodeCodeSet, AddJoinsWhatOverlapsOrTouches) {
  CodeSet set;
  EXPECT_TRUE(set.Empty());
  set.Add(10, 20);
  set.Add(21, 30);  // touching on the right
  EXPECT_EQ(set.Ranges(), (Ranges{{10, 30}}));
  set.Add(40, 50);
  set.Add(32, 38);  // a gap of one on each side stays
  EXPECT_EQ(set.Ranges(), (Ranges{{10, 30}, {32, 38}, {40, 50}}));
  set.Add(31);  // fills one gap, joins two ranges
  EXPECT_EQ(set.Ranges(), (Ranges{{10, 38}, {40, 50}}));
  set.Add(0);
  set.Add(60, 70);
  EXPECT_EQ(set.Ranges(), (Ranges{{0, 0}, {10, 38}, {40, 50}, {60, 70}}));
  set.Add(9, 65);  // swallows several, touching the one before it
  EXPECT_EQ(set.Ranges(), (Ranges{{0, 0}, {9, 70}}));
  set.Add(1, 8);
  EXPECT_EQ(set.Ranges(), (Ranges{{0, 70}}));
  set.Add(20, 30);  // already inside
  set.Add(0);
  EXPECT_EQ(set.Ranges(), (Ranges{{0, 70}}));
  set.Add(5, 5);
  set.Add(71);  // touching on the end
  EXPECT_EQ(set.Ranges(), (Ranges{{0, 71}}));
}

TEST(UnicodeCodeSet, AddInDescendingOrderJoinsOnTheLeft) {
  CodeSet set;
  for (std::uint32_t code = 100; code-- > 50;) set.Add(code);
  EXPECT_EQ(set.Ranges(), (Ranges{{50, 99}}));
  set.Add(30, 40);
  set.Add(41, 49);
  EXPECT_EQ(set.Ranges(), (Ranges{{30, 99}}));
}

TEST(UnicodeCodeSet, SurrogatesAndCodesPastTheLastAreNeverMembers) {
  CodeSet set;
  set.Add(0xD800);
  set.Add(0xDFFF);
  set.Add(0xDA00, 0xDBFF);
  set.Add(0x110000);
  set.Add(0x110000, 0xFFFFFFFF);
  EXPECT_TRUE(set.Empty());

  set.Add(0xD7FF, 0xE000);  // the two ends are not neighbours: the surrogates lie between
  EXPECT_EQ(set.Ranges(), (Ranges{{0xD7FF, 0xD7FF}, {0xE000, 0xE000}}));
  set.Add(0xD000, 0xEFFF);
  EXPECT_EQ(set.Ranges(), (Ranges{{0xD000, 0xD7FF}, {0xE000, 0xEFFF}}));
  EXPECT_FALSE(set.Contains(0xD800));
  EXPECT_FALSE(set.Contains(0xDFFF));
  EXPECT_TRUE(set.Contains(0xD7FF));
  EXPECT_TRUE(set.Contains(0xE000));

  CodeSet all;
  all.Add(0, 0xFFFFFFFF);
  EXPECT_EQ(all.Ranges(), (Ranges{{0, 0xD7FF}, {0xE000, LastCode}}));
  EXPECT_EQ(all.Count(), ScalarCount);

  CodeSet tail;
  tail.Add(0x10FFF0, 0x200000);
  EXPECT_EQ(tail.Ranges(), (Ranges{{0x10FFF0, LastCode}}));

  CodeSet joined;
  joined.Add(0xD7F0, 0xD7FF);
  joined.Add(0xE000, 0xE00F);
  joined.Add(0xD800, 0xDFFF);  // adds nothing, and so joins nothing
  EXPECT_EQ(joined.Ranges(), (Ranges{{0xD7F0, 0xD7FF}, {0xE000, 0xE00F}}));
}

TEST(UnicodeCodeSet, AddOfASetMergesBothLists) {
  const CodeSet a = SetOf({{1, 3}, {10, 12}, {40, 40}, {100, 200}});
  const CodeSet b = SetOf({{4, 9}, {20, 20}, {39, 41}, {150, 250}, {0x10FFFF, 0x10FFFF}});
  CodeSet sum = a;
  sum.Add(b);
  EXPECT_EQ(sum.Ranges(), (Ranges{{1, 12}, {20, 20}, {39, 41}, {100, 250}, {0x10FFFF, 0x10FFFF}}));
  CodeSet other = b;
  other.Add(a);
  EXPECT_EQ(other, sum);

  CodeSet self = a;
  self.Add(self);
  EXPECT_EQ(self, a);
  CodeSet empty;
  empty.Add(a);
  EXPECT_EQ(empty, a);
  CodeSet unchanged = a;
  unchanged.Add(CodeSet());
  EXPECT_EQ(unchanged, a);

  // One range that spans all of the other's.
  CodeSet wide = SetOf({{0, 1000}});
  wide.Add(a);
  EXPECT_EQ(wide.Ranges(), (Ranges{{0, 1000}}));
}

TEST(UnicodeCodeSet, RemoveSplitsShrinksOrDropsARange) {
  CodeSet set = SetOf({{10, 20}, {30, 30}, {40, 42}});
  set.Remove(15);
  EXPECT_EQ(set.Ranges(), (Ranges{{10, 14}, {16, 20}, {30, 30}, {40, 42}}));
  set.Remove(10);
  set.Remove(20);
  EXPECT_EQ(set.Ranges(), (Ranges{{11, 14}, {16, 19}, {30, 30}, {40, 42}}));
  set.Remove(30);
  EXPECT_EQ(set.Ranges(), (Ranges{{11, 14}, {16, 19}, {40, 42}}));
  set.Remove(41);
  set.Remove(40);
  set.Remove(42);
  EXPECT_EQ(set.Ranges(), (Ranges{{11, 14}, {16, 19}}));
  // Codes that are not members, before, between and after the ranges.
  for (std::uint32_t code : {0u, 10u, 15u, 20u, 25u, 0xD800u, LastCode, 0x110000u})
    set.Remove(code);
  EXPECT_EQ(set.Ranges(), (Ranges{{11, 14}, {16, 19}}));

  CodeSet all = SetOf({{0, LastCode}});
  all.Remove(0);
  all.Remove(LastCode);
  all.Remove(0xD7FF);
  all.Remove(0xE000);
  EXPECT_EQ(all.Ranges(), (Ranges{{1, 0xD7FE}, {0xE001, LastCode - 1}}));
}

TEST(UnicodeCodeSet, NegatedIsTheComplementOverTheScalarValues) {
  const CodeSet everything = SetOf({{0, LastCode}});
  EXPECT_EQ(CodeSet().Negated(), everything);
  EXPECT_EQ(CodeSet().Negated().Ranges(), (Ranges{{0, 0xD7FF}, {0xE000, LastCode}}));
  EXPECT_TRUE(everything.Negated().Empty());

  EXPECT_EQ(SetOf({{0, 0}}).Negated().Ranges(), (Ranges{{1, 0xD7FF}, {0xE000, LastCode}}));
  EXPECT_EQ(SetOf({{LastCode, LastCode}}).Negated().Ranges(),
            (Ranges{{0, 0xD7FF}, {0xE000, LastCode - 1}}));
  // The members on each side of the surrogates: their gap is not a member of the complement.
  EXPECT_EQ(SetOf({{0xD7FF, 0xE000}}).Negated().Ranges(),
            (Ranges{{0, 0xD7FE}, {0xE001, LastCode}}));
  EXPECT_EQ(SetOf({{0, 0xD7FF}}).Negated().Ranges(), (Ranges{{0xE000, LastCode}}));
  EXPECT_EQ(SetOf({{0xE000, LastCode}}).Negated().Ranges(), (Ranges{{0, 0xD7FF}}));

  std::mt19937 random(3);
  for (int round = 0; round < 50; ++round) {
    CodeSet set;
    for (int i = 0; i < 10; ++i) {
      const std::uint32_t low = random() % CodeSpace;
      set.Add(low, low + random() % 5000);
    }
    const CodeSet complement = set.Negated();
    ExpectWellFormed(complement);
    EXPECT_EQ(set.Count() + complement.Count(), ScalarCount);
    EXPECT_EQ(complement.Negated(), set);
    CodeSet both = set;
    both.Add(complement);
    EXPECT_EQ(both, everything);
    for (int i = 0; i < 200; ++i) {
      const std::uint32_t code = random() % CodeSpace;
      EXPECT_EQ(complement.Contains(code), !IsSurrogate(code) && !set.Contains(code)) << code;
    }
  }
}

TEST(UnicodeCodeSet, ContainsEmptyAndAsciiOnly) {
  const CodeSet set = SetOf({{'a', 'z'}, {0x7F, 0x7F}, {0x100, 0x1FF}});
  for (std::uint32_t code : {0x60u, 0x7Bu, 0x7Eu, 0x80u, 0xFFu, 0x200u, 0x10FFFFu, 0x200000u})
    EXPECT_FALSE(set.Contains(code)) << code;
  for (std::uint32_t code : {0x61u, 0x7Au, 0x6Du, 0x7Fu, 0x100u, 0x1FFu})
    EXPECT_TRUE(set.Contains(code)) << code;
  EXPECT_FALSE(CodeSet().Contains(0));
  EXPECT_FALSE(set.Empty());
  EXPECT_FALSE(set.AsciiOnly());
  EXPECT_TRUE(SetOf({{0, 0x7F}}).AsciiOnly());
  EXPECT_FALSE(SetOf({{0, 0x80}}).AsciiOnly());
  EXPECT_TRUE(CodeSet().AsciiOnly());
  CodeSet shrunk = SetOf({{'a', 'a'}, {0x80, 0x80}});
  shrunk.Remove(0x80);
  EXPECT_TRUE(shrunk.AsciiOnly());
}

// Random additions and removals, near the edges where most faults live, against a plain bitmap.
TEST(UnicodeCodeSet, AgreesWithABitmapUnderRandomChanges) {
  std::mt19937 random(5);
  const std::uint32_t edges[] = {0,      0x7F,   0x80,   0x7FF,  0x800,   0xD7FF,
                                 0xD800, 0xDFFF, 0xE000, 0xFFFF, 0x10000, LastCode};
  const auto nearEdge = [&]() {
    const std::uint32_t edge = edges[random() % std::size(edges)];
    const std::uint32_t code = edge + random() % 64 - 32;
    return std::min(code, LastCode);  // below zero wraps round to the top
  };
  for (int round = 0; round < 8; ++round) {
    std::vector<bool> members(CodeSpace);
    CodeSet set;
    for (int step = 0; step < 100; ++step) {
      const std::uint32_t low = nearEdge();
      const std::uint32_t high = std::min<std::uint32_t>(LastCode, low + random() % 80);
      switch (random() % 4) {
        case 0:
          set.Add(low);
          if (!IsSurrogate(low)) members[low] = true;
          break;
        case 1:
          set.Add(low, high);
          for (std::uint32_t code = low; code <= high; ++code)
            if (!IsSurrogate(code)) members[code] = true;
          break;
        case 2: {
          const CodeSet other = SetOf({{low, high}, {nearEdge(), nearEdge()}});
          set.Add(other);
          for (const CodeRange& range : other.Ranges())
            for (std::uint32_t code = range.Low; code <= range.High; ++code) members[code] = true;
          break;
        }
        default:
          set.Remove(low);
          members[low] = false;
      }
      ExpectWellFormed(set);
    }
    CodeSet expected;
    for (std::uint32_t code = 0; code <= LastCode; ++code)
      if (members[code]) expected.Add(code);
    ASSERT_EQ(set, expected) << "round " << round;
    for (std::uint32_t edge : edges)
      for (std::uint32_t code = edge > 40 ? edge - 40 : 0; code <= std::min(LastCode, edge + 40);
           ++code)
        ASSERT_EQ(set.Contains(code), members[code]) << code;
  }
}

// ----------------------------------------------------------------------------------------------
// Utf8.h: well-formed sequences and character boundaries

unsigned SequenceIn(const std::string& bytes, std::uint32_t& code) {
  return SequenceAt(bytes.data(), bytes.data() + bytes.size(), code);
}

// The well-formed sequence at the start of `bytes` as the standard's table of well-formed byte
// sequences describes it, decoded the slow way; 0 when there is none.
unsigned ReferenceSequence(const std::string& bytes, std::uint32_t& code) {
  if (bytes.empty()) return 0;
  const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  unsigned length;
  std::uint32_t least;
  if (byte(0) < 0x80) return code = byte(0), 1;
  if ((byte(0) & 0xE0) == 0xC0)
    length = 2, least = 0x80, code = byte(0) & 0x1F;
  else if ((byte(0) & 0xF0) == 0xE0)
    length = 3, least = 0x800, code = byte(0) & 0x0F;
  else if ((byte(0) & 0xF8) == 0xF0)
    length = 4, least = 0x10000, code = byte(0) & 0x07;
  else
    return 0;
  if (bytes.size() < length) return 0;
  for (unsigned i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  if (code < least || code > LastCode || IsSurrogate(code)) return 0;
  return length;
}

TEST(UnicodeUtf8, SequenceAtReadsEveryScalarValueBack) {
  std::string bytes;
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    if (IsSurrogate(code)) continue;
    bytes.clear();
    AppendUtf8(bytes, code);
    const unsigned expected = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    std::uint32_t read = 0xFFFFFFFF;
    ASSERT_EQ(bytes.size(), expected) << code;
    ASSERT_EQ(SequenceIn(bytes, read), expected) << code;
    ASSERT_EQ(read, code);
  }
}

TEST(UnicodeUtf8, SequenceAtRejectsMalformedBytes) {
  const char* const malformed[] = {
      "",  // nothing
      "\x80",
      "\xBF",              // stray continuation bytes
      "\xC0\x80",          // overlong U+0000
      "\xC1\xBF",          // overlong U+007F
      "\xE0\x80\x80",      // overlong U+0000
      "\xE0\x9F\xBF",      // overlong U+07FF
      "\xED\xA0\x80",      // U+D800
      "\xED\xBF\xBF",      // U+DFFF
      "\xF0\x80\x80\x80",  // overlong U+0000
      "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
      "\xF4\x90\x80\x80",  // U+110000
      "\xF5\x80\x80\x80",
      "\xF7\xBF\xBF\xBF",
      "\xF8\x88\x80\x80\x80",
      "\xFE",
      "\xFF",
      "\xC3",
      "\xE2\x82",
      "\xF0\x9F\x98",  // truncated
      "\xC3\x41",
      "\xC3\xC3\xA9",
      "\xE2\x28\xA1",
      "\xE2\x82\x28",
      "\xF0\x9F\x98\x28",
      "\xF0\x9F\x28\x80",  // a non-continuation byte inside
  };
  for (const char* text : malformed) {
    const std::string bytes(text);
    std::uint32_t code = 0x12345;
    EXPECT_EQ(SequenceIn(bytes, code), 0u) << testing::PrintToString(bytes);
    EXPECT_EQ(code, 0x12345u) << "left untouched";
  }
  // Only the sequence is read, whatever follows it.
  std::uint32_t code;
  EXPECT_EQ(SequenceIn("\xC3\xA9\x80", code), 2u);
  EXPECT_EQ(code, 0xE9u);
  EXPECT_EQ(SequenceIn("\xED\x9F\xBF", code), 3u);
  EXPECT_EQ(code, 0xD7FFu);
  EXPECT_EQ(SequenceIn("\xEE\x80\x80", code), 3u);
  EXPECT_EQ(code, 0xE000u);
  EXPECT_EQ(SequenceIn("\xF4\x8F\xBF\xBF", code), 4u);
  EXPECT_EQ(code, LastCode);
  // The end bounds the sequence even where more bytes follow in memory.
  const char euro[] = "\xE2\x82\xAC";
  EXPECT_EQ(SequenceAt(euro, euro + 2, code), 0u);
  EXPECT_EQ(SequenceAt(euro, euro + 3, code), 3u);
}

// Every string of one and two bytes, and random longer ones made mostly of the bytes that
// matter, against the reference decoder.
TEST(UnicodeUtf8, SequenceAtAgreesWithAReferenceDecoder) {
  const auto check = [](const std::string& bytes) {
    std::uint32_t code = 0, expectedCode = 0;
    const unsigned expected = ReferenceSequence(bytes, expectedCode);
    ASSERT_EQ(SequenceIn(bytes, code), expected) << testing::PrintToString(bytes);
    if (expected != 0) {
      ASSERT_EQ(code, expectedCode) << testing::PrintToString(bytes);
    }
  };
  for (unsigned first = 0; first < 256; ++first) {
    check(std::string(1, static_cast<char>(first)));
    for (unsigned second = 0; second < 256; ++second)
      check({static_cast<char>(first), static_cast<char>(second)});
  }
  std::mt19937 random(9);
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                       0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                       0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 200000; ++round) {
    std::string bytes(3 + random() % 2, '\0');
    for (char& c : bytes)
      c = static_cast<char>(random() % 2 ? interesting[random() % std::size(interesting)]
                                         : 0x80 + random() % 0x40);
    if (random() % 2) bytes[0] = static_cast<char>(0xE0 + random() % 0x18);
    check(bytes);
  }
}

// The characters of a text as a reader from its start sees them: each well-formed sequence, and
// each other byte alone. Returns the start of every character, and the end.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size();) {
    starts.push_back(at);
    std::uint32_t code;
    const unsigned length = ReferenceSequence(text.substr(at, 4), code);
    at += length == 0 ? 1 : length;
  }
  starts.push_back(text.size());
  return starts;
}

// Texts of well-formed characters of every length mixed with stray continuation bytes,
// truncated sequences, overlong forms and surrogates.
std::string MixedText(std::mt19937& random, std::size_t pieces) {
  static const char* const invalid[] = {
      "\x80",     "\xBF",         "\xC3",         "\xE2\x82",         "\xF0\x9F\x98",
      "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"};
  static const std::uint32_t valid[] = {'a',    0x7F,   0x80,   0xE9,    0x7FF,   0x800,   0x20AC,
                                        0xD7FF, 0xE000, 0xFFFF, 0x10000, 0x1F600, LastCode};
  std::string text;
  for (std::size_t i = 0; i < pieces; ++i) {
    if (random() % 3 == 0)
      text += invalid[random() % std::size(invalid)];
    else
      AppendUtf8(text, valid[random() % std::size(valid)]);
  }
  return text;
}

TEST(UnicodeUtf8, BoundariesInAMixedText) {
  // a é € 😀, a stray continuation, a truncated €, b
  const std::string text =
      "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xA9\xE2\x82"
      "b";
  const char* first = text.data();
  const char* last = first + text.size();
  const auto at = [first](std::size_t offset) { return first + offset; };
  EXPECT_EQ(CharacterBefore(first, at(1)), at(0));
  EXPECT_EQ(CharacterBefore(first, at(3)), at(1));
  EXPECT_EQ(CharacterBefore(first, at(6)), at(3));
  EXPECT_EQ(CharacterBefore(first, at(10)), at(6));
  EXPECT_EQ(CharacterBefore(first, at(11)), at(10));  // the stray byte is its own character
  EXPECT_EQ(CharacterBefore(first, at(12)), at(11));
  EXPECT_EQ(CharacterBefore(first, at(13)), at(12));  // a truncated sequence is bytes alone
  EXPECT_EQ(CharacterBefore(first, at(14)), at(13));
  const std::vector<bool> inside = {false, false, true,  false, true,  true,  false, true,
                                    true,  true,  false, false, false, false, false};
  for (std::size_t offset = 0; offset <= text.size(); ++offset)
    EXPECT_EQ(InsideCharacter(first, at(offset), last), inside[offset]) << offset;
  EXPECT_EQ(NextBoundary(first, at(1), last), at(3));
  EXPECT_EQ(NextBoundary(first, at(2), last), at(3));
  EXPECT_EQ(NextBoundary(first, at(6), last), at(10));
  EXPECT_EQ(NextBoundary(first, at(10), last), at(11));
  EXPECT_EQ(NextBoundary(first, at(13), last), last);
  // The end of the text cuts a sequence short: its bytes are characters alone.
  EXPECT_FALSE(InsideCharacter(first, at(5), at(5)));
  EXPECT_FALSE(InsideCharacter(first, at(4), at(5)));
  EXPECT_TRUE(InsideCharacter(at(3), at(4), at(6)));
  EXPECT_FALSE(InsideCharacter(at(4), at(5), at(6)));  // the start cuts it off
}

TEST(UnicodeUtf8, BoundariesAgreeWithAReadFromTheStart) {
  std::mt19937 random(13);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = MixedText(random, 1 + random() % 12);
    const char* first = text.data();
    const char* last = first + text.size();
    const std::vector<std::size_t> starts = CharacterStarts(text);
    for (std::size_t p = 0; p <= text.size(); ++p) {
      const bool boundary = std::binary_search(starts.begin(), starts.end(), p);
      ASSERT_EQ(InsideCharacter(first, first + p, last), !boundary)
          << testing::PrintToString(text) << " at " << p;
      if (p < text.size()) {
        const std::size_t next = *std::upper_bound(starts.begin(), starts.end(), p);
        ASSERT_EQ(NextBoundary(first, first + p, last) - first, static_cast<std::ptrdiff_t>(next))
            << testing::PrintToString(text) << " at " << p;
      }
      if (p > 0) {
        // The character that ends at p, as a reader of the text cut at p sees it.
        const std::vector<std::size_t> cut = CharacterStarts(text.substr(0, p));
        ASSERT_EQ(CharacterBefore(first, first + p) - first,
                  static_cast<std::ptrdiff_t>(cut[cut.size() - 2]))
            << testing::PrintToString(text) << " at " << p;
      }
    }
  }
}

TEST(UnicodeUtf8, LocaleNames) {
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "de_DE.utf8@euro", "x.Utf_8",
                           "LC_CTYPE=en_US.UTF-8;LC_NUMERIC=C;LC_TIME=C"})
    EXPECT_TRUE(IsUtf8LocaleName(name)) << name;
  for (const char* name :
       {"C", "POSIX", "en_US", "en_US.ISO-8859-1", "LC_CTYPE=C;LC_NUMERIC=en_US.UTF-8", ""})
    EXPECT_FALSE(IsUtf8LocaleName(name)) << name;
  EXPECT_TRUE(IsUtf8Locale(std::locale("C.UTF-8")));
  EXPECT_FALSE(IsUtf8Locale(std::locale::classic()));
}

// ----------------------------------------------------------------------------------------------
// Utf8Sequences

using Sequences = std::vector<ByteSequence>;

ByteSequence Bytes(std::initializer_list<ByteRange> ranges) { return ByteSequence(ranges); }

bool Matches(const ByteSequence& sequence, const unsigned char* bytes, std::size_t length) {
  if (sequence.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i)
    if (bytes[i] < sequence[i].Low || bytes[i] > sequence[i].High) return false;
  return true;
}

// The sequences indexed by the bytes their first range takes, for the brute-force checks.
class SequenceMatcher {
 public:
  explicit SequenceMatcher(const Sequences& sequences) : sequences_(sequences) {
    for (std::size_t i = 0; i < sequences.size(); ++i)
      for (unsigned b = sequences[i][0].Low; b <= sequences[i][0].High; ++b)
        byLead_[b].push_back(i);
  }
  // How many sequences match the whole string.
  unsigned Count(const unsigned char* bytes, std::size_t length) const {
    unsigned count = 0;
    for (std::size_t i : byLead_[bytes[0]]) count += Matches(sequences_[i], bytes, length);
    return count;
  }
  unsigned Count(const std::string& bytes) const {
    return Count(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }

 private:
  const Sequences& sequences_;
  std::array<std::vector<std::size_t>, 256> byLead_;
};

// Whether `bytes` is the whole encoding of a member.
bool EncodesMember(const CodeSet& set, const unsigned char* bytes, std::size_t length) {
  std::uint32_t code;
  const char* p = reinterpret_cast<const char*>(bytes);
  return SequenceAt(p, p + length, code) == length && set.Contains(code);
}

// That the sequences match the encoding of every member once and nothing else: each string a
// sequence spells out decodes to a member, one string per member; every code point's encoding
// (surrogates too) matches exactly when it is a member's; and so do every one- and two-byte
// string and random longer ones, most of them near valid.
void ExpectExactly(const CodeSet& set, const Sequences& sequences, std::uint32_t seed) {
  // Well-formed and ascending.
  std::uint32_t previous = 0;
  for (std::size_t i = 0; i < sequences.size(); ++i) {
    const ByteSequence& sequence = sequences[i];
    ASSERT_GE(sequence.size(), 1u);
    ASSERT_LE(sequence.size(), 4u);
    for (const ByteRange& range : sequence) ASSERT_LE(range.Low, range.High);
    std::string lowest;
    for (const ByteRange& range : sequence) lowest += static_cast<char>(range.Low);
    std::uint32_t code;
    ASSERT_EQ(SequenceIn(lowest, code), sequence.size()) << "sequence " << i;
    if (i > 0) {
      ASSERT_GT(code, previous) << "sequence " << i << " out of order";
    }
    // The next sequence must start past this one's greatest member.
    std::string highest;
    for (const ByteRange& range : sequence) highest += static_cast<char>(range.High);
    ASSERT_EQ(SequenceIn(highest, previous), sequence.size()) << "sequence " << i;
  }

  // Spelled out: every string decodes to a member, and no member twice.
  std::uint64_t spelled = 0;
  for (const ByteSequence& sequence : sequences) {
    std::uint64_t size = 1;
    for (const ByteRange& range : sequence) size *= range.High - range.Low + 1u;
    spelled += size;
  }
  ASSERT_EQ(spelled, set.Count()) << "the sequences spell out more or fewer strings than members";
  std::vector<bool> seen(CodeSpace);
  for (const ByteSequence& sequence : sequences) {
    unsigned char bytes[4];
    for (std::size_t i = 0; i < sequence.size(); ++i) bytes[i] = sequence[i].Low;
    for (;;) {
      std::uint32_t code;
      const char* p = reinterpret_cast<const char*>(bytes);
      ASSERT_EQ(SequenceAt(p, p + sequence.size(), code), sequence.size()) << "not well-formed";
      ASSERT_TRUE(set.Contains(code)) << code << " is no member";
      ASSERT_FALSE(seen[code]) << code << " matched twice";
      seen[code] = true;
      std::size_t i = sequence.size();
      while (i > 0 && bytes[i - 1] == sequence[i - 1].High) --i, bytes[i] = sequence[i].Low;
      if (i == 0) break;
      ++bytes[i - 1];
    }
  }

  const SequenceMatcher matcher(sequences);
  std::string bytes;
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    bytes.clear();
    AppendUtf8(bytes, code);  // a surrogate too, as the three bytes no valid text holds
    const bool member = !IsSurrogate(code) && set.Contains(code);
    ASSERT_EQ(matcher.Count(bytes), member ? 1u : 0u) << std::hex << code;
  }
  unsigned char text[4];
  for (unsigned first = 0; first < 256; ++first) {
    text[0] = static_cast<unsigned char>(first);
    ASSERT_EQ(matcher.Count(text, 1), EncodesMember(set, text, 1) ? 1u : 0u) << first;
    for (unsigned second = 0; second < 256; ++second) {
      text[1] = static_cast<unsigned char>(second);
      ASSERT_EQ(matcher.Count(text, 2), EncodesMember(set, text, 2) ? 1u : 0u)
          << std::hex << first << " " << second;
    }
  }
  std::mt19937 random(seed);
  for (int round = 0; round < 100000; ++round) {
    const std::size_t length = 3 + round % 2;
    text[0] = static_cast<unsigned char>(length == 3 ? 0xE0 + random() % 16 : 0xF0 + random() % 8);
    if (random() % 8 == 0) text[0] = static_cast<unsigned char>(random());
    for (std::size_t i = 1; i < length; ++i)
      text[i] = static_cast<unsigned char>(random() % 8 ? 0x80 + random() % 0x40 : random());
    ASSERT_EQ(matcher.Count(text, length), EncodesMember(set, text, length) ? 1u : 0u);
  }
}

TEST(UnicodeUtf8Sequences, WholeRangesComeOutAsTheClassicSplits) {
  EXPECT_TRUE(Utf8Sequences(CodeSet()).empty());
  EXPECT_EQ(Utf8Sequences(SetOf({{0, 0x7F}})), Sequences{Bytes({{0x00, 0x7F}})});
  EXPECT_EQ(Utf8Sequences(SetOf({{'a', 'z'}})), Sequences{Bytes({{'a', 'z'}})});
  EXPECT_EQ(Utf8Sequences(SetOf({{0x80, 0x7FF}})), Sequences{Bytes({{0xC2, 0xDF}, {0x80, 0xBF}})});
  EXPECT_EQ(Utf8Sequences(SetOf({{0x800, 0xFFFF}})),
            (Sequences{Bytes({{0xE0, 0xE0}, {0xA0, 0xBF}, {0x80, 0xBF}}),
                       Bytes({{0xE1, 0xEC}, {0x80, 0xBF}, {0x80, 0xBF}}),
                       Bytes({{0xED, 0xED}, {0x80, 0x9F}, {0x80, 0xBF}}),
                       Bytes({{0xEE, 0xEF}, {0x80, 0xBF}, {0x80, 0xBF}})}));
  const Sequences supplementary = {Bytes({{0xF0, 0xF0}, {0x90, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}),
                                   Bytes({{0xF1, 0xF3}, {0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}),
                                   Bytes({{0xF4, 0xF4}, {0x80, 0x8F}, {0x80, 0xBF}, {0x80, 0xBF}})};
  EXPECT_EQ(Utf8Sequences(SetOf({{0x10000, LastCode}})), supplementary);
  const Sequences beyondAscii = Utf8Sequences(SetOf({{0x80, LastCode}}));
  EXPECT_EQ(beyondAscii.size(), 8u);
  EXPECT_TRUE(std::equal(supplementary.begin(), supplementary.end(), beyondAscii.end() - 3));
  EXPECT_EQ(Utf8Sequences(SetOf({{0, LastCode}})).size(), 9u);
  // Aligned blocks are one sequence each.
  EXPECT_EQ(Utf8Sequences(SetOf({{0x100, 0x1FF}})), Sequences{Bytes({{0xC4, 0xC7}, {0x80, 0xBF}})});
  EXPECT_EQ(Utf8Sequences(SetOf({{0x3000, 0x3FFF}})),
            Sequences{Bytes({{0xE3, 0xE3}, {0x80, 0xBF}, {0x80, 0xBF}})});
}

TEST(UnicodeUtf8Sequences, NeighboursThatDifferInOnePositionAreJoined) {
  // The same last byte under every lead: one sequence, not thirty.
  CodeSet column;
  for (std::uint32_t code = 0x80 + 5; code <= 0x7FF; code += 0x40) column.Add(code);
  EXPECT_EQ(Utf8Sequences(column), Sequences{Bytes({{0xC2, 0xDF}, {0x85, 0x85}})});
  // The same trailing bytes under two leads next to each other.
  EXPECT_EQ(Utf8Sequences(SetOf({{0x10010, 0x10020}, {0x50010, 0x50020}})),
            Sequences{Bytes({{0xF0, 0xF1}, {0x90, 0x90}, {0x80, 0x80}, {0x90, 0xA0}})});
  EXPECT_EQ(Utf8Sequences(SetOf({{0x41010, 0x41020}, {0x81010, 0x81020}})),
            Sequences{Bytes({{0xF1, 0xF2}, {0x81, 0x81}, {0x80, 0x80}, {0x90, 0xA0}})});
  // Not joined where they differ in two positions, or the differing ranges do not touch.
  EXPECT_EQ(Utf8Sequences(SetOf({{0x10010, 0x10020}, {0x50011, 0x50020}})).size(), 2u);
  EXPECT_EQ(Utf8Sequences(SetOf({{0x80, 0x80}, {0x100, 0x100}})).size(), 2u);
}

TEST(UnicodeUtf8Sequences, SingleCodePointsAtEveryLengthBoundary) {
  CodeSet all;
  for (std::uint32_t code :
       {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFu, 0x1000u, 0xD7FFu, 0xE000u, 0xFFFFu, 0x10000u,
        0x3FFFFu, 0x40000u, 0xFFFFFu, 0x100000u, LastCode}) {
    CodeSet one;
    one.Add(code);
    const std::string encoding = Encode(code);
    ByteSequence expected;
    for (char c : encoding)
      expected.push_back({static_cast<unsigned char>(c), static_cast<unsigned char>(c)});
    EXPECT_EQ(Utf8Sequences(one), Sequences{expected}) << std::hex << code;
    all.Add(code);
  }
  ExpectExactly(all, Utf8Sequences(all), 1);
}

TEST(UnicodeUtf8Sequences, RangesAcrossLengthBoundariesAndTheSurrogates) {
  const CodeSet across = SetOf({{0x70, 0x90},
                                {0x7F0, 0x810},
                                {0xD700, 0xE0FF},  // the surrogates in it are no members
                                {0xFFF0, 0x10010},
                                {0x3FFF0, 0x40010},
                                {0x10FF00, LastCode}});
  const Sequences sequences = Utf8Sequences(across);
  EXPECT_LE(sequences.size(), 24u);
  ExpectExactly(across, sequences, 2);
  const CodeSet aroundSurrogates = SetOf({{0xD7FF, 0xD7FF}, {0xE000, 0xE000}});
  ExpectExactly(aroundSurrogates, Utf8Sequences(aroundSurrogates), 3);
}

TEST(UnicodeUtf8Sequences, WholeSetsAndComplements) {
  const CodeSet everything = SetOf({{0, LastCode}});
  ExpectExactly(everything, Utf8Sequences(everything), 4);
  const CodeSet notLetters = SetOf({{'a', 'z'}, {'A', 'Z'}, {0xE0, 0xFF}}).Negated();
  ExpectExactly(notLetters, Utf8Sequences(notLetters), 5);
}

TEST(UnicodeUtf8Sequences, RandomSets) {
  std::mt19937 random(17);
  for (int round = 0; round < 3; ++round) {
    CodeSet set;
    for (int i = 0; i < 40; ++i) {
      const std::uint32_t low = random() % CodeSpace;
      set.Add(low, low + (std::uint32_t{1} << random() % 17) - 1);  // lengths 1 to 64K
    }
    for (int i = 0; i < 40; ++i) set.Add(random() % 0x1000);  // single ones low down
    ExpectExactly(set, Utf8Sequences(set), 6 + round);
  }
}

// ----------------------------------------------------------------------------------------------
// CharacterTables, against the C library's own answers under the same locale

class UnicodeCharacterTables : public testing::Test {
 protected:
  UnicodeCharacterTables() : locale_("C.UTF-8"), tables_(locale_) {
    c_ = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(0));
  }
  ~UnicodeCharacterTables() override {
    if (c_ != static_cast<locale_t>(0)) freelocale(c_);
  }
  void SetUp() override { ASSERT_NE(c_, static_cast<locale_t>(0)) << "no C.UTF-8 locale"; }

  std::uint32_t CUpper(std::uint32_t code) const {
    return static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(code), c_));
  }
  std::uint32_t CLower(std::uint32_t code) const {
    return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(code), c_));
  }
  CodeSet Closure(std::initializer_list<std::uint32_t> codes) const {
    CodeSet set;
    for (std::uint32_t code : codes) set.Add(code);
    return tables_.CaseClosure(set);
  }
  static CodeSet Codes(std::initializer_list<std::uint32_t> codes) {
    CodeSet set;
    for (std::uint32_t code : codes) set.Add(code);
    return set;
  }

  std::locale locale_;
  CharacterTables tables_;
  locale_t c_;
};

TEST_F(UnicodeCharacterTables, EveryClassAgreesWithTheCLibrary) {
  for (const char* name : {"alnum", "alpha", "blank", "cntrl", "digit", "graph", "lower", "print",
                           "punct", "space", "upper", "xdigit"}) {
    CodeSet members;
    ASSERT_TRUE(tables_.Class(name, members)) << name;
    ExpectWellFormed(members);
    const wctype_t type = wctype_l(name, c_);
    ASSERT_NE(type, static_cast<wctype_t>(0)) << name;
    CodeSet expected;
    for (std::uint32_t code = 0; code <= LastCode; ++code)
      if (!IsSurrogate(code) && iswctype_l(static_cast<wint_t>(code), type, c_)) expected.Add(code);
    EXPECT_EQ(members, expected) << name;
  }
}

TEST_F(UnicodeCharacterTables, SamplesAndTheEscapeLetters) {
  CodeSet alpha, lower, upper, digit, alnum, space, punct;
  ASSERT_TRUE(tables_.Class("alpha", alpha));
  ASSERT_TRUE(tables_.Class("lower", lower));
  ASSERT_TRUE(tables_.Class("upper", upper));
  ASSERT_TRUE(tables_.Class("digit", digit));
  ASSERT_TRUE(tables_.Class("alnum", alnum));
  ASSERT_TRUE(tables_.Class("space", space));
  ASSERT_TRUE(tables_.Class("punct", punct));
  EXPECT_TRUE(alpha.Contains(0xE9));  // é
  EXPECT_TRUE(lower.Contains(0xE9));
  EXPECT_FALSE(upper.Contains(0xE9));
  EXPECT_TRUE(upper.Contains(0xC9));  // É
  EXPECT_FALSE(lower.Contains(0xC9));
  EXPECT_TRUE(space.Contains(0x3000));  // ideographic space
  EXPECT_FALSE(alpha.Contains(0xD800));
  // The Arabic-Indic zero is what the C library says it is, whatever that is.
  EXPECT_EQ(alpha.Contains(0x660), iswalpha_l(0x660, c_) != 0);
  EXPECT_EQ(digit.Contains(0x660), iswdigit_l(0x660, c_) != 0);
  EXPECT_EQ(alnum.Contains(0x660), iswalnum_l(0x660, c_) != 0);

  CodeSet w, s, d;
  ASSERT_TRUE(tables_.Class("w", w));
  ASSERT_TRUE(tables_.Class("s", s));
  ASSERT_TRUE(tables_.Class("d", d));
  CodeSet alnumAndUnderscore = alnum;
  alnumAndUnderscore.Add('_');
  EXPECT_EQ(w, alnumAndUnderscore);
  EXPECT_EQ(tables_.Word(), alnumAndUnderscore);
  EXPECT_TRUE(tables_.Word().Contains(0xE9));
  EXPECT_FALSE(tables_.Word().Contains('-'));
  EXPECT_EQ(s, space);
  EXPECT_EQ(d, digit);

  // Unknown names leave the set alone.
  CodeSet untouched = Codes({'x'});
  for (const char* name : {"", "word", "Alpha", "alph", "alphanum", "W", "D", ":alpha:"})
    EXPECT_FALSE(tables_.Class(name, untouched)) << name;
  EXPECT_EQ(untouched, Codes({'x'}));
  // A class replaces what the set held.
  ASSERT_TRUE(tables_.Class("xdigit", untouched));
  EXPECT_EQ(untouched, SetOf({{'0', '9'}, {'A', 'F'}, {'a', 'f'}}));
}

TEST_F(UnicodeCharacterTables, UpperAndLowerAgreeWithTheCLibrary) {
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    ASSERT_EQ(tables_.Upper(code), CUpper(code)) << std::hex << code;
    ASSERT_EQ(tables_.Lower(code), CLower(code)) << std::hex << code;
  }
  EXPECT_EQ(tables_.Upper(0xE9), 0xC9u);
  EXPECT_EQ(tables_.Lower(0xC9), 0xE9u);
  EXPECT_EQ(tables_.Upper('1'), static_cast<std::uint32_t>('1'));
  EXPECT_EQ(tables_.Upper(0x110000), 0x110000u);
  EXPECT_EQ(tables_.Lower(0xFFFFFFFF), 0xFFFFFFFFu);
}

TEST_F(UnicodeCharacterTables, CaseClosureOfSampleLetters) {
  EXPECT_EQ(Closure({'k'}), Codes({'K', 'k', 0x212A}));  // KELVIN SIGN lowers to k
  EXPECT_EQ(Closure({'K'}), Codes({'K', 'k', 0x212A}));
  EXPECT_EQ(Closure({0x212A}), Codes({'K', 'k', 0x212A}));
  EXPECT_EQ(Closure({'s'}), Codes({'S', 's', 0x17F}));  // LONG S uppers to S
  EXPECT_EQ(Closure({0xE9}), Codes({0xC9, 0xE9}));
  EXPECT_EQ(Closure({0x1C5}), Codes({0x1C4, 0x1C5, 0x1C6}));  // the title case Dž
  EXPECT_EQ(Closure({0x3C3}), Codes({0x3A3, 0x3C2, 0x3C3}));  // both small sigmas
  EXPECT_EQ(Closure({0xDF}), Codes({0xDF, 0x1E9E}));  // only the capital sharp s maps: to ß
  EXPECT_EQ(Closure({'1', '_', 0x4E00}), Codes({'1', '_', 0x4E00}));
  EXPECT_TRUE(tables_.CaseClosure(CodeSet()).Empty());
  // The sets around a member stay as they were.
  EXPECT_EQ(Closure({'j', 'k', 'l'}), Codes({'J', 'K', 'L', 'j', 'k', 'l', 0x212A}));
}

// The closure against one made here from the C library's mappings: the groups of code points
// that towupper and towlower link, found by a search over the links.
TEST_F(UnicodeCharacterTables, CaseClosureIsTheLinkedGroupsOfTheCLibrary) {
  std::vector<std::vector<std::uint32_t>> neighbours(CodeSpace);
  std::vector<std::uint32_t> linked;
  for (std::uint32_t code = 0; code <= LastCode; ++code) {
    for (std::uint32_t mapped : {CUpper(code), CLower(code)}) {
      if (mapped == code) continue;
      neighbours[code].push_back(mapped);
      neighbours[mapped].push_back(code);
      linked.push_back(code);
      linked.push_back(mapped);  // U+00DF maps to nothing, but U+1E9E lowers to it
    }
  }
  std::sort(linked.begin(), linked.end());
  linked.erase(std::unique(linked.begin(), linked.end()), linked.end());
  ASSERT_GT(linked.size(), 2000u);
  const auto group = [&neighbours](std::uint32_t start) {
    std::vector<std::uint32_t> found{start}, queue{start};
    while (!queue.empty()) {
      const std::uint32_t code = queue.back();
      queue.pop_back();
      for (std::uint32_t next : neighbours[code])
        if (std::find(found.begin(), found.end(), next) == found.end())
          found.push_back(next), queue.push_back(next);
    }
    CodeSet set;
    for (std::uint32_t code : found) set.Add(code);
    return set;
  };
  for (std::uint32_t code : linked) {
    CodeSet one;
    one.Add(code);
    const CodeSet closure = tables_.CaseClosure(one);
    ASSERT_EQ(closure, group(code)) << std::hex << code;
    ASSERT_EQ(tables_.CaseClosure(closure), closure) << std::hex << code;
    // Each of the mappings named in the header, one step away.
    ASSERT_TRUE(closure.Contains(CUpper(code)));
    ASSERT_TRUE(closure.Contains(CLower(code)));
  }

  // Whole sets: the union of the groups of their members.
  const auto expected = [&](const CodeSet& set) {
    CodeSet result = set;
    for (std::uint32_t code : linked)
      if (set.Contains(code)) result.Add(group(code));
    return result;
  };
  const CodeSet samples[] = {
      SetOf({{'a', 'z'}}),
      SetOf({{0xC0, 0xFF}}),
      SetOf({{0x370, 0x3FF}, {0x1F00, 0x1FFF}}),
      SetOf({{'a', 'z'}, {0x10400, 0x1044F}}).Negated(),
      SetOf({{0, LastCode}}),
  };
  for (const CodeSet& set : samples) {
    const CodeSet closure = tables_.CaseClosure(set);
    ExpectWellFormed(closure);
    EXPECT_EQ(closure, expected(set));
    EXPECT_EQ(tables_.CaseClosure(closure), closure);
  }
  // The dotted and dotless i join i's group through their mappings to i and I.
  EXPECT_EQ(
      tables_.CaseClosure(SetOf({{'a', 'z'}})),
      expected(SetOf({{'a', 'z'}, {'A', 'Z'}, {0x130, 0x131}, {0x17F, 0x17F}, {0x212A, 0x212A}})));
}

// Two tables of one locale, one asked in another order, give the same answers.
TEST_F(UnicodeCharacterTables, TablesDependOnlyOnTheLocale) {
  const CharacterTables other(locale_);
  EXPECT_EQ(other.CaseClosure(Codes({'k'})), tables_.CaseClosure(Codes({'k'})));
  CodeSet a, b;
  ASSERT_TRUE(other.Class("punct", a));
  ASSERT_TRUE(tables_.Class("punct", b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(other.Word(), tables_.Word());
  // The classic locale knows only ASCII.
  const CharacterTables classic(std::locale::classic());
  CodeSet alpha;
  ASSERT_TRUE(classic.Class("alpha", alpha));
  EXPECT_EQ(alpha, SetOf({{'A', 'Z'}, {'a', 'z'}}));
  EXPECT_EQ(classic.CaseClosure(Codes({'k', 0xE9})), Codes({'K', 'k', 0xE9}));
}

// A locale made in the program has no name the C library knows: its tables come from the wide
// character facet, and are the same.
TEST_F(UnicodeCharacterTables, ALocaleWithoutANameGivesTheSameTables) {
  const std::locale unnamed(locale_, new std::numpunct<char>);
  ASSERT_EQ(unnamed.name(), "*");
  const CharacterTables fromFacet(unnamed);
  for (const char* name : {"alpha", "upper", "punct", "space", "w"}) {
    CodeSet a, b;
    ASSERT_TRUE(fromFacet.Class(name, a));
    ASSERT_TRUE(tables_.Class(name, b));
    EXPECT_EQ(a, b) << name;
  }
  const CodeSet letters = SetOf({{'a', 'z'}, {0xE0, 0xFF}, {0x430, 0x44F}});
  EXPECT_EQ(fromFacet.CaseClosure(letters), tables_.CaseClosure(letters));
  EXPECT_EQ(fromFacet.Upper(0xE9), 0xC9u);
  EXPECT_EQ(tables_.Upper(0xE9), 0xC9u);
}

}  // namespace
