// The vectorised literal scans against plain searches: every vector level this machine runs and
// every set kernel, literals at every alignment and up to the text's very end, texts shorter
// than a vector, bytes above 0x7f and NUL, candidates that overlap, texts made of the
// literals' own bytes (where a scan must give up rather than turn quadratic), random texts
// against the memchr scan, and the literal-set route's leftmost-longest choice against the
// reference engine.

#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <locale>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "LiteralSearch.h"
#include "Prefilter.h"
#include "ReferenceRoute.h"
#include "VectorScan.h"
#include "engine/Matching.h"
#include "engine/OptionWords.h"
#include "engine/Pattern.h"

namespace {

using namespace GrepEngine;

std::vector<VectorLevel> Levels() {
  std::vector<VectorLevel> levels;
  for (VectorLevel level : {VectorLevel::Sse2, VectorLevel::Avx2})
    if (level != VectorLevel::Plain && RunsHere(level)) levels.push_back(level);
  return levels;
}

struct SetWay {
  VectorLevel Level;
  SetKernel Kernel;
};

std::vector<SetWay> SetWays() {
  std::vector<SetWay> ways;
  for (VectorLevel level : Levels()) {
    ways.push_back({level, SetKernel::Pairs});
    if (level == VectorLevel::Avx2) ways.push_back({level, SetKernel::Prints});
  }
  return ways;
}

std::string Name(VectorLevel level) { return level == VectorLevel::Avx2 ? "avx2" : "sse2"; }
std::string Name(SetWay way) {
  return Name(way.Level) + (way.Kernel == SetKernel::Prints ? "/prints" : "/pairs");
}

long Offset(const char* hit, const std::string& text) {
  return hit == nullptr ? -1 : static_cast<long>(hit - text.data());
}

// The first position at or after `from` where any literal lies wholly within the text.
long PlainSetFind(const std::string& text, std::size_t from,
                  const std::vector<std::string>& literals) {
  long best = -1;
  for (const std::string& literal : literals) {
    const std::size_t at = std::string_view(text).find(literal, from);
    if (at != std::string_view::npos && (best < 0 || static_cast<long>(at) < best))
      best = static_cast<long>(at);
  }
  return best;
}

long SetFind(const LiteralSetFinder& finder, const std::string& text, std::size_t from,
             const std::string& where) {
  const char* stopped = nullptr;
  const char* hit = finder.Find(text.data() + from, text.data() + text.size(), stopped);
  EXPECT_TRUE(stopped == nullptr) << "gave up on an ordinary text: " << where;
  return Offset(hit, text);
}

TEST(LiteralScanTest, MachineLevelIsOneThatRuns) {
  EXPECT_TRUE(RunsHere(MachineVectorLevel()));
  EXPECT_TRUE(RunsHere(VectorLevel::Plain));
#if defined(__x86_64__)
  EXPECT_NE(MachineVectorLevel(), VectorLevel::Plain) << "SSE2 is part of x86-64";
#endif
}

// A literal put at every position of texts of every length up to a few vectors, with a
// near miss (all but its last byte) before it: found exactly there, and a copy cut off by the
// text's end is not found.
TEST(LiteralScanTest, LiteralAtEveryAlignmentAndAtTheEnd) {
  const std::vector<std::string> literals = {
      "q", "zq", "namespace", std::string("a\0b", 3), "\xff\x80\xfe", "xyzzy-the-long-literal-x"};
  for (VectorLevel level : Levels())
    for (const std::string& literal : literals)
      for (std::size_t size = 0; size <= 80; ++size)
        for (std::size_t at = 0; at + literal.size() <= size; ++at) {
          std::string text(size, '.');
          if (literal.size() > 1 && at >= literal.size() - 1)
            text.replace(at - (literal.size() - 1), literal.size() - 1, literal, 0,
                         literal.size() - 1);
          text.replace(at, literal.size(), literal);
          const std::string where = Name(level) + " literal of " + std::to_string(literal.size()) +
                                    " at " + std::to_string(at) + " of " + std::to_string(size);
          const char* first = text.data();
          const long expected = static_cast<long>(std::string_view(text).find(literal));
          EXPECT_EQ(Offset(FindLiteralVectorised(first, first + size, literal, level), text),
                    expected)
              << where;
          EXPECT_EQ(Offset(FindLiteralVectorised(first, first + size - 1, literal, level), text),
                    static_cast<long>(std::string_view(text.data(), size - 1).find(literal)))
              << "cut by the end: " << where;
        }
}

TEST(LiteralScanTest, OverlappingCandidatesGiveTheFirstOccurrence) {
  const struct {
    std::string Text, Literal;
    long Expected;
  } cases[] = {
      {std::string(40, 'a') + "b" + std::string(40, 'a'), "aab", 38},
      {"abababababababababababababababababababababac", "ababac", 38},
      {std::string(100, 'z') + "zzy", "zzy", 100},
      {std::string(64, '\0') + std::string("\0\x01", 2), std::string("\0\0\x01", 3), 63},
      {std::string(70, '\xff'), "\xff\xff", 0},
  };
  for (VectorLevel level : Levels())
    for (const auto& c : cases) {
      const char* first = c.Text.data();
      EXPECT_EQ(
          Offset(FindLiteralVectorised(first, first + c.Text.size(), c.Literal, level), c.Text),
          c.Expected)
          << Name(level) << " " << c.Literal.size();
    }
}

// Texts of the literal's own bytes make every vector test pass: the scan must still finish in
// linear time (the two-way search takes over) with the right answer.
TEST(LiteralScanTest, TextOfTheLiteralsOwnBytesStaysLinear) {
  const std::string zs = std::string(1 << 22, 'z') + "y" + std::string(100, 'z');
  for (VectorLevel level : Levels()) {
    const char* first = zs.data();
    const char* last = first + zs.size();
    EXPECT_EQ(Offset(FindLiteralVectorised(first, last, "y" + std::string(200, 'z'), level), zs),
              -1);
    EXPECT_EQ(Offset(FindLiteralVectorised(first, last, std::string(200, 'z') + "y", level), zs),
              static_cast<long>((1 << 22) - 200));
  }
  const std::vector<std::string> set = {std::string(31, 'z') + "x", std::string(30, 'z') + "y"};
  for (SetWay way : SetWays()) {
    const LiteralSetFinder finder(set, way.Level, way.Kernel);
    ASSERT_TRUE(finder.Usable());
    const char* stopped = nullptr;
    const char* hit = finder.Find(zs.data(), zs.data() + zs.size(), stopped);
    EXPECT_EQ(hit, nullptr) << Name(way);
    ASSERT_NE(stopped, nullptr) << "a quadratic scan instead of giving up: " << Name(way);
    EXPECT_LE(stopped, zs.data() + (1 << 22) - 30) << "gave up past the occurrence";
    LiteralSetScanner scanner(set, zs.data() + zs.size(), way.Level);
    EXPECT_EQ(Offset(scanner.Next(zs.data()), zs), (1 << 22) - 30) << Name(way);
  }
}

std::string RandomText(std::mt19937& random, std::size_t size, const std::string& alphabet) {
  std::string text(size, '\0');
  for (char& c : text) c = alphabet[random() % alphabet.size()];
  return text;
}

// Few distinct bytes, NUL and bytes above 0x7f among them, so that literals occur and nearly
// occur everywhere.
const std::string Alphabet("ab\0\x80\xff", 5);

TEST(LiteralScanTest, RandomTextsAgreeWithTheMemchrScan) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = RandomText(random, random() % 300, Alphabet);
    const std::string literal = RandomText(random, 1 + random() % 6, Alphabet);
    const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
    const char* first = text.data() + from;
    const char* last = text.data() + text.size();
    const long expected = Offset(FindLiteralByRareByte(first, last, literal), text);
    for (VectorLevel level : Levels())
      ASSERT_EQ(Offset(FindLiteralVectorised(first, last, literal, level), text), expected)
          << Name(level) << " round " << round;
    ASSERT_EQ(Offset(FindLiteral(first, last, literal), text), expected);
  }
}

