// The public POSIX conformance data (tests/data/posix/basic.dat) through Basic and Extended.

#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "SyntaxTestSupport.h"
#include "engine/OptionWords.h"

namespace {

namespace S = GrepEngine::SyntaxBits;
namespace rc = boost::regex_constants;

struct DataCase {
  int line;
  std::string flags, pattern, text, expected;
};

// Fields are separated by runs of tabs.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == '\t') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The data's "$" flag: C escapes in pattern and text.
std::string Unescape(const std::string& in) {
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\' || i + 1 == in.size()) {
      out += in[i];
      continue;
    }
    const char c = in[++i];
    switch (c) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case 'x': {
        int value = 0;
        while (i + 1 < in.size() && HexDigit(in[i + 1]) >= 0)
          value = value * 16 + HexDigit(in[++i]);
        out += static_cast<char>(value);
        break;
      }
      default:
        out += '\\';
        out += c;
        break;
    }
  }
  return out;
}

std::vector<DataCase> ReadData() {
  std::ifstream in(std::string(GREPTOOLKIT_TESTDATA) + "/posix/basic.dat");
  std::vector<DataCase> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#' || line[0] == '{' || line[0] == '}' ||
        line.rfind("NOTE", 0) == 0)
      continue;
    const std::vector<std::string> f = Fields(line);
    if (f.size() < 4) continue;
    DataCase c{number, f[0], f[1] == "NULL" ? "" : f[1], f[2] == "NULL" ? "" : f[2], f[3]};
    if (c.flags.find('$') != std::string::npos) {
      c.pattern = Unescape(c.pattern);
      c.text = Unescape(c.text);
    }
    cases.push_back(c);
  }
  return cases;
}

// Expected "(a,b)(c,d)..." as spans; only the groups listed are checked.
SyntaxTest::Spans ParseSpans(const std::string& expected) {
  SyntaxTest::Spans spans;
  std::istringstream in(expected);
  char open = 0;
  while (in >> open && open == '(') {
    std::string a, b;
    std::getline(in, a, ',');
    std::getline(in, b, ')');
    if (a == "?")
      spans.emplace_back(-1, -1);
    else
      spans.emplace_back(std::stol(a), std::stol(b));
  }
  return spans;
}

const std::map<std::string, rc::error_type> ErrorNames = {
    {"BADBR", rc::error_badbrace}, {"EBRACE", rc::error_brace},     {"EBRACK", rc::error_brack},
    {"EPAREN", rc::error_paren},   {"BADRPT", rc::error_badrepeat}, {"ECOLLATE", rc::error_collate},
    {"ECTYPE", rc::error_ctype},   {"EESCAPE", rc::error_escape},   {"ESUBREG", rc::error_backref},
    {"ERANGE", rc::error_range},
};

// Cases where this toolkit's results differ from the data, by line number, with the reason.
// None at present: every B and E line gives the data's result.
const std::map<int, const char*> KnownExceptions = {};

void Check(const DataCase& c, unsigned word, const std::string& where, int& checked) {
  auto compiled = SyntaxTest::Compile(c.pattern, word);
  ++checked;
  auto error = ErrorNames.find(c.expected);
  if (error != ErrorNames.end()) {
    EXPECT_EQ(compiled->ErrorCode(), static_cast<unsigned>(error->second)) << where;
    return;
  }
  ASSERT_FALSE(compiled->Failed()) << where << ": " << compiled->ErrorText();
  const SyntaxTest::Spans found = SyntaxTest::Search(*compiled, c.text);
  if (c.expected == "NOMATCH") {
    EXPECT_TRUE(found.empty()) << where << " found " << SyntaxTest::Show(found);
    return;
  }
  const SyntaxTest::Spans expected = ParseSpans(c.expected);
  ASSERT_FALSE(expected.empty()) << where << ": unreadable result";
  SyntaxTest::Spans compared(found.begin(),
                             found.begin() + std::min(found.size(), expected.size()));
  EXPECT_EQ(SyntaxTest::Show(compared), SyntaxTest::Show(expected)) << where;
  // The groups are the resolver's, not the engine's left in place.
  const GrepEngine::Syntax::Tree& tree = compiled->Internals().Tree;
  if (tree.GroupCount() > 0 && !tree.HasBackReferences && !found.empty()) {
    ASSERT_NE(compiled->Internals().GroupResolver, nullptr) << where;
    EXPECT_EQ(SyntaxTest::Show(SyntaxTest::ResolvedGroups(*compiled, c.text, found[0])),
              SyntaxTest::Show(found))
        << where;
  }
}

