// GNU grep as an oracle: generated patterns (dots, brackets and their negations, classes,
// repeats, alternatives, groups, word edges; some with -i, some with -w) over generated lines,
// searched by `regextool grep-files -a -n -o` and by `grep -E -a -n -o` (-w in place of -o),
// both under LC_ALL=C.UTF-8, must print the same. The default syntax is grep's extended one but for
// a backslash inside brackets, which the patterns never hold.
//
// The ASCII cases would pass in byte mode too; the UTF-8 cases (é, É, ß, ж, Ж, €, 😀, and
// bytes that are not UTF-8 in the texts) ask for characters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

const char* const Grep = "/bin/grep";

// One draw after another from a fixed seed: the same cases on every machine (unlike the
// standard distributions, whose results the library chooses).
class Draws {
 public:
  explicit Draws(std::uint64_t seed) : State(seed) {}
  unsigned Below(unsigned n) {
    // splitmix64
    State += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = State;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<unsigned>((z ^ (z >> 31)) % n);
  }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& from) {
    return from[Below(static_cast<unsigned>(from.size()))];
  }

 private:
  std::uint64_t State;
};

struct Alphabet {
  std::vector<std::string> Characters;  // for patterns and texts
  std::vector<std::string> Stray;       // bytes that are not UTF-8, for texts only
};

const Alphabet Ascii = {{"a", "b", "c", "A", "B", "1", "2", " "}, {}};
const Alphabet Mixed = {{"a", "b", "c", "A", "B", "1", " ", "é", "É", "ß", "ж", "Ж", "€", "😀"},
                        {"\xC3", "\xA9", "\xFF"}};

class PatternMaker {
 public:
  PatternMaker(Draws& draws, const Alphabet& alphabet) : D(draws), A(alphabet) {}

  std::string Expression(unsigned depth = 0) {
    std::string text = Branch(depth);
    if (D.Chance(25)) text += "|" + Branch(depth);
    return text;
  }

 private:
  // Word edges only at the ends of the outer branches: grep's matcher misses matches with an
  // edge inside a repeated group ("((.+|\\<a*)+b)" finds nothing in "cb").
  std::string Branch(unsigned depth) {
    std::string text;
    if (depth == 0 && D.Chance(15)) text += D.Pick(std::vector<std::string>{"\\b", "\\<", "\\>"});
    const unsigned pieces = 1 + D.Below(3);
    for (unsigned i = 0; i < pieces; ++i) text += Piece(depth);
    if (depth == 0 && D.Chance(15)) text += D.Pick(std::vector<std::string>{"\\b", "\\>", "\\<"});
    return text;
  }

  std::string Piece(unsigned depth) {
    std::string text = Atom(depth);
    if (D.Chance(30)) text += D.Pick(std::vector<std::string>{"*", "+", "?"});
    return text;
  }

  std::string Letter() {
    // A space is the one character a bracket or a literal may want less of.
    std::string c = D.Pick(A.Characters);
    return c == " " && D.Chance(50) ? D.Pick(A.Characters) : c;
  }

  std::string Members() {
    std::string text;
    const unsigned members = 1 + D.Below(3);
    for (unsigned i = 0; i < members; ++i)
      text += D.Chance(15) ? D.Pick(std::vector<std::string>{"[:alpha:]", "[:upper:]", "[:digit:]"})
                           : Letter();
    return text;
  }

  std::string Atom(unsigned depth) {
    switch (D.Below(10)) {
      case 0:
      case 1:
      case 2:
        return Letter();
      case 3:
        return ".";
      case 4:
        return "[" + Members() + "]";
      case 5:
        return "[^" + Members() + "]";
      case 6:
        return D.Pick(std::vector<std::string>{"[[:alpha:]]", "[[:upper:]]", "[[:lower:]]"});
      default:
        if (depth < 2) return "(" + Expression(depth + 1) + ")";
        return Letter();
    }
  }

  Draws& D;
  const Alphabet& A;
};

std::string MakeText(Draws& draws, const Alphabet& alphabet, unsigned lines) {
  std::string text;
  for (unsigned line = 0; line < lines; ++line) {
    const unsigned length = draws.Below(14);
    for (unsigned i = 0; i < length; ++i) {
      if (!alphabet.Stray.empty() && draws.Chance(4))
        text += draws.Pick(alphabet.Stray);
      else
        text += draws.Pick(alphabet.Characters);
    }
    text += '\n';
  }
  return text;
}