// Sets of up to eight literals, some a prefix of another, some of one byte, against the plain
// search from every kind of starting point; and the scanner's walk through all occurrences.
TEST(LiteralScanTest, RandomSetsAgreeWithOneSearchPerLiteral) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomText(random, random() % 200, Alphabet);
    std::vector<std::string> set(2 + random() % 7);
    for (std::string& literal : set) literal = RandomText(random, 1 + random() % 5, Alphabet);
    if (round % 3 == 0) set.push_back(set[0] + RandomText(random, 1 + random() % 3, Alphabet));
    if (set.size() > LiteralSetFinder::MostLiterals) set.pop_back();
    const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
    const long expected = PlainSetFind(text, from, set);
    for (SetWay way : SetWays()) {
      const LiteralSetFinder finder(set, way.Level, way.Kernel);
      ASSERT_TRUE(finder.Usable());
      const std::string where = Name(way) + " round " + std::to_string(round);
      ASSERT_EQ(SetFind(finder, text, from, where), expected) << where;
      LiteralSetScanner scanner(set, text.data() + text.size(), way.Level);
      for (std::size_t at = from; at <= text.size(); ++at)
        ASSERT_EQ(Offset(scanner.Next(text.data() + at), text), PlainSetFind(text, at, set))
            << where << " from " << at;
    }
  }
}

