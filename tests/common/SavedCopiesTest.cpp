#include "common/SavedCopies.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TemporaryDirectory.h"

namespace {

TEST(SavedCopies, ExtensionsAreTheOwnNamesOnlyAndIgnoreCase) {
  struct Case {
    const char* name;
    const char* extension;
    bool carries;
  } cases[] = {
      {"notes.bak", "bak", true},      {"NOTES.BAK", "bak", true},   {"a.b.Bak", "bak", true},
      {"x.bAK", "Bak", true},          {"notes.bak2", "bak", false}, {"notes.ba", "bak", false},
      {"bak", "bak", false},           {"notes.", "bak", false},     {"x.bak", "", false},
      {"notes.txt", ".bak", false},    {"dir.bak/README", "bak", false},
      {"dir.bak/x.bak", "bak", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Common::CarriesExtension(c.name, c.extension), c.carries) << c.name << " " << c.extension;
}

TEST(SavedCopies, SavedCopyNamesStayBesideTheFile) {
  struct Case {
    const char* name;
    const char* extension;
    const char* saved;
  } cases[] = {
      {"notes.txt", "bak", "notes.bak"},
      {"README", "bak", "README.bak"},
      {"archive.tar.gz", "old", "archive.tar.old"},
      {"notes.txt", ".bak", "notes..bak"},
      {"release.2/README", "bak", "release.2/README.bak"},
      {"release.2/a.txt", "bak", "release.2/a.bak"},
  };
  for (const Case& c : cases) EXPECT_EQ(Common::SavedCopyName(c.name, c.extension), c.saved);
}

TEST(SavedCopies, ReadOnlyFollowsTheOwnersWriteBit) {
  TestSupport::TemporaryDirectory dir;
  const std::string path = dir.Write("f", "x");
  EXPECT_FALSE(Common::IsReadOnly(path));
  ::chmod(path.c_str(), 0444);
  EXPECT_TRUE(Common::IsReadOnly(path)) << "even for root, who could still write it";
  ::chmod(path.c_str(), 0466);
  EXPECT_TRUE(Common::IsReadOnly(path)) << "others' write bits do not count";
  EXPECT_TRUE(Common::IsReadOnly(dir / "missing"));
}

}  // namespace
