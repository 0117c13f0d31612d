// AnsiString, Set, Closure and FileGetAttr of the framework stand-in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "TemporaryDirectory.h"
#include "vcl35/AnsiString.h"
#include "vcl35/Closure.h"
#include "vcl35/Set.h"
#include "vcl35/SysUtils.h"

namespace {

using vcl35::AnsiString;

TEST(AnsiStringTest, ConversionsStopAtTheFirstNul) {
  const std::string bytes("ab\0cd", 5);
  const AnsiString text(bytes);
  EXPECT_EQ(text.Length(), 5u);
  EXPECT_EQ(text.ToString(), "ab");
  EXPECT_STREQ(text.c_str(), "ab");
  EXPECT_EQ(AnsiString("ab\0cd").Length(), 2u);
  EXPECT_EQ(AnsiString(bytes.data(), bytes.size()).Data(), bytes);
  EXPECT_TRUE(AnsiString().IsEmpty());
  EXPECT_EQ(AnsiString(static_cast<const char*>(nullptr)).Length(), 0u);
}

enum Colour { Red, Green, Blue, Cyan, Magenta, Yellow, Black, White, Grey, Pink, Brown, Orange };
using Small = vcl35::Set<Colour, 0, 7>;
using Wide = vcl35::Set<Colour, 0, 11>;

TEST(SetTest, BitNStandsForOrdinalNInTheFewestBytes) {
  static_assert(sizeof(Small) == 1, "eight enumerators fit one byte");
  static_assert(sizeof(Wide) == 2, "twelve enumerators take two bytes");
  Wide set;
  set << Green << Orange;
  EXPECT_EQ(set.ToBits(), (1u << 1) | (1u << 11));
  EXPECT_TRUE(set.Contains(Orange));
  EXPECT_FALSE(set.Contains(Red));
  set >> Green;
  EXPECT_EQ(set, Wide{Orange});
  EXPECT_EQ(Wide::FromBits(0xFFFFu).ToBits(), 0xFFFu) << "bits beyond hi are not elements";
  EXPECT_EQ((Wide{Red, Blue} + Wide{Blue, Cyan}), (Wide{Red, Blue, Cyan}));
  EXPECT_EQ((Wide{Red, Blue} - Wide{Blue}), Wide{Red});
  EXPECT_EQ((Wide{Red, Blue} * Wide{Blue, Cyan}), Wide{Blue});
  EXPECT_TRUE(Wide().Empty());
}

class Listener : public vcl35::TObject {
 public:
  void Heard(int value) { Total += value; }
  int Total = 0;
};

TEST(ClosureTest, BindsAMethodToItsObjectAndIsEmptyWithoutOne) {
  Listener listener;
  vcl35::Closure<void(int)> empty;
  EXPECT_FALSE(empty);
  empty(5);  // calls nothing
  vcl35::Closure<void(int)> bound(&listener, &Listener::Heard);
  ASSERT_TRUE(bound);
  EXPECT_EQ(bound.Object(), &listener);
  bound(3);
  bound(4);
  EXPECT_EQ(listener.Total, 7);
  EXPECT_FALSE(vcl35::Closure<void(int)>(&listener, static_cast<void (Listener::*)(int)>(nullptr)));
  EXPECT_EQ(bound, vcl35::Closure<void(int)>(&listener, &Listener::Heard));
  EXPECT_NE(bound, empty);
}

TEST(FileGetAttrTest, ReportsReadOnlyFromTheOwnerWriteBit) {
  TestSupport::TemporaryDirectory dir;
  const std::string writable = dir.Write("w.txt", "x");
  const std::string readOnly = dir.Write("r.txt", "x");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  EXPECT_EQ(vcl35::FileGetAttr(AnsiString(writable.c_str())) & vcl35::faReadOnly, 0);
  EXPECT_NE(vcl35::FileGetAttr(AnsiString(readOnly.c_str())) & vcl35::faReadOnly, 0);
  EXPECT_EQ(vcl35::FileGetAttr(AnsiString((dir / "missing").c_str())), -1);
  // The name ends at its first NUL.
  const std::string withNul = writable + std::string("\0junk", 5);
  EXPECT_NE(vcl35::FileGetAttr(AnsiString(withNul)), -1);
}

}  // namespace