TEST(LiteralScanTest, SetLiteralsAtEveryAlignmentAndAtTheEnd) {
  const std::vector<std::string> set = {"struct", "union", std::string("\0\x80", 2), "u"};
  for (SetWay way : SetWays()) {
    const LiteralSetFinder finder(set, way.Level, way.Kernel);
    for (const std::string& literal : set)
      for (std::size_t size = literal.size(); size <= 90; ++size)
        for (std::size_t at = 0; at + literal.size() <= size; ++at) {
          std::string text(size, 'x');
          text.replace(at, literal.size(), literal);
          const std::string where =
              Name(way) + " " + std::to_string(at) + " of " + std::to_string(size);
          ASSERT_EQ(SetFind(finder, text, 0, where), PlainSetFind(text, 0, set)) << where;
          // Cut one byte short: the literal at the end no longer counts.
          const std::string cut = text.substr(0, size - 1);
          const char* stopped = nullptr;
          const char* hit = finder.Find(text.data(), text.data() + size - 1, stopped);
          ASSERT_EQ(Offset(hit, text), PlainSetFind(cut, 0, set)) << "cut: " << where;
        }
  }
}

TEST(LiteralScanTest, SetsTheFinderDoesNotTake) {
  EXPECT_FALSE(LiteralSetFinder({}, VectorLevel::Sse2).Usable());
  EXPECT_FALSE(LiteralSetFinder({"a", ""}, VectorLevel::Sse2).Usable());
  EXPECT_FALSE(LiteralSetFinder(std::vector<std::string>(9, "ab"), VectorLevel::Sse2).Usable());
  EXPECT_FALSE(LiteralSetFinder({"a", "b"}, VectorLevel::Plain).Usable());
  EXPECT_FALSE(LiteralSetFinder({"a", "b"}, VectorLevel::Sse2, SetKernel::Prints).Usable());
  // The scanner takes any set: nine literals go one scan each.
  const std::string text = "....i..h";
  const std::vector<std::string> nine = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
  LiteralSetScanner scanner(nine, text.data() + text.size());
  EXPECT_EQ(Offset(scanner.Next(text.data()), text), 4);
  EXPECT_EQ(Offset(scanner.Next(text.data() + 5), text), 7);
  EXPECT_EQ(scanner.Next(text.data() + 8), nullptr);
}