bool HasUtf8Locale() {
  try {
    std::locale("C.UTF-8");
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

// Shown in a message with the bytes outside printable ASCII as \xHH.
std::string Visible(const std::string& bytes) {
  std::ostringstream out;
  for (const unsigned char c : bytes) {
    if (c == '\n')
      out << "\\n";
    else if (c < 0x20 || c > 0x7E)
      out << "\\x" << std::hex << static_cast<unsigned>(c) << std::dec;
    else
      out << c;
  }
  return out.str();
}

ToolTest::ToolResult Run(const std::string& program, std::vector<std::string> arguments,
                         const std::string& directory) {
  ToolTest::ToolRun run;
  run.Program = program;
  run.Arguments = std::move(arguments);
  run.WorkingDirectory = directory;
  run.Environment = {"LC_ALL=C.UTF-8"};
  // Nested repeats of a many-byte set can keep the engine's backtracking busy for long before
  // it gives up: such a case is not compared.
  run.CpuSeconds = 2;
  return ToolTest::RunTool(run);
}

struct Comparison {
  unsigned Mismatches = 0;
  unsigned Abandoned = 0;  // cases the engine gave up on (its complexity limit, or the
                           // test's time limit): not compared
};

// Runs `cases` generated patterns over one generated text through both programs; the
// mismatches are reported (the first few in full) and counted.
Comparison CompareWithGrep(const Alphabet& alphabet, std::uint64_t seed, unsigned cases) {
  Draws draws(seed);
  TestSupport::TemporaryDirectory directory;
  const std::string text = MakeText(draws, alphabet, 60);
  directory.Write("lines.txt", text);
  directory.Write("empty.txt", "\n");
  PatternMaker maker(draws, alphabet);
  Comparison comparison;
  for (unsigned i = 0; i < cases; ++i) {
    const std::string pattern = maker.Expression();
    std::vector<std::string> flags = {"-a", "-n"};
    if (draws.Chance(25)) flags.push_back("-i");
    // grep -o -w resumes after a match so that it misses later words ("1  11c" gives "1 "
    // only): with -w the selected lines are compared, otherwise every match.
    flags.push_back(draws.Chance(20) ? "-w" : "-o");
    // grep -w takes empty matches inside characters in UTF-8 text (between a character's
    // bytes nothing reads as a word character): patterns that match the empty text are not
    // compared under -w.
    if (&alphabet != &Ascii && flags.back() == "-w" &&
        Run(Grep, {"-E", "-x", "-e", pattern, "empty.txt"}, directory.Path()).Status == 0)
      continue;
    std::vector<std::string> ours = {"grep-files"};
    ours.insert(ours.end(), flags.begin(), flags.end());
    std::vector<std::string> theirs = {"-E"};
    theirs.insert(theirs.end(), flags.begin(), flags.end());
    for (auto* words : {&ours, &theirs}) words->insert(words->end(), {"-e", pattern, "lines.txt"});

    const ToolTest::ToolResult got = Run("", ours, directory.Path());
    const ToolTest::ToolResult expected = Run(Grep, theirs, directory.Path());
    if (got.Out == expected.Out && got.Status == expected.Status) continue;
    if ((got.Status == 2 && got.Err.find("complexity") != std::string::npos) ||
        got.Signal == SIGXCPU || got.Signal == SIGKILL) {
      ++comparison.Abandoned;
      continue;
    }
    ++comparison.Mismatches;
    std::string shown;
    for (std::size_t f = 1; f < ours.size() - 3; ++f) shown += ours[f] + " ";
    if (comparison.Mismatches <= 10)
      ADD_FAILURE() << "pattern " << Visible(pattern) << " with " << shown << "\n"
                    << "regextool (status " << got.Status << "): " << Visible(got.Out)
                    << Visible(got.Err) << "\n"
                    << "grep (status " << expected.Status << "): " << Visible(expected.Out)
                    << Visible(expected.Err);
  }
  return comparison;
}

bool OracleMissing(std::string& why) {
  if (::access(Grep, X_OK) != 0) {
    why = "no /bin/grep";
    return true;
  }
  if (!HasUtf8Locale()) {
    why = "no C.UTF-8 locale";
    return true;
  }
  return false;
}

// `cases` cases must agree; a few hard patterns may be given up on, not more than `mostAbandoned`.
void ExpectAgreement(const Alphabet& alphabet, std::uint64_t seed, unsigned cases,
                     unsigned mostAbandoned) {
  std::string why;
  if (OracleMissing(why)) GTEST_SKIP() << why;
  const Comparison comparison = CompareWithGrep(alphabet, seed, cases);
  EXPECT_EQ(comparison.Mismatches, 0u) << "of " << cases << " cases";
  EXPECT_LT(comparison.Abandoned, mostAbandoned);
  ::testing::Test::RecordProperty("abandoned", static_cast<int>(comparison.Abandoned));
}

TEST(GrepOracle, AsciiPatternsOnAsciiText) { ExpectAgreement(Ascii, 20261210, 300, 15); }

TEST(GrepOracle, Utf8PatternsOnUtf8Text) { ExpectAgreement(Mixed, 20261211, 400, 20); }

}  // namespace