// Cases in the data's own form for what the data leaves out: the word-edge brackets of the
// BSD libraries' tests, and back-references to groups that took no part.
TEST(PosixConformanceTest, WordEdgeBracketsAndUnsetBackReferences) {
  const DataCase cases[] = {
      {1, "BE", "[[:<:]]a", "a", "(0,1)"},
      {2, "BE", "[[:<:]]a", "ba", "NOMATCH"},
      {3, "BE", "a[[:>:]]", "a", "(0,1)"},
      {4, "BE", "a[[:>:]]", "ab", "NOMATCH"},
      {5, "BE", "[[:<:]]a[[:>:]]", "ab a", "(3,4)"},
      {6, "BE", "x[[:<:]]", "xy", "NOMATCH"},
      {7, "BE", "[[:>:]]x", "a x", "NOMATCH"},
      {8, "BE", "[[:<:]]", "  x", "(2,2)"},
      {9, "BE", "[[:>:]]", "x  ", "(1,1)"},
      {10, "BE", "[[:<:]]a[[:<:]]b", "ab", "NOMATCH"},
      {11, "E", "a|[[:<:]]b", "ab b", "(0,1)"},
      {12, "BE", "[[:<:]x]", "x", "ECTYPE"},
      {13, "BE", "[[:>:]", "x", "EBRACK"},
      {14, "E", "0|()0|\\1|0", "aa", "NOMATCH"},
      {15, "E", "(a)|b\\1", "b", "NOMATCH"},
      {16, "E", "(x)?\\1y", "ay", "NOMATCH"},
      {17, "E", "(x)?\\1y", "xxy", "(0,3)(0,1)"},
      {18, "B", "\\(a\\)*\\1b", "b", "NOMATCH"},
  };
  int checked = 0;
  for (const DataCase& c : cases) {
    const std::string where =
        "case " + std::to_string(c.line) + " \"" + c.pattern + "\" on \"" + c.text + "\"";
    if (c.flags.find('B') != std::string::npos) Check(c, S::Basic, "BRE " + where, checked);
    if (c.flags.find('E') != std::string::npos) Check(c, S::Extended, "ERE " + where, checked);
  }
  EXPECT_EQ(checked, 30);
}

TEST(PosixConformanceTest, BasicAndExtendedGiveTheDatasResults) {
  const std::vector<DataCase> cases = ReadData();
  ASSERT_GT(cases.size(), 150u) << "test data not found under " << GREPTOOLKIT_TESTDATA;
  int checked = 0;
  std::set<int> excepted;
  for (const DataCase& c : cases) {
    if (KnownExceptions.count(c.line)) {
      excepted.insert(c.line);
      continue;
    }
    unsigned extra = c.flags.find('i') != std::string::npos ? S::CaseInsensitive : 0u;
    const std::string where = "basic.dat line " + std::to_string(c.line) + " [" + c.flags + "] \"" +
                              c.pattern + "\" on \"" + c.text + "\"";
    if (c.flags.find('B') != std::string::npos) Check(c, S::Basic | extra, "BRE " + where, checked);
    if (c.flags.find('E') != std::string::npos)
      Check(c, S::Extended | extra, "ERE " + where, checked);
    if (c.flags.find('L') != std::string::npos)
      Check(c, S::Literals | extra, "literal " + where, checked);
  }
  EXPECT_EQ(excepted.size(), KnownExceptions.size()) << "an exception names no case";
  EXPECT_GT(checked, 200);
}

}  // namespace