// A table is made once per pattern and read by the scanners of many texts, one after the other
// and side by side: what a scan has found so far is the scanner's, never the table's.
TEST(LiteralScanTest, ScannersOfOneTableKeepTheirOwnPlace) {
  for (const std::vector<std::string>& set :
       {std::vector<std::string>{"fox", "dog"},
        std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i"}}) {
    const LiteralSetTable table(set);
    const std::string first = "..dog....fox..a";
    const std::string second = "fox.i";
    LiteralSetScanner one(table, first.data() + first.size());
    LiteralSetScanner other(table, second.data() + second.size());
    LiteralSetScanner own(set, first.data() + first.size());
    const bool nine = set.size() == 9;
    EXPECT_EQ(Offset(one.Next(first.data()), first), 2);
    EXPECT_EQ(Offset(other.Next(second.data()), second), 0);
    EXPECT_EQ(Offset(one.Next(first.data() + 3), first), nine ? 4 : 9);
    EXPECT_EQ(Offset(own.Next(first.data() + 3), first), nine ? 4 : 9);
    if (nine)
      EXPECT_EQ(Offset(other.Next(second.data() + 1), second), 4);
    else
      EXPECT_EQ(other.Next(second.data() + 1), nullptr);
    EXPECT_EQ(Offset(one.Next(first.data() + 12), first), nine ? 14 : -1);
    EXPECT_EQ(one.Next(first.data() + first.size()), nullptr);
  }
}

TEST(LiteralScanTest, PrefilterPassesOnlyTextsHoldingALiteral) {
  for (VectorLevel level : Levels()) {
    const Prefilter filter({"buffer", "length", "value"}, level);
    const std::string with = std::string(1000, '-') + "lengt value" + std::string(5, '-');
    const std::string without = std::string(1000, '-') + "lengt valu buffe";
    EXPECT_TRUE(filter.MayMatch(with.data(), with.data() + with.size())) << Name(level);
    EXPECT_FALSE(filter.MayMatch(without.data(), without.data() + without.size())) << Name(level);
    EXPECT_FALSE(filter.MayMatch(with.data(), with.data() + with.size() - 6))
        << "the occurrence cut by the end: " << Name(level);
  }
}

// The pattern's alternatives and its single letters, picked at random and joined: texts where
// the literals occur often, side by side and cut short.
std::string Pieces(std::mt19937& random, const std::string& pattern) {
  std::vector<std::string> pieces = {" "};
  std::string alternative;
  for (char c : pattern + "|") {
    if (c == '|') {
      pieces.push_back(alternative);
      alternative.clear();
    } else {
      alternative += c;
      pieces.emplace_back(1, c);
    }
  }
  std::string text;
  for (int i = 0; i < 1500; ++i) text += pieces[random() % pieces.size()];
  return text;
}

// The literal-set route finds candidates with the scan; which literal matches there is still
// the engine's leftmost-longest rule, whatever literal the scan saw first.
TEST(LiteralScanTest, SetRouteKeepsLeftmostLongestAgainstTheReference) {
  const char* const patterns[] = {"ab|abc|a",          "for|foreach|fore", "x|xx|xxx",
                                  "union|un|unionize", "abc|bcd|cde",      "aa|a"};
  std::mt19937 random(42);
  for (const char* pattern : patterns) {
    const std::string text = std::string(pattern) + " " + Pieces(random, pattern);
    auto compiled = Pattern::Compile(pattern, pattern + std::strlen(pattern), SyntaxBits::Extended,
                                     std::locale::classic());
    ASSERT_FALSE(compiled->Failed()) << pattern;
    const char* first = text.data();
    const char* last = first + text.size();
    ASSERT_EQ(PlannedRoute(*compiled, 0, first, last), Route::LiteralSet) << pattern;
    const auto collect = [&](auto grep) {
      std::vector<std::pair<long, long>> spans;
      grep([&](const MatchResults& match) {
        spans.emplace_back(match.Sub(0).Position, match.Sub(0).Length());
        return true;
      });
      return spans;
    };
    const auto planned =
        collect([&](auto callback) { return GrepIn(*compiled, first, last, 0, callback); });
    const auto reference = collect(
        [&](auto callback) { return ReferenceGrepIn(*compiled, first, last, 0, callback); });
    EXPECT_EQ(planned, reference) << pattern;
    EXPECT_GT(planned.size(), 10u) << pattern;
  }
}

using ByteSet = std::bitset<256>;

ByteSet Bytes(const std::string& members) {
  ByteSet set;
  for (char c : members) set.set(static_cast<unsigned char>(c));
  return set;
}

ByteSet Range(unsigned first, unsigned lastByte) {
  ByteSet set;
  for (unsigned b = first; b <= lastByte; ++b) set.set(b);
  return set;
}

TEST(ByteRunScanTest, SetsAsRanges) {
  ByteRanges ranges;
  ASSERT_TRUE(RangesOf(Bytes("aA"), ranges));
  EXPECT_EQ(ranges.Count, 2u);
  ASSERT_TRUE(RangesOf(Range(0, 255), ranges));
  EXPECT_EQ(ranges.Count, 1u);
  EXPECT_EQ(ranges.Span[0], 255);
  ASSERT_TRUE(RangesOf(Bytes(std::string("\0\xff", 2)), ranges));
  EXPECT_EQ(ranges.Count, 2u);
  EXPECT_FALSE(RangesOf(ByteSet(), ranges));
  EXPECT_FALSE(RangesOf(Bytes("acegi"), ranges)) << "five ranges";
}

// Runs the vector scan takes (case-insensitive letters, digits, ranges across 0x80 and NUL)
// and ones it leaves to the byte loop, against that loop (the plain level) on random texts
// and from every position, and at every alignment up to the text's end.
TEST(ByteRunScanTest, VectorScanAgreesWithTheByteLoop) {
  const std::vector<std::vector<ByteSet>> runs = {
      {Bytes("nN"), Bytes("aA"), Bytes("mM"), Bytes("eE")},
      {Range('0', '9'), Range('0', '9')},
      {Range(0x7e, 0x81), Bytes(std::string("\0", 1))},
      {Bytes("acegik"), Bytes("b")},
      {Bytes("acegik")},
  };
  std::mt19937 random(99);
  const std::string alphabet = std::string("nNaAmMeE0912bcgk~\x7f\x80\x81", 20) + '\0';
  for (const std::vector<ByteSet>& run : runs)
    for (int round = 0; round < 300; ++round) {
      const std::string text = RandomText(random, random() % 150, alphabet);
      const char* last = text.data() + text.size();
      const ByteRunScanner plain(run, last, VectorLevel::Plain);
      for (VectorLevel level : Levels()) {
        const ByteRunScanner scanner(run, last, level);
        for (std::size_t at = 0; at <= text.size(); ++at)
          ASSERT_EQ(scanner.Next(text.data() + at), plain.Next(text.data() + at))
              << Name(level) << " run " << run.size() << " round " << round << " from " << at;
      }
    }
  const std::vector<ByteSet> name = runs[0];
  for (VectorLevel level : Levels())
    for (std::size_t size = 4; size <= 80; ++size)
      for (std::size_t at = 0; at + 4 <= size; ++at) {
        std::string text(size, 'n');
        text.replace(at, 4, "NaMe");
        const ByteRunScanner scanner(name, text.data() + size, level);
        ASSERT_EQ(Offset(scanner.Next(text.data()), text), static_cast<long>(at))
            << Name(level) << " " << at << " of " << size;
        const ByteRunScanner cut(name, text.data() + size - 1, level);
        ASSERT_EQ(Offset(cut.Next(text.data()), text), at + 4 < size ? static_cast<long>(at) : -1)
            << "cut: " << Name(level) << " " << at << " of " << size;
      }
}

}  // namespace
