// The locale the program takes from its environment, as grep does: LC_ALL, else LC_CTYPE, else
// LANG. A UTF-8 one reads characters (seen here through the format's case escapes, which then
// change whole characters); anything else, or none, keeps bytes.
#include <gtest/gtest.h>

#include <locale>
#include <stdexcept>
#include <string>
#include <vector>

#include "TemporaryDirectory.h"
#include "ToolRun.h"

namespace {

using ToolTest::RunTool;
using ToolTest::ToolRun;

const std::string Bytes = "R\xC3\xA9SUM\xC3\xA9";  // \U on résumé, byte by byte
const std::string Characters = "RÉSUMÉ";

bool SystemHasUtf8() {
  try {
    std::locale("C.UTF-8");
    return true;
  } catch (const std::runtime_error&) {
    return false;
  }
}

// `merge '[^ ]+' '\U$&'` over "résumé" under `environment`.
std::string UpperUnder(const std::vector<std::string>& environment) {
  ToolRun run;
  run.Arguments = {"merge", "[^ ]+", "\\U$&"};
  run.Input = "résumé\n";
  run.Environment = environment;
  const ToolTest::ToolResult result = RunTool(run);
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Err, "");
  const std::string out = result.Out;
  return out.empty() ? out : out.substr(0, out.size() - 1);
}

TEST(EnvironmentLocale, NoneOrANonUtf8OneKeepsBytes) {
  EXPECT_EQ(UpperUnder({}), Bytes);
  for (const char* setting : {"LC_ALL=C", "LC_ALL=POSIX", "LANG=C", "LC_CTYPE=C",
                              "LANG=en_US.ISO-8859-1", "LANG=", "LC_ALL=no-such-locale"})
    EXPECT_EQ(UpperUnder({setting}), Bytes) << setting;
}

TEST(EnvironmentLocale, AUtf8OneReadsCharacters) {
  if (!SystemHasUtf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  for (const char* setting : {"LANG=C.UTF-8", "LC_CTYPE=C.UTF-8", "LC_ALL=C.UTF-8", "LANG=C.utf8"})
    EXPECT_EQ(UpperUnder({setting}), Characters) << setting;
  // A UTF-8 locale the system has not got still reads UTF-8 (as C.UTF-8).
  EXPECT_EQ(UpperUnder({"LANG=xx_NOWHERE.UTF-8"}), Characters);
}

TEST(EnvironmentLocale, TheFirstNonEmptyOfLcAllLcCtypeLangDecides) {
  if (!SystemHasUtf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_EQ(UpperUnder({"LC_ALL=C", "LANG=C.UTF-8"}), Bytes);
  EXPECT_EQ(UpperUnder({"LC_ALL=C", "LC_CTYPE=C.UTF-8"}), Bytes);
  EXPECT_EQ(UpperUnder({"LC_CTYPE=C", "LANG=C.UTF-8"}), Bytes);
  EXPECT_EQ(UpperUnder({"LC_ALL=C.UTF-8", "LC_CTYPE=C"}), Characters);
  EXPECT_EQ(UpperUnder({"LC_CTYPE=C.UTF-8", "LANG=C"}), Characters);
  EXPECT_EQ(UpperUnder({"LC_ALL=", "LC_CTYPE=", "LANG=C.UTF-8"}), Characters);
  // Other categories say nothing of characters.
  EXPECT_EQ(UpperUnder({"LC_MESSAGES=C.UTF-8"}), Bytes);
}

// Every command that formats reaches the environment's locale.
TEST(EnvironmentLocale, EveryReplacingCommandFollowsIt) {
  if (!SystemHasUtf8()) GTEST_SKIP() << "no C.UTF-8 locale";
  TestSupport::TemporaryDirectory tree;
  const std::string text = "émile résumé\n";
  for (const bool utf8 : {false, true}) {
    const std::vector<std::string> environment = {utf8 ? "LANG=C.UTF-8" : "LC_ALL=C"};
    const std::string where = utf8 ? "UTF-8" : "bytes";
    struct Case {
      std::vector<std::string> arguments;
      std::string characters, bytes;
    } cases[] = {
        {{"merge", "[^ ]+", "\\u$&"}, "Émile Résumé\n", "émile Résumé\n"},
        {{"merge", "--first", "[^ ]+", "\\U$&"}, "ÉMILE résumé\n", "\xC3\xA9MILE résumé\n"},
        {{"merge", "--whole-text", "[^ ]+", "\\U$&"},
         "ÉMILE RÉSUMÉ\n",
         "\xC3\xA9MILE R\xC3\xA9SUM\xC3\xA9\n"},
        {{"merge", "--no-copy", "r[^ ]+", "<\\U$&>"}, "<RÉSUMÉ>", "<R\xC3\xA9SUM\xC3\xA9>"},
        {{"grep", "-o", "--replace", "\\U$&", "r[^ ]+"}, "RÉSUMÉ\n", "R\xC3\xA9SUM\xC3\xA9\n"},
        {{"grep", "--replace", "\\u$&", "[^ ]+"}, "Émile Résumé\n", "émile Résumé\n"},
    };
    for (const Case& c : cases) {
      ToolRun run;
      run.Arguments = c.arguments;
      run.Input = text;
      run.Environment = environment;
      const ToolTest::ToolResult result = RunTool(run);
      EXPECT_EQ(result.Status, 0) << c.arguments[0] << " " << c.arguments[1] << " " << where;
      EXPECT_EQ(result.Out, utf8 ? c.characters : c.bytes)
          << c.arguments[0] << " " << c.arguments[1] << " " << where << ": " << result.Err;
    }

    // change: the file's new content (a match there may not take the line feed).
    const std::string file = tree.Write("notes.txt", text);
    ToolRun change;
    change.Arguments = {"change", "r[^ \\n]+", "\\U$&", "notes.txt"};
    change.WorkingDirectory = tree.Path();
    change.Environment = environment;
    const ToolTest::ToolResult result = RunTool(change);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(TestSupport::TemporaryDirectory::Read(file),
              utf8 ? "émile RÉSUMÉ\n" : "émile R\xC3\xA9SUM\xC3\xA9\n")
        << where;
  }
}

}  // namespace
